// Native libraries unpacked into native\<id>\: folders, excluded entries,
// files kept from earlier runs, and jars that are hostile or damaged.
#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/MinecraftFileManager.h"
#include "launcher/NativesUnzip.h"
#include "tests/launcher/GameTree.h"
#include "tests/launcher/TreeListing.h"
#include "tests/support/TestZip.h"

namespace {

using testing_support::BuildZip;
using testing_support::GameTree;
using testing_support::Narrow;
using testing_support::ReadBytes;
using testing_support::TestZipEntry;
using trelm::launcher::MinecraftFileManager;

const char kVersion[] = R"({"id":"nat","mainClass":"M","minecraftArguments":"","libraries":[
    {"name":"org.lwjgl:lwjgl-platform:2.9","natives":{"windows":"natives-windows"},
     "extract":{"exclude":["META-INF/"]}},
    {"name":"org.lwjgl:lwjgl:2.9"},
    {"name":"tv.twitch:twitch-platform:5.16","natives":{"windows":"natives-windows-${arch}"},"extract":{},
     "rules":[{"action":"allow"},{"action":"disallow","os":{"name":"windows"}}]}]})";

const wchar_t kJar[] = L"libraries\\org\\lwjgl\\lwjgl-platform\\2.9\\lwjgl-platform-2.9-natives-windows.jar";

class Natives : public testing::Test {
protected:
    void SetUp() override { tree.WriteVersion(L"nat", kVersion); }

    void WriteJar(const std::vector<TestZipEntry>& entries) {
        ASSERT_NO_FATAL_FAILURE(BuildZip(tree.Path(kJar), entries));
    }
    bool Extract() {
        manager.reset(new MinecraftFileManager(tree.Root().c_str()));
        manager->SetVersion(L"nat");
        return manager->ExtractNatives();
    }
    std::string NativeFile(const std::wstring& name) const { return ReadBytes(tree.Path(L"native\\nat\\" + name)); }
    std::string UnzipFailure() const { return "无法解压文件" + Narrow(tree.Path(kJar)); }

    GameTree tree;
    std::unique_ptr<MinecraftFileManager> manager;
};

TEST_F(Natives, UnpacksFoldersAndFilesButNotExcludedEntries) {
    WriteJar({{L"META-INF/", ""},
              {L"META-INF/MANIFEST.MF", "manifest"},
              {L"lwjgl.dll", std::string(10000, 'L')},
              {L"sub/", ""},
              {L"sub/deeper/OpenAL32.dll", "openal"},
              {L"empty.dll", ""}});
    ASSERT_TRUE(Extract()) << Narrow(manager->GetErrorMsg().GetString());
    EXPECT_EQ(std::string(10000, 'L'), NativeFile(L"lwjgl.dll"));
    EXPECT_EQ("openal", NativeFile(L"sub\\deeper\\OpenAL32.dll"));
    EXPECT_EQ("", NativeFile(L"empty.dll"));
    EXPECT_FALSE(tree.Exists(L"native\\nat\\META-INF"));
    EXPECT_FALSE(tree.Exists(L"native\\nat\\lwjgl.dll.temp"));
}

TEST_F(Natives, ExistingFilesAreKeptAndStaleTempFilesReplaced) {
    WriteJar({{L"lwjgl.dll", "new"}, {L"jinput.dll", "fresh"}});
    tree.Write(L"native\\nat\\lwjgl.dll", "in use by a running game");
    tree.Write(L"native\\nat\\jinput.dll.temp", std::string(50000, 'x'));
    ASSERT_TRUE(Extract());
    EXPECT_EQ("in use by a running game", NativeFile(L"lwjgl.dll"));
    EXPECT_EQ("fresh", NativeFile(L"jinput.dll"));
    EXPECT_FALSE(tree.Exists(L"native\\nat\\jinput.dll.temp"));
}

