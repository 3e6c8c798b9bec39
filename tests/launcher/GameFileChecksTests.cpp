// Which game files are missing and how each is to be fetched: libraries,
// client jar, asset index and asset objects, from generated game trees; and
// what a fetched version JSON must be to take a file's place.
#include <winsock2.h>

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "core/Sha1.h"
#include "download/DownloadInfoCommonFile.h"
#include "launcher/MinecraftFileManager.h"
#include "launcher/MinecraftVerJsonDownload.h"
#include "tests/download/DownloadTestKit.h"
#include "tests/launcher/GameTree.h"
#include "tests/launcher/TreeListing.h"

namespace {

using testing::ElementsAre;
using testing_support::DownloadInfoList;
using testing_support::GameTree;
using testing_support::Narrow;
using testing_support::TargetOf;
using testing_support::UrlsOf;
using trelm::download::DownloadInfoBase;
using trelm::download::DownloadInfoForgeXZLibrary;
using trelm::download::DownloadTaskBase;
using trelm::launcher::MinecraftFileManager;

const char kSha1A[] = "a94a8fe5ccb19ba61c4c0873d391e987982fbbd3";  // SHA-1 of "test"
const char kSha1B[] = "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb";
const char kSha1C[] = "cccccccccccccccccccccccccccccccccccccccc";

class GameFileChecks : public testing::Test {
protected:
    static void SetUpTestSuite() { testing_support::UseFixedEndpoints(); }

    MinecraftFileManager& Manager(const wchar_t* version) {
        manager.reset(new MinecraftFileManager(tree.Root().c_str()));
        manager->SetVersion(version);
        return *manager;
    }
    std::string LibraryTarget(const std::string& relative) const {
        return Narrow(tree.Path(L"libraries\\")) + relative;
    }

    GameTree tree;
    std::unique_ptr<MinecraftFileManager> manager;
    DownloadInfoList list;
    int64_t total = 0;
};

// A parent and a child that overrides one of its libraries.
void WriteLibraryChain(const GameTree& tree) {
    tree.WriteVersion(L"parent", std::string(R"({"id":"parent","libraries":[
        {"name":"com.example:shared:1"},
        {"name":"org.lwjgl:native:1","natives":{"windows":"natives-windows-${arch}"},"extract":{}},
        {"name":"org.example:art:2","downloads":{"artifact":{"path":"org/example/art/2/art-2.jar",
            "url":"https://cdn.test/art-2.jar","sha1":")") + kSha1A + R"(","size":4}}},
        {"name":"org.example:nohash:1","downloads":{"artifact":{"path":"org/example/nohash/1/nohash-1.jar",
            "url":"https://cdn.test/nohash-1.jar"}}},
        {"name":"net.forge:packed:1","url":"http://files.MinecraftForge.net/maven/","checksums":[")" + kSha1B +
                                          R"(",")" + kSha1C + R"(","not hex"]},
        {"name":"net.forge:plain:1","url":"http://files.minecraftforge.net/maven/","checksums":[")" + kSha1B +
                                          R"("]},
        {"name":"osx:only:1","rules":[{"action":"allow","os":{"name":"osx"}}]},
        {"name":"present:lib:1"}]})");
    tree.WriteVersion(L"child", R"({"id":"child","mainClass":"M","minecraftArguments":"","inheritsFrom":"parent",
        "libraries":[{"name":"com.example:shared:1","url":"http://custom.test/repo/"}]})");
    tree.Write(L"libraries\\present\\lib\\1\\lib-1.jar", "here");
}

