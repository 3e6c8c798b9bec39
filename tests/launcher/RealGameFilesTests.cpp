// The game's own version JSONs and asset indexes, and a real 2014
// ".minecraft" with a LiteLoader -> Forge -> 1.7.10 chain, from the shared
// test data (never copied into the repository).
#include <windows.h>

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "download/DownloadInfoCommonFile.h"
#include "launcher/MinecraftFileManager.h"
#include "tests/launcher/GameTree.h"
#include "tests/support/TestZip.h"

namespace {

using testing::StartsWith;
using testing_support::DownloadInfoList;
using testing_support::GameTree;
using testing_support::Narrow;
using testing_support::TargetOf;
using testing_support::UrlsOf;
using testing_support::Widen;
using trelm::download::DownloadInfoBase;
using trelm::launcher::MinecraftFileManager;

class RealGameFiles : public testing::Test {
protected:
    static void SetUpTestSuite() { testing_support::UseFixedEndpoints(); }
    void SetUp() override { SKIP_WITHOUT_REAL_DATA(); }

    MinecraftFileManager& Manager(const wchar_t* version) {
        manager.reset(new MinecraftFileManager(tree.Root().c_str()));
        manager->SetVersion(version);
        return *manager;
    }
    // The library's path below "libraries\", with "/" as in URLs.
    std::string LibraryPathOf(const DownloadInfoBase* info) const {
        std::string path = TargetOf(info).substr(Narrow(tree.Path(L"libraries\\")).size());
        for (char& c : path)
            if (c == '\\') c = '/';
        return path;
    }