TEST_F(Natives, EntriesThatLeaveTheFolderFailTheExtraction) {
    static const wchar_t* const hostile[] = {L"../escape.dll", L"sub/../../escape.dll", L"/escape.dll",
                                             L"C:/escape.dll", L"sub\\..\\..\\escape.dll", L"x:y.dll",
                                             // a device, in any folder, is no place for a native either
                                             L"COM9.dll", L"sub/nul.txt", L"Aux .dll", L"con/x.dll"};
    for (const wchar_t* name : hostile) {
        WriteJar({{L"ok.dll", "ok"}, {name, "evil"}});
        EXPECT_FALSE(Extract()) << Narrow(name);
        EXPECT_EQ(UnzipFailure(), Narrow(manager->GetErrorMsg().GetString())) << Narrow(name);
        EXPECT_EQ((std::set<std::wstring>{L"ok.dll"}), testing_support::ListTree(tree.Path(L"native\\nat")))
            << Narrow(name);
        EXPECT_FALSE(tree.Exists(L"native\\escape.dll")) << Narrow(name);
        EXPECT_FALSE(tree.Exists(L"escape.dll")) << Narrow(name);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((tree.Root() + L"escape.dll").c_str()));
    }
}

TEST_F(Natives, DamagedOrMissingJarsFailWithoutLeftovers) {
    EXPECT_FALSE(Extract());  // no jar at all
    EXPECT_EQ(UnzipFailure(), Narrow(manager->GetErrorMsg().GetString()));

    // A stored entry whose bytes were damaged after packing: the CRC check
    // at its end fails and no half file is left.
    const std::string payload(20000, 'P');
    WriteJar({{L"damaged.dll", payload, true}});
    std::string jar = ReadBytes(tree.Path(kJar));
    const size_t at = jar.find(payload);
    ASSERT_NE(std::string::npos, at);
    jar[at + 15000] = 'Q';
    tree.Write(kJar, jar);
    EXPECT_FALSE(Extract());
    EXPECT_FALSE(tree.Exists(L"native\\nat\\damaged.dll"));
    EXPECT_FALSE(tree.Exists(L"native\\nat\\damaged.dll.temp"));

    // Cut short inside the entry's data: the archive no longer opens.
    WriteJar({{L"cut.dll", payload, true}});
    jar = ReadBytes(tree.Path(kJar));
    tree.Write(kJar, jar.substr(0, jar.find(payload) + 100));
    EXPECT_FALSE(Extract());
    EXPECT_FALSE(tree.Exists(L"native\\nat\\cut.dll"));
}

// A small jar may inflate to gigabytes: an entry past the bound fails the
// extraction and leaves nothing of itself behind.
TEST_F(Natives, EntryLargerThanAnyNativeLibraryFailsTheExtraction) {
    WriteJar({{L"ok.dll", "ok"}, {L"zeros.dll", std::string(trelm::launcher::kMaxNativeEntryBytes + 1, '\0')}});
    EXPECT_FALSE(Extract());
    EXPECT_EQ(UnzipFailure(), Narrow(manager->GetErrorMsg().GetString()));
    EXPECT_FALSE(tree.Exists(L"native\\nat\\zeros.dll"));
    EXPECT_FALSE(tree.Exists(L"native\\nat\\zeros.dll.temp"));
}

TEST(UnzipNatives, ExcludesCompareRawNamesAsPrefixes) {
    testing_support::TempDir dir;
    ASSERT_NO_FATAL_FAILURE(BuildZip(dir / L"n.jar", {{L"META-INF/A.SF", "a"}, {L"meta-inf/b", "b"}, {L"METAX", "c"}}));
    std::vector<AString> excludes(1);
    excludes[0].AssignWide(L"META-INF/", 9);
    ASSERT_TRUE(trelm::launcher::UnzipNatives((dir / L"n.jar").c_str(), (dir / L"out\\").c_str(), excludes));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir / L"out\\META-INF\\A.SF").c_str()));
    EXPECT_EQ("b", ReadBytes(dir / L"out\\meta-inf\\b"));
    EXPECT_EQ("c", ReadBytes(dir / L"out\\METAX"));

    // An archive without entries (only its end record) is fine.
    testing_support::WriteBytes(dir / L"empty.jar", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    EXPECT_TRUE(trelm::launcher::UnzipNatives((dir / L"empty.jar").c_str(), (dir / L"out2\\").c_str(), {}));
}

}  // namespace