TEST_F(GameFileChecks, LibrariesOfTheWholeChainInPathOrderWithTheChildWinning) {
    WriteLibraryChain(tree);
    MinecraftFileManager& m = Manager(L"child");
    m.useMirror = true;
    m.verifyDownloadSha1 = true;
    ASSERT_TRUE(m.CheckLibraries(list.infos, total)) << Narrow(m.GetErrorMsg().GetString());
    ASSERT_EQ(6u, list.infos.size());
    const auto& infos = list.infos;

    EXPECT_EQ(LibraryTarget("com\\example\\shared\\1\\shared-1.jar"), TargetOf(infos[0]));
    EXPECT_THAT(UrlsOf(infos[0]), ElementsAre("http://maven.mirror.test/maven/com/example/shared/1/shared-1.jar (1)",
                                              "http://custom.test/repo/com/example/shared/1/shared-1.jar (0)"));
    EXPECT_EQ(trelm::download::kFlagFetchSha1, infos[0]->flags);

    // Forge: a jar listed with two checksums is fetched as ".pack.xz".
    EXPECT_EQ(LibraryTarget("net\\forge\\packed\\1\\packed-1.jar"), TargetOf(infos[1]));
    ASSERT_EQ(trelm::download::kKindForgeXZLibrary, infos[1]->kind);
    EXPECT_THAT(UrlsOf(infos[1]), ElementsAre("http://forge.test/maven/net/forge/packed/1/packed-1.jar.pack.xz (2)"));
    EXPECT_EQ(0u, infos[1]->flags);
    const auto& checksums = static_cast<const DownloadInfoForgeXZLibrary*>(infos[1])->checksums;
    ASSERT_EQ(2u, checksums.size());
    EXPECT_EQ(0xbb, checksums[0].bytes[19]);
    EXPECT_EQ(0xcc, checksums[1].bytes[0]);

    EXPECT_EQ(trelm::download::kKindMinecraftLibrary, infos[2]->kind);
    EXPECT_THAT(UrlsOf(infos[2]), ElementsAre("http://forge.test/maven/net/forge/plain/1/plain-1.jar (2)"));
    EXPECT_EQ(trelm::download::kFlagSha1Given, infos[2]->flags);
    EXPECT_EQ(0xbb, infos[2]->sha1[0]);

    EXPECT_THAT(UrlsOf(infos[3]), ElementsAre("http://maven.mirror.test/maven/org/example/art/2/art-2.jar (1)",
                                              "https://cdn.test/art-2.jar (0)"));
    EXPECT_EQ(trelm::download::kFlagSha1Given, infos[3]->flags);
    EXPECT_EQ(0xa9, infos[3]->sha1[0]);
    EXPECT_EQ(trelm::download::kFlagFetchSha1, infos[4]->flags);

    EXPECT_EQ(LibraryTarget("org\\lwjgl\\native\\1\\native-1-natives-windows-32.jar"), TargetOf(infos[5]));
    EXPECT_THAT(UrlsOf(infos[5]),
                ElementsAre("http://maven.mirror.test/maven/org/lwjgl/native/1/native-1-natives-windows-32.jar (1)",
                            "https://libraries.test/org/lwjgl/native/1/native-1-natives-windows-32.jar (0)"));
    for (const DownloadInfoBase* info : infos) EXPECT_EQ(-1, info->size);
    EXPECT_EQ(-1, total);
}

TEST_F(GameFileChecks, WithoutMirrorOrVerificationEachLibraryHasOneUrlAndNoFlags) {
    WriteLibraryChain(tree);
    MinecraftFileManager& m = Manager(L"child");
    m.arch = 1;
    ASSERT_TRUE(m.CheckLibraries(list.infos, total));
    ASSERT_EQ(6u, list.infos.size());
    for (const DownloadInfoBase* info : list.infos) {
        EXPECT_EQ(1u, info->urls.size()) << TargetOf(info);
        EXPECT_EQ(0u, info->flags) << TargetOf(info);
    }
    EXPECT_EQ(LibraryTarget("org\\lwjgl\\native\\1\\native-1-natives-windows-64.jar"), TargetOf(list.infos[5]));
}

TEST_F(GameFileChecks, PresentLibrariesAreSkippedAndLocalVerificationCatchesWrongBytes) {
    WriteLibraryChain(tree);
    // A wrong jar at a path with a known SHA-1, a right one at another; a
    // Forge jar counts as present whatever its bytes.
    tree.Write(L"libraries\\org\\example\\art\\2\\art-2.jar", "TEST");
    tree.Write(L"libraries\\net\\forge\\packed\\1\\packed-1.jar", "anything");
    tree.Write(L"libraries\\org\\example\\nohash\\1\\nohash-1.jar", "anything");
    MinecraftFileManager& m = Manager(L"child");
    m.verifyLocalSha1 = true;
    ASSERT_TRUE(m.CheckLibraries(list.infos, total));
    std::vector<std::string> targets;
    for (const DownloadInfoBase* info : list.infos) targets.push_back(TargetOf(info));
    EXPECT_THAT(targets, ElementsAre(LibraryTarget("com\\example\\shared\\1\\shared-1.jar"),
                                     LibraryTarget("net\\forge\\plain\\1\\plain-1.jar"),
                                     LibraryTarget("org\\example\\art\\2\\art-2.jar"),
                                     LibraryTarget("org\\lwjgl\\native\\1\\native-1-natives-windows-32.jar")));

    DownloadInfoList second;
    tree.Write(L"libraries\\org\\example\\art\\2\\art-2.jar", "test");
    ASSERT_TRUE(Manager(L"child").CheckLibraries(second.infos, total));
    EXPECT_EQ(3u, second.infos.size());
}