    GameTree tree;
    std::unique_ptr<MinecraftFileManager> manager;
};

struct OfficialVersion {
    const wchar_t* id;
    size_t libraries;  // distinct allowed paths for 32-bit Windows
    std::vector<std::string> natives32;
    int64_t clientSize;
    const wchar_t* assets;
};

TEST_F(RealGameFiles, OfficialVersionsUpTo1_12_2LoadWithTheirLibrariesAndNatives) {
    const std::vector<OfficialVersion> versions = {
        {L"1.5.2", 9,
         {"org/lwjgl/lwjgl/lwjgl-platform/2.9.0/lwjgl-platform-2.9.0-natives-windows.jar",
          "net/java/jinput/jinput-platform/2.0.5/jinput-platform-2.0.5-natives-windows.jar"},
         5564661, L"pre-1.6"},
        {L"1.6.4", 18,
         {"org/lwjgl/lwjgl/lwjgl-platform/2.9.0/lwjgl-platform-2.9.0-natives-windows.jar",
          "net/java/jinput/jinput-platform/2.0.5/jinput-platform-2.0.5-natives-windows.jar"},
         4745096, L"legacy"},
        {L"1.7.10", 33,
         {"org/lwjgl/lwjgl/lwjgl-platform/2.9.1/lwjgl-platform-2.9.1-natives-windows.jar",
          "net/java/jinput/jinput-platform/2.0.5/jinput-platform-2.0.5-natives-windows.jar",
          "tv/twitch/twitch-platform/5.16/twitch-platform-5.16-natives-windows-32.jar",
          "tv/twitch/twitch-external-platform/4.5/twitch-external-platform-4.5-natives-windows-32.jar"},
         5256245, L"1.7.10"},
        {L"1.8.9", 34,
         {"org/lwjgl/lwjgl/lwjgl-platform/2.9.4-nightly-20150209/lwjgl-platform-2.9.4-nightly-20150209-natives-windows.jar",
          "net/java/jinput/jinput-platform/2.0.5/jinput-platform-2.0.5-natives-windows.jar",
          "tv/twitch/twitch-platform/6.5/twitch-platform-6.5-natives-windows-32.jar",
          "tv/twitch/twitch-external-platform/4.5/twitch-external-platform-4.5-natives-windows-32.jar"},
         8461484, L"1.8"},
        {L"1.12.2", 34,
         {"org/lwjgl/lwjgl/lwjgl-platform/2.9.4-nightly-20150209/lwjgl-platform-2.9.4-nightly-20150209-natives-windows.jar",
          "net/java/jinput/jinput-platform/2.0.5/jinput-platform-2.0.5-natives-windows.jar",
          "com/mojang/text2speech/1.10.3/text2speech-1.10.3-natives-windows.jar"},
         10180113, L"1.12"},
    };
    for (const OfficialVersion& v : versions) {
        const std::wstring id = v.id;
        tree.CopyReal(L"versions\\official\\" + id + L".json", L"versions\\" + id + L"\\" + id + L".json");
        MinecraftFileManager& m = Manager(v.id);
        m.useMirror = true;
        m.verifyDownloadSha1 = true;
        DownloadInfoList libraries;
        int64_t total = 0;
        ASSERT_TRUE(m.CheckLibraries(libraries.infos, total)) << Narrow(m.GetErrorMsg().GetString());
        EXPECT_EQ(v.libraries, libraries.infos.size()) << Narrow(id);
        std::vector<std::string> natives;
        for (const DownloadInfoBase* info : libraries.infos) {
            const std::string path = LibraryPathOf(info);
            if (path.find("natives-windows") != std::string::npos) natives.push_back(path);
            // Every official library names its jar under the library server
            // with a known SHA-1; the mirror serves the same path.
            EXPECT_EQ(trelm::download::kKindMinecraftLibrary, info->kind) << path;
            EXPECT_THAT(UrlsOf(info), testing::ElementsAre("http://maven.mirror.test/maven/" + path + " (1)",
                                                           "https://libraries.minecraft.net/" + path + " (0)"));
            EXPECT_EQ(trelm::download::kFlagSha1Given, info->flags) << path;
        }
        EXPECT_THAT(natives, testing::UnorderedElementsAreArray(v.natives32)) << Narrow(id);

        DownloadInfoList others;
        total = 0;
        ASSERT_TRUE(m.CheckClientJar(others.infos, total));
        ASSERT_EQ(1u, others.infos.size());
        EXPECT_EQ(v.clientSize, total) << Narrow(id);
        EXPECT_EQ("http://mirror.test/version/" + Narrow(id) + "/client (1)", UrlsOf(others.infos[0])[0]);
        EXPECT_THAT(UrlsOf(others.infos[0])[1], testing::AllOf(StartsWith("https://"), testing::EndsWith("/client.jar (0)")));
        ASSERT_TRUE(m.CheckAssetIndex(others.infos, total));
        ASSERT_EQ(2u, others.infos.size());
        EXPECT_EQ(Narrow(tree.Path(L"assets\\indexes\\" + std::wstring(v.assets) + L".json")),
                  TargetOf(others.infos[1]));
        EXPECT_EQ(2u, others.infos[1]->urls.size());
    }
}

TEST_F(RealGameFiles, SixtyFourBitNativesOfTwitch) {
    tree.CopyReal(L"versions\\official\\1.7.10.json", L"versions\\1.7.10\\1.7.10.json");
    MinecraftFileManager& m = Manager(L"1.7.10");
    m.arch = 1;
    DownloadInfoList list;
    int64_t total = 0;
    ASSERT_TRUE(m.CheckLibraries(list.infos, total));
    int sixtyFour = 0;
    for (const DownloadInfoBase* info : list.infos) {
        const std::string path = LibraryPathOf(info);
        EXPECT_EQ(std::string::npos, path.find("natives-windows-32")) << path;
        if (path.find("natives-windows-64") != std::string::npos) ++sixtyFour;
    }
    EXPECT_EQ(2, sixtyFour);
}

TEST_F(RealGameFiles, VersionsFrom1_13OnAreRefused) {
    for (const wchar_t* id : {L"1.13.2", L"1.16.5", L"1.20.1", L"1.20.4"}) {
        const std::wstring version = id;
        tree.CopyReal(L"versions\\official\\" + version + L".json", L"versions\\" + version + L"\\" + version + L".json");
        MinecraftFileManager& m = Manager(id);
        DownloadInfoList list;
        int64_t total = 0;
        EXPECT_FALSE(m.CheckLibraries(list.infos, total)) << Narrow(version);
        EXPECT_EQ("Json文件(" + Narrow(tree.Path(L"versions\\" + version + L"\\" + version + L".json")) +
                      ")缺失成员\"minecraftArguments\"或此成员值不正确",
                  Narrow(m.GetErrorMsg().GetString()));
        EXPECT_TRUE(list.infos.empty());
    }
}

void CopyChain2014(const GameTree& tree, bool officialRoot) {
    for (const wchar_t* id : {L"...Mcndyx", L"..Mcndyx", L"1.7.10"}) {
        const std::wstring version = id;
        const std::wstring json = L"versions\\" + version + L"\\" + version + L".json";
        if (officialRoot && version == L"1.7.10")
            tree.CopyReal(L"versions\\official\\1.7.10.json", json);
        else
            tree.CopyReal(L"dotminecraft-2014\\" + json, json);
    }
}

TEST_F(RealGameFiles, ThreeLevelChainOf2014) {
    CopyChain2014(tree, false);
    MinecraftFileManager& m = Manager(L"...Mcndyx");
    m.useMirror = true;
    DownloadInfoList list;
    int64_t total = 0;
    ASSERT_TRUE(m.CheckLibraries(list.infos, total)) << Narrow(m.GetErrorMsg().GetString());
    ASSERT_EQ(3u, m.GetChain().size());
    // Forge's launchwrapper 1.12 is left out for LiteLoader's 1.11.
    EXPECT_EQ(51u, list.infos.size());
    int packed = 0;
    for (const DownloadInfoBase* info : list.infos) {
        const std::string path = LibraryPathOf(info);
        if (info->kind == trelm::download::kKindForgeXZLibrary) {
            ++packed;
            EXPECT_THAT(UrlsOf(info), testing::ElementsAre("http://forge.test/maven/" + path + ".pack.xz (2)"));
        } else if (path.find("minecraftforge/forge/") != std::string::npos) {
            // Forge's own jar has no checksums: fetched as it is, no mirror.
            EXPECT_THAT(UrlsOf(info), testing::ElementsAre("http://forge.test/maven/" + path + " (2)"));
        } else if (path.find("liteloader") != std::string::npos) {
            EXPECT_THAT(UrlsOf(info)[1], "http://dl.liteloader.com/versions/" + path + " (0)");
        } else {
            EXPECT_THAT(UrlsOf(info), testing::ElementsAre("http://maven.mirror.test/maven/" + path + " (1)",
                                                           "https://libraries.test/" + path + " (0)"));
        }
    }
    EXPECT_EQ(11, packed);

    // The client jar and the assets come from the root of the chain.
    DownloadInfoList others;
    ASSERT_TRUE(m.CheckClientJar(others.infos, total));
    EXPECT_EQ(Narrow(tree.Path(L"versions\\1.7.10\\1.7.10.jar")), TargetOf(others.infos[0]));
    EXPECT_THAT(UrlsOf(others.infos[0]),
                testing::ElementsAre("http://mirror.test/version/1.7.10/client (1)",
                                     "https://legacy.test/Minecraft.Download/versions/1.7.10/1.7.10.jar (0)"));
    ASSERT_TRUE(m.CheckAssetIndex(others.infos, total));
    EXPECT_THAT(UrlsOf(others.infos[1]),
                testing::ElementsAre("https://legacy.test/Minecraft.Download/indexes/1.7.10.json (0)"));
}

TEST_F(RealGameFiles, TheChildsLibraryWinsOverTheOfficialOneOfTheSamePath) {
    // The Forge JSON lists jopt-simple by name alone; the official 1.7.10
    // below it has the same jar with a URL and a SHA-1.
    CopyChain2014(tree, true);
    MinecraftFileManager& m = Manager(L"...Mcndyx");
    m.verifyDownloadSha1 = true;
    DownloadInfoList list;
    int64_t total = 0;
    ASSERT_TRUE(m.CheckLibraries(list.infos, total));
    EXPECT_EQ(52u, list.infos.size());
    const DownloadInfoBase* jopt = nullptr;
    for (const DownloadInfoBase* info : list.infos)
        if (LibraryPathOf(info) == "net/sf/jopt-simple/jopt-simple/4.5/jopt-simple-4.5.jar") jopt = info;
    ASSERT_NE(nullptr, jopt);
    EXPECT_THAT(UrlsOf(jopt),
                testing::ElementsAre("https://libraries.test/net/sf/jopt-simple/jopt-simple/4.5/jopt-simple-4.5.jar (0)"));
    EXPECT_EQ(trelm::download::kFlagFetchSha1, jopt->flags);
}

TEST_F(RealGameFiles, NativesOfTheChainAreUnpackedWithoutTheirSignatures) {
    CopyChain2014(tree, false);
    MinecraftFileManager& m = Manager(L"...Mcndyx");
    DownloadInfoList list;
    int64_t total = 0;
    ASSERT_TRUE(m.CheckLibraries(list.infos, total));
    int jars = 0;
    for (const DownloadInfoBase* info : list.infos) {
        const std::string path = LibraryPathOf(info);
        if (path.find("natives-windows") == std::string::npos) continue;
        const std::string dll = path.substr(path.rfind('/') + 1) + ".dll";
        ASSERT_NO_FATAL_FAILURE(testing_support::BuildZip(
            Widen(TargetOf(info)), {{L"META-INF/MANIFEST.MF", "m"}, {L"META-INF/MOJANG.SF", "s"}, {Widen(dll), dll}}));
        ++jars;
    }
    ASSERT_EQ(4, jars);
    ASSERT_TRUE(m.ExtractNatives()) << Narrow(m.GetErrorMsg().GetString());
    EXPECT_TRUE(tree.Exists(L"native\\...Mcndyx\\lwjgl-platform-2.9.1-natives-windows.jar.dll"));
    EXPECT_TRUE(tree.Exists(L"native\\...Mcndyx\\twitch-platform-5.16-natives-windows-32.jar.dll"));
    // lwjgl and jinput exclude "META-INF/"; the twitch natives exclude it too.
    EXPECT_FALSE(tree.Exists(L"native\\...Mcndyx\\META-INF\\MOJANG.SF"));
}

TEST_F(RealGameFiles, AssetIndexesGiveOneDescriptionPerDistinctHash) {
    static const struct {
        const wchar_t* file;
        size_t objects;
        int64_t total;
        bool isVirtual;
    } indexes[] = {
        {L"1.7.10", 674, 112220327, false},
        {L"1.12", 1290, 129367550, false},
        {L"legacy", 596, 111220701, true},
        {L"legacy-2014-pretty", 596, 111220701, true},
    };
    for (const auto& index : indexes) {
        const std::wstring name = index.file;
        tree.WriteVersion(L"v", R"({"id":"v","mainClass":"M","minecraftArguments":"","libraries":[],"assets":")" +
                                    Narrow(name) + R"("})");
        tree.CopyReal(L"assets\\indexes\\" + name + L".json", L"assets\\indexes\\" + name + L".json");
        MinecraftFileManager& m = Manager(L"v");
        m.useMirror = true;
        DownloadInfoList list;
        int64_t total = 0;
        ASSERT_TRUE(m.CheckAssetObjects(list.infos, total)) << Narrow(m.GetErrorMsg().GetString());
        EXPECT_EQ(index.objects, list.infos.size()) << Narrow(name);
        EXPECT_EQ(index.total, total) << Narrow(name);
        bool isVirtual = !index.isVirtual;
        ASSERT_TRUE(m.IsVirtualAssets(isVirtual));
        EXPECT_EQ(index.isVirtual, isVirtual) << Narrow(name);
    }
}

}  // namespace