TEST_F(GameFileChecks, MalformedLibrariesNameTheFile) {
    static const char* const libraries[] = {
        R"("libraries":{})",
        R"("libraries":[{"rules":"all"}])",
        R"("libraries":[{"url":"http://x/"}])",
        R"("libraries":[{"name":"too:short"}])",
        R"("libraries":[{"name":"a:b:../../../../evil"}])",
        R"("libraries":[{"name":"a:b:1","downloads":{"artifact":{"path":"..\\..\\evil.jar","url":"http://x/"}}}])",
        R"("libraries":[{"name":"a:b:1","downloads":{"artifact":{"path":"C:evil.jar","url":"http://x/"}}}])",
        R"("libraries":[{"name":"a:b:1","downloads":{"artifact":{"path":"\\\\server\\share\\x.jar","url":"u"}}}])",
        // A device name would have the library's bytes written to the port.
        R"("libraries":[{"name":"a:b:1","downloads":{"artifact":{"path":"org/x/COM1.jar","url":"http://x/"}}}])",
        R"("libraries":[{"name":"org.x:aux:1"}])",
        R"("nolibraries":[])",
    };
    for (const char* member : libraries) {
        tree.WriteVersion(L"v", std::string(R"({"id":"v","mainClass":"M","minecraftArguments":"",)") + member + "}");
        MinecraftFileManager& m = Manager(L"v");
        DownloadInfoList infos;
        EXPECT_FALSE(m.CheckLibraries(infos.infos, total)) << member;
        EXPECT_TRUE(infos.infos.empty()) << member;
        EXPECT_EQ("Json文件(" + Narrow(tree.Path(L"versions\\v\\v.json")) + ")缺失成员\"libraries\"或此成员值不正确",
                  Narrow(m.GetErrorMsg().GetString()))
            << member;
        EXPECT_FALSE(m.ExtractNatives()) << member;
    }
}

TEST_F(GameFileChecks, ClientJarComesFromTheRootAncestor) {
    tree.WriteVersion(L"mod", R"({"id":"mod","mainClass":"M","minecraftArguments":"","inheritsFrom":"base","libraries":[]})");
    tree.WriteVersion(L"base", std::string(R"({"id":"base","libraries":[],"downloads":{"client":{"sha1":")") + kSha1A +
                                   R"(","size":4,"url":"https://cdn.test/client.jar"}}})");
    MinecraftFileManager& m = Manager(L"mod");
    m.useMirror = true;
    m.verifyDownloadSha1 = true;
    ASSERT_TRUE(m.CheckClientJar(list.infos, total));
    ASSERT_EQ(1u, list.infos.size());
    EXPECT_EQ(Narrow(tree.Path(L"versions\\base\\base.jar")), TargetOf(list.infos[0]));
    EXPECT_THAT(UrlsOf(list.infos[0]),
                ElementsAre("http://mirror.test/version/base/client (1)", "https://cdn.test/client.jar (0)"));
    EXPECT_EQ(trelm::download::kKindCommonFile, list.infos[0]->kind);
    EXPECT_EQ(trelm::download::kFlagSha1Given, list.infos[0]->flags);
    EXPECT_EQ(4, list.infos[0]->size);
    EXPECT_EQ(4, total);

    // Present with wrong bytes: only local verification notices.
    tree.Write(L"versions\\base\\base.jar", "TEST");
    DownloadInfoList again;
    ASSERT_TRUE(Manager(L"mod").CheckClientJar(again.infos, total));
    EXPECT_TRUE(again.infos.empty());
    manager->verifyLocalSha1 = true;
    ASSERT_TRUE(manager->CheckClientJar(again.infos, total));
    EXPECT_EQ(1u, again.infos.size());
}

TEST_F(GameFileChecks, ClientJarWithoutDownloadsUsesTheLegacyStore) {
    // "size" past 32 bits spoils the "downloads" entry as a whole.
    tree.WriteVersion(L"old", std::string(R"({"id":"old","mainClass":"M","minecraftArguments":"","libraries":[],
        "downloads":{"client":{"sha1":")") + kSha1A + R"(","size":4294967296,"url":"https://cdn.test/c.jar"}}})");
    MinecraftFileManager& m = Manager(L"old");
    m.useMirror = true;
    m.verifyDownloadSha1 = true;
    total = 100;
    ASSERT_TRUE(m.CheckClientJar(list.infos, total));
    EXPECT_THAT(UrlsOf(list.infos[0]), ElementsAre("http://mirror.test/version/old/client (1)",
                                                   "https://legacy.test/Minecraft.Download/versions/old/old.jar (0)"));
    EXPECT_EQ(0u, list.infos[0]->flags);
    EXPECT_EQ(-1, total);
}

TEST_F(GameFileChecks, AssetIndexUrlsAndTheLegacyFallback) {
    tree.WriteVersion(L"new", std::string(R"({"id":"new","mainClass":"M","minecraftArguments":"","libraries":[],
        "assets":"1.12","assetIndex":{"id":"1.12","sha1":")") + kSha1A + R"(","size":4,"url":"https://meta.test/1.12.json"}})");
    tree.WriteVersion(L"old", R"({"id":"old","mainClass":"M","minecraftArguments":"","libraries":[]})");
    tree.WriteVersion(L"evil", R"({"id":"evil","mainClass":"M","minecraftArguments":"","libraries":[],"assets":"../../x"})");

    MinecraftFileManager& m = Manager(L"new");
    m.useMirror = true;
    m.verifyDownloadSha1 = true;
    ASSERT_TRUE(m.CheckAssetIndex(list.infos, total));
    EXPECT_EQ(Narrow(tree.Path(L"assets\\indexes\\1.12.json")), TargetOf(list.infos[0]));
    EXPECT_THAT(UrlsOf(list.infos[0]),
                ElementsAre(std::string("http://mirror.test/mc/assets/1.12/") + kSha1A + "/1.12.json (1)",
                            "https://meta.test/1.12.json (0)"));
    EXPECT_EQ(trelm::download::kFlagSha1Given, list.infos[0]->flags);

    // No "assetIndex": one URL whatever the mirror setting, "legacy" by default.
    MinecraftFileManager& old = Manager(L"old");
    old.useMirror = true;
    old.verifyDownloadSha1 = true;
    ASSERT_TRUE(old.CheckAssetIndex(list.infos, total));
    EXPECT_EQ(Narrow(tree.Path(L"assets\\indexes\\legacy.json")), TargetOf(list.infos[1]));
    EXPECT_THAT(UrlsOf(list.infos[1]), ElementsAre("https://legacy.test/Minecraft.Download/indexes/legacy.json (0)"));
    EXPECT_EQ(0u, list.infos[1]->flags);

    MinecraftFileManager& evil = Manager(L"evil");
    EXPECT_FALSE(evil.CheckAssetIndex(list.infos, total));
    EXPECT_EQ(2u, list.infos.size());
    EXPECT_NE(-1, evil.GetErrorMsg().Find(L"\"assets\""));
}

TEST_F(GameFileChecks, IsFilePresentTakesNoFolderAndChecksBytesOnlyWhenVerifying) {
    // Verifying, the opening itself is the presence check.
    tree.Write(L"right", "test");
    tree.Write(L"wrong", "TEST");
    tree.Write(L"folder\\inside", "test");
    uint8_t sha1[kSha1DigestSize];
    ASSERT_TRUE(Sha1OfBuffer("test", 4, sha1));
    static const struct {
        const wchar_t* name;
        bool present;
        bool verified;
    } kCases[] = {{L"right", true, true}, {L"wrong", true, false}, {L"folder", false, false}, {L"missing", false, false}};
    for (const auto& c : kCases) {
        const std::wstring path = tree.Path(c.name);
        EXPECT_EQ(c.present, trelm::launcher::IsFilePresent(path.c_str(), sha1, false)) << Narrow(path);
        EXPECT_EQ(c.verified, trelm::launcher::IsFilePresent(path.c_str(), sha1, true)) << Narrow(path);
    }
}

class AssetObjects : public GameFileChecks {
protected:
    void WriteIndex(const std::string& objects, bool isVirtual = false) {
        tree.WriteVersion(L"v", R"({"id":"v","mainClass":"M","minecraftArguments":"","libraries":[],"assets":"idx"})");
        tree.Write(L"assets\\indexes\\idx.json",
                   "{" + std::string(isVirtual ? R"("virtual":true,)" : "") + R"("objects":)" + objects + "}");
    }
};

TEST_F(AssetObjects, OneDescriptionPerDistinctHashInHashOrder) {
    WriteIndex(std::string(R"({
        "b/one.ogg":{"hash":")") + kSha1B + R"(","size":10},
        "a/dup.ogg":{"hash":")" + kSha1A + R"(","size":4},
        "a/dup2.ogg":{"hash":")" + kSha1A + R"(","size":4},
        "short":{"hash":"abc","size":1},
        "not hex":{"hash":"..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\xxevil.txt","size":1},
        "no hash":{"size":1},
        "no object":7})");
    MinecraftFileManager& m = Manager(L"v");
    m.useMirror = true;
    m.verifyDownloadSha1 = true;
    ASSERT_TRUE(m.CheckAssetObjects(list.infos, total)) << Narrow(m.GetErrorMsg().GetString());
    ASSERT_EQ(2u, list.infos.size());
    EXPECT_EQ(Narrow(tree.Path(L"assets\\objects\\a9\\")) + kSha1A, TargetOf(list.infos[0]));
    EXPECT_THAT(UrlsOf(list.infos[0]), ElementsAre(std::string("http://mirror.test/objects/a9/") + kSha1A + " (1)",
                                                   std::string("http://assets.test/a9/") + kSha1A + " (0)"));
    EXPECT_EQ(trelm::download::kFlagSha1Given, list.infos[0]->flags);
    EXPECT_EQ(4, list.infos[0]->size);
    EXPECT_EQ(14, total);
}

TEST_F(AssetObjects, PresentObjectsAndUnknownSizes) {
    WriteIndex(std::string(R"({"a":{"hash":")") + kSha1A + R"(","size":4},"b":{"hash":")" + kSha1B +
               R"("},"c":{"hash":")" + kSha1C + R"(","size":0}})");
    tree.Write(L"assets\\objects\\a9\\" + testing_support::Widen(kSha1A), "test");
    MinecraftFileManager& m = Manager(L"v");
    m.verifyLocalSha1 = true;
    ASSERT_TRUE(m.CheckAssetObjects(list.infos, total));
    ASSERT_EQ(2u, list.infos.size());
    EXPECT_EQ(1u, list.infos[0]->urls.size());
    EXPECT_EQ(0u, list.infos[0]->flags);
    EXPECT_EQ(-1, total);  // one size missing, one 0

    tree.Write(L"assets\\objects\\a9\\" + testing_support::Widen(kSha1A), "TEST");
    DownloadInfoList again;
    total = 0;
    ASSERT_TRUE(Manager(L"v").CheckAssetObjects(again.infos, total));  // no local check: present
    EXPECT_EQ(2u, again.infos.size());
    manager->verifyLocalSha1 = true;
    ASSERT_TRUE(manager->CheckAssetObjects(again.infos, total));
    EXPECT_EQ(5u, again.infos.size());
}

TEST_F(AssetObjects, BrokenIndexes) {
    tree.WriteVersion(L"v", R"({"id":"v","mainClass":"M","minecraftArguments":"","libraries":[],"assets":"idx"})");
    MinecraftFileManager& m = Manager(L"v");
    EXPECT_FALSE(m.CheckAssetObjects(list.infos, total));
    EXPECT_EQ("读取文件失败:" + Narrow(tree.Path(L"assets\\indexes\\idx.json")), Narrow(m.GetErrorMsg().GetString()));
    tree.Write(L"assets\\indexes\\idx.json", "{\"objects\":[]}");
    EXPECT_FALSE(Manager(L"v").CheckAssetObjects(list.infos, total));
    EXPECT_EQ("Json文件(" + Narrow(tree.Path(L"assets\\indexes\\idx.json")) + ")缺失成员\"objects\"或此成员值不正确",
              Narrow(manager->GetErrorMsg().GetString()));
    tree.Write(L"assets\\indexes\\idx.json", "{\"objects\":");
    EXPECT_FALSE(Manager(L"v").CheckAssetObjects(list.infos, total));
    EXPECT_EQ(0, manager->GetErrorMsg().Find(L"解析Json文件失败:"));
    bool isVirtual = true;
    EXPECT_FALSE(manager->IsVirtualAssets(isVirtual));
    EXPECT_TRUE(list.infos.empty());
}

TEST_F(AssetObjects, LegacyCopyStaysInsideItsFolder) {
    WriteIndex(std::string(R"({
        "sounds/a.ogg":{"hash":")") + kSha1A + R"("},
        "../../../../escape.ogg":{"hash":")" + kSha1A + R"("},
        "C:\\escape.ogg":{"hash":")" + kSha1A + R"("},
        "/abs.ogg":{"hash":")" + kSha1A + R"("},
        "nul.ogg":{"hash":")" + kSha1A + R"("},
        "sounds/Com\u00b9.ogg":{"hash":")" + kSha1A + R"("},
        "LPT1/x.ogg":{"hash":")" + kSha1A + R"("},
        "missing.ogg":{"hash":")" + kSha1B + R"("},
        "badhash.ogg":{"hash":"zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz"}})",
               true);
    tree.Write(L"assets\\objects\\a9\\" + testing_support::Widen(kSha1A), "test");
    MinecraftFileManager& m = Manager(L"v");
    bool isVirtual = false;
    ASSERT_TRUE(m.IsVirtualAssets(isVirtual));
    EXPECT_TRUE(isVirtual);
    m.CopyLegacyAssets();
    // Device names get no copy: the folder holds the one good name (a
    // device would not be listed; Wine makes files of some of them).
    EXPECT_EQ((std::set<std::wstring>{L"sounds\\", L"sounds\\a.ogg"}),
              testing_support::ListTree(tree.Path(L"assets\\virtual\\legacy")));
    EXPECT_EQ("test", testing_support::ReadBytes(tree.Path(L"assets\\virtual\\legacy\\sounds\\a.ogg")));
    // Nothing landed above the legacy folder.
    EXPECT_FALSE(tree.Exists(L"escape.ogg"));
    EXPECT_FALSE(tree.Exists(L"assets\\escape.ogg"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((tree.Root() + L"escape.ogg").c_str()));

    // A present copy is kept unless local verification finds it wrong.
    tree.Write(L"assets\\virtual\\legacy\\sounds\\a.ogg", "old");
    m.CopyLegacyAssets();
    EXPECT_EQ("old", testing_support::ReadBytes(tree.Path(L"assets\\virtual\\legacy\\sounds\\a.ogg")));
    m.verifyLocalSha1 = true;
    m.CopyLegacyAssets();
    EXPECT_EQ("test", testing_support::ReadBytes(tree.Path(L"assets\\virtual\\legacy\\sounds\\a.ogg")));
}

TEST_F(AssetObjects, OnlyTheBooleanTrueIsVirtual) {
    for (const char* value : {"\"true\"", "1", "false"}) {
        tree.WriteVersion(L"v", R"({"id":"v","mainClass":"M","minecraftArguments":"","libraries":[],"assets":"idx"})");
        tree.Write(L"assets\\indexes\\idx.json", std::string(R"({"virtual":)") + value +
                                                     R"(,"objects":{"x":{"hash":")" + kSha1A + R"("}}})");
        tree.Write(L"assets\\objects\\a9\\" + testing_support::Widen(kSha1A), "test");
        MinecraftFileManager& m = Manager(L"v");
        bool isVirtual = true;
        ASSERT_TRUE(m.IsVirtualAssets(isVirtual)) << value;
        EXPECT_FALSE(isVirtual) << value;
        m.CopyLegacyAssets();
        EXPECT_FALSE(tree.Exists(L"assets\\virtual\\legacy\\x")) << value;
    }
}

TEST(MinecraftVerJsonDownload, ManifestUrlOrTheLegacyStore) {
    testing_support::UseFixedEndpoints();
    JsonDocument manifest;
    ASSERT_TRUE(ParseJsonText(LR"({"versions":[{"id":"1.7.10","url":"https://meta.test/first.json"},
        {"id":"other","url":"https://meta.test/other.json"},{"id":"1.7.10","url":"https://meta.test/last.json"}]})",
                              &manifest));
    trelm::launcher::MinecraftVerJsonDownload builder(L"R:\\");
    DownloadInfoList list;
    DownloadInfoBase* info = nullptr;
    ASSERT_TRUE(builder.BuildDownloadInfo(info, manifest, L"1.7.10", true));
    list.infos.push_back(info);
    EXPECT_EQ("R:\\.minecraft\\versions\\1.7.10\\1.7.10.json", TargetOf(info));
    EXPECT_THAT(UrlsOf(info), ElementsAre("http://mirror.test/version/1.7.10/json (1)", "https://meta.test/last.json (0)"));
    EXPECT_EQ(10485760, info->size);  // a limit, as for the lists
    EXPECT_EQ(trelm::download::kFlagJsonObject, info->flags);

    ASSERT_TRUE(builder.BuildDownloadInfo(info, manifest, L"b1.0", false));
    list.infos.push_back(info);
    EXPECT_THAT(UrlsOf(info), ElementsAre("https://legacy.test/Minecraft.Download/versions/b1.0/b1.0.json (0)"));

    // Windows drops a folder's trailing dots and spaces: versions\..json,
    // versions\trail\trail..json.
    for (const wchar_t* id : {L"..", L".", L"trail.", L"trail ", L"a. "}) {
        EXPECT_FALSE(builder.BuildDownloadInfo(info, manifest, id, false)) << Narrow(id);
        EXPECT_EQ(nullptr, info);
    }
}

// A version JSON from the network replaces the file only when it is one: a
// huge, endless or HTML answer leaves the good file and nothing beside it.
class VersionJsonDownload : public download_test::DownloadTest {};

TEST_F(VersionJsonDownload, OnlyABoundedJsonObjectReplacesTheFile) {
    const std::string good = R"({"id":"1.7.10","mainClass":"M"})";
    ASSERT_TRUE(Routes(R"({"/html": {"body": "<html><body>502 Bad Gateway</body></html>"},
        "/array": {"body": "[1, 2]"},
        "/huge": {"generate": 11534336, "content_length": null},
        "/announced": {"body": "{}", "content_length": 2147483648, "stall_after": 1},
        "/good": {"body": )" + testing_support::JsonQuote(good) + "}}"));
    const std::wstring target = Target(L".minecraft\\versions\\1.7.10\\1.7.10.json");
    const trelm::launcher::MinecraftVerJsonDownload builder(Target(L"").c_str());
    for (const char* path : {"/html", "/array", "/huge", "/announced", "/good"}) {
        SCOPED_TRACE(path);
        testing_support::WriteBytes(target, "{\"id\":\"1.7.10\"}");
        JsonDocument manifest;
        const std::string text = R"({"versions":[{"id":"1.7.10","url":")" + Url(path) + R"("}]})";
        ASSERT_TRUE(ParseJsonText(testing_support::Widen(text).c_str(), &manifest));
        DownloadInfoBase* info = nullptr;
        ASSERT_TRUE(builder.BuildDownloadInfo(info, manifest, L"1.7.10", false));
        const DWORD start = GetTickCount();
        DownloadTaskBase* task = RunOne(info);
        ASSERT_NE(nullptr, task);
        // The announced size alone ends it, not the silent peer's 60 s.
        EXPECT_LT(GetTickCount() - start, 45000u);
        const bool kept = std::string(path) == "/good";
        EXPECT_EQ(kept ? DownloadTaskBase::kSucceeded : DownloadTaskBase::kFailed, task->GetResult());
        const std::string now = testing_support::ReadBytes(target);
        EXPECT_TRUE(now == (kept ? good : "{\"id\":\"1.7.10\"}")) << now.size() << " bytes: " << now.substr(0, 40);
        EXPECT_FALSE(testing_support::Exists(target + L".dl"));
    }
}

TEST(MirrorUrls, OptiFineAsksForThreePartVersionsBelowTen) {
    testing_support::UseFixedEndpoints();
    static const struct {
        const wchar_t* game;
        const wchar_t* url;
    } cases[] = {
        {L"1.8", L"http://mirror.test/optifine/1.8.0/HD_U/I7"},
        {L"1.12", L"http://mirror.test/optifine/1.12/HD_U/I7"},
        {L"1.7.10", L"http://mirror.test/optifine/1.7.10/HD_U/I7"},
        {L"1.9", L"http://mirror.test/optifine/1.9.0/HD_U/I7"},
    };
    for (const auto& c : cases) {
        WString url;
        trelm::launcher::BuildOptiFineMirrorUrl(url, c.game, L"HD_U", L"I7");
        EXPECT_STREQ(c.url, url.GetString());
    }
}

}  // namespace
