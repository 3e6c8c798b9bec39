// The Forge installer on installer jars built here: the real profiles of
// Forge and LiteLoader installers, and damaged or hostile ones.
#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/ForgeInstaller.h"
#include "launcher/InstallFiles.h"
#include "launcher/MinecraftFileManager.h"
#include "launcher/MinecraftList.h"
#include "tests/launcher/GameTree.h"
#include "tests/launcher/TreeListing.h"
#include "tests/support/TestZip.h"

namespace {

using testing_support::DownloadInfoList;
using testing_support::GameTree;
using testing_support::ListTree;
using testing_support::Narrow;
using testing_support::TestZipEntry;
using testing_support::Widen;
using trelm::launcher::ForgeInstaller;
using trelm::launcher::LoadBaseVersionJson;

const char kUniversal[] = "PK\x05\x06 the universal jar";

void MakeJar(const std::vector<TestZipEntry>& entries, wendal_::byte_buffer& out) {
    testing_support::TempDir dir;
    ASSERT_NO_FATAL_FAILURE(testing_support::BuildZip(dir / L"installer.jar", entries));
    const std::string bytes = testing_support::ReadBytes(dir / L"installer.jar");
    ASSERT_TRUE(out.Write(bytes.data(), static_cast<uint32_t>(bytes.size())));
}

std::string Profile(const std::string& target, const std::string& path, const std::string& versionInfo) {
    return R"({"install":{"target":")" + target + R"(","path":")" + path +
           R"(","filePath":"forge.jar"},"versionInfo":)" + versionInfo + "}";
}

std::string VersionInfoOf(const std::string& id, const std::string& extra) {
    return R"({"id":")" + id + R"(","mainClass":"M","minecraftArguments":"--a","libraries":[])" + extra + "}";
}

bool Install(const GameTree& tree, const std::vector<TestZipEntry>& entries, std::string* message) {
    wendal_::byte_buffer jar;
    MakeJar(entries, jar);
    ForgeInstaller installer(tree.Root().c_str());
    const bool ok = installer.Install(jar, L"installer.jar");
    *message = Narrow(installer.GetErrorMsg().GetString());
    return ok;
}

struct BadInstaller {
    const char* name;
    std::vector<TestZipEntry> entries;
    const char* message;
};

TEST(ForgeInstaller, BadInstallersFailWithTheirReasonAndChangeNothing) {
    const std::string parent = R"(,"inheritsFrom":"1.7.10")";
    const std::string good = VersionInfoOf("f", parent);
    const std::string bigProfile = "{" + std::string(11 * 1024 * 1024, ' ') + "}";
    const char* badMember = u8"Json文件(install_profile.json)缺失成员\"install\"或此成员值不正确";
    const std::vector<BadInstaller> cases = {
        {"no profile", {{L"forge.jar", kUniversal}}, u8"解压压缩文件失败:installer.jar,install_profile.json"},
        {"profile over 10 MiB", {{L"install_profile.json", bigProfile}}, u8"解压压缩文件失败:installer.jar,install_profile.json"},
        {"not JSON", {{L"install_profile.json", "{\"install\":"}}, u8"解析Json文件失败:install_profile.json"},
        {"root is an array", {{L"install_profile.json", "[]"}}, u8"解析Json文件失败:install_profile.json"},
        // 3 MB, under the size limit, that the version JSON's writer would
        // have recursed into once per level.
        {"versionInfo nested a million deep",
         {{L"install_profile.json",
           Profile("f", "a:b:1", VersionInfoOf("f", R"(,"x":)" + std::string(1000000, '[') + std::string(1000000, ']')))},
          {L"forge.jar", kUniversal}},
         u8"解析Json文件失败:install_profile.json"},
        {"no filePath",
         {{L"install_profile.json", R"({"install":{"target":"f","path":"a:b:1"},"versionInfo":{}})"}},
         badMember},
        {"no versionInfo",
         {{L"install_profile.json", R"({"install":{"target":"f","path":"a:b:1","filePath":"x"}})"}},
         u8"Json文件(install_profile.json)缺失成员\"versionInfo\"或此成员值不正确"},
        {"target climbs", {{L"install_profile.json", Profile(R"(..\\..\\x)", "a:b:1", good)}}, badMember},
        {"target with a slash", {{L"install_profile.json", Profile("a/b", "a:b:1", good)}}, badMember},
        {"target with a drive", {{L"install_profile.json", Profile("c:x", "a:b:1", good)}}, badMember},
        {"target is ..", {{L"install_profile.json", Profile("..", "a:b:1", good)}}, badMember},
        {"target is empty", {{L"install_profile.json", Profile("", "a:b:1", good)}}, badMember},
        {"target is a device", {{L"install_profile.json", Profile("Con", "a:b:1", good)}, {L"forge.jar", kUniversal}},
         badMember},
        {"path through a device",
         {{L"install_profile.json", Profile("f", "a:lpt1:1", good)}, {L"forge.jar", kUniversal}},
         u8"a:lpt1:1不是有效的library名称"},
        {"path without version", {{L"install_profile.json", Profile("f", "a:b", good)}}, u8"a:b不是有效的library名称"},
        {"path climbs",
         {{L"install_profile.json", Profile("f", "a:b:../../../x", good)}, {L"forge.jar", kUniversal}},
         u8"a:b:../../../x不是有效的library名称"},
        {"path with a backslash",
         {{L"install_profile.json", Profile("f", R"(a:b:1\\x)", good)}, {L"forge.jar", kUniversal}},
         u8"a:b:1\\x不是有效的library名称"},
        {"library entry missing", {{L"install_profile.json", Profile("f", "a:b:1", good)}},
         u8"解压压缩文件失败:installer.jar,forge.jar"},
    };
    GameTree tree;
    tree.WriteVersion(L"1.7.10", VersionInfoOf("1.7.10", ""));
    tree.Write(L"saves\\w\\level.dat", "x");
    const auto before = ListTree(tree.Root());
    for (const BadInstaller& c : cases) {
        std::string message;
        EXPECT_FALSE(Install(tree, c.entries, &message)) << c.name;
        EXPECT_EQ(c.message, message) << c.name;
        EXPECT_EQ(before, ListTree(tree.Root())) << c.name;
    }

    wendal_::byte_buffer notZip;
    notZip.Write("PK\x03\x04 cut short", 14);
    ForgeInstaller installer(tree.Root().c_str());
    EXPECT_FALSE(installer.Install(notZip, L"installer.jar"));
    EXPECT_EQ(u8"打开压缩文件失败:installer.jar", Narrow(installer.GetErrorMsg().GetString()));
    EXPECT_FALSE(installer.Install(wendal_::byte_buffer(), L"empty.jar"));

    // A library whose stored bytes were damaged fails its CRC check.
    wendal_::byte_buffer damaged;
    MakeJar({{L"install_profile.json", Profile("f", "a:b:1", good)}, {L"forge.jar", kUniversal, true}}, damaged);
    const std::string bytes(reinterpret_cast<const char*>(damaged.GetData()), damaged.GetSize());
    damaged.GetData()[bytes.find("universal")] ^= 0x20;
    EXPECT_FALSE(installer.Install(damaged, L"installer.jar"));
    EXPECT_EQ(u8"解压压缩文件失败:installer.jar,forge.jar", Narrow(installer.GetErrorMsg().GetString()));
    EXPECT_EQ(before, ListTree(tree.Root()));
}

TEST(ForgeInstaller, VersionWithoutParentGetsTheLibraryAsJarAndAFailedReinstallKeepsIt) {
    GameTree tree;
    std::string message;
    const std::string profile = Profile("solo", "net.minecraftforge:forge:1", VersionInfoOf("solo", ""));
    ASSERT_TRUE(Install(tree, {{L"install_profile.json", profile}, {L"forge.jar", kUniversal}}, &message)) << message;
    const std::wstring library = L"libraries\\net\\minecraftforge\\forge\\1\\forge-1.jar";
    EXPECT_EQ(kUniversal, testing_support::ReadBytes(tree.Path(library)));
    EXPECT_EQ(kUniversal, testing_support::ReadBytes(tree.Path(L"versions\\solo\\solo.jar")));
    const std::string json = testing_support::ReadBytes(tree.Path(L"versions\\solo\\solo.json"));

    // The same version again from an installer that lacks its library: the
    // installed version stays as it was.
    const auto before = ListTree(tree.Root());
    const std::string changed = Profile("solo", "net.minecraftforge:forge:1", VersionInfoOf("solo", R"(,"x":1)"));
    EXPECT_FALSE(Install(tree, {{L"install_profile.json", changed}}, &message));
    EXPECT_EQ(before, ListTree(tree.Root()));
    EXPECT_EQ(json, testing_support::ReadBytes(tree.Path(L"versions\\solo\\solo.json")));
    EXPECT_EQ(kUniversal, testing_support::ReadBytes(tree.Path(library)));

    // The JSON goes last, after the new library and jar replaced the old
    // ones; when it cannot be written (a folder stands where it is written
    // first) they are put back.
    const std::wstring blocker = tree.Path(L"versions\\solo\\solo.json.tmp");
    ASSERT_TRUE(CreateDirectoryW(blocker.c_str(), nullptr));
    EXPECT_FALSE(
        Install(tree, {{L"install_profile.json", changed}, {L"forge.jar", "PK\x05\x06 another build"}}, &message));
    RemoveDirectoryW(blocker.c_str());
    EXPECT_EQ(u8"写入文件失败:" + Narrow(tree.Path(L"versions\\solo\\solo.json")), message);
    EXPECT_EQ(before, ListTree(tree.Root()));
    EXPECT_EQ(kUniversal, testing_support::ReadBytes(tree.Path(library)));
    EXPECT_EQ(kUniversal, testing_support::ReadBytes(tree.Path(L"versions\\solo\\solo.jar")));
}

// The profile is UTF-8, as its producer writes it; under code page 936 an
// ANSI reading swallows the backslash after "中" and mangles "作者: …".
// The version JSON is then written and read back in the ANSI code page,
// like every other version JSON.
TEST(ForgeInstaller, ProfileIsReadAsUtf8) {
    if (GetACP() != 936) GTEST_SKIP() << "the texts need code page 936 to survive the version JSON's ANSI form";
    GameTree tree;
    tree.WriteVersion(L"1.7.10", VersionInfoOf("1.7.10", ""));
    const std::string extra = u8R"(,"inheritsFrom":"1.7.10","author":"作者: …","folder":"中\\")";
    for (const char* mark : {"", "\xEF\xBB\xBF"}) {
        std::string message;
        ASSERT_TRUE(Install(tree, {{L"install_profile.json", mark + Profile("utf", "a:b:1", VersionInfoOf("utf", extra))},
                                   {L"forge.jar", kUniversal}},
                            &message))
            << message;
        JsonDocument written;
        WString error;
        ASSERT_TRUE(LoadBaseVersionJson(ForgeInstaller(tree.Root().c_str()), L"utf", written, &error))
            << Narrow(error.GetString());
        EXPECT_EQ(L"作者: …", std::wstring(written[L"author"].GetString())) << mark;
        EXPECT_EQ(L"中\\", std::wstring(written[L"folder"].GetString())) << mark;
    }
}

class RealInstallers : public testing::Test {
protected:
    static void SetUpTestSuite() { testing_support::UseFixedEndpoints(); }
    void SetUp() override { SKIP_WITHOUT_REAL_DATA(); }

    // Packs the real profile with a stand-in for the library it names.
    bool InstallReal(const std::wstring& profile, const std::wstring& libraryEntry, std::string* message) {
        const std::string text = testing_support::ReadBytes(testing_support::RealTestDataDir() + profile);
        return Install(tree, {{L"install_profile.json", text}, {libraryEntry, kUniversal}}, message);
    }

    GameTree tree;
};

struct RealProfile {
    const wchar_t* profile;
    const wchar_t* libraryEntry;
    const wchar_t* parent;
    const wchar_t* target;
    const wchar_t* library;  // below libraries\ .
};

TEST_F(RealInstallers, ForgeAndLiteLoaderProfilesInstallAndLoad) {
    const RealProfile profiles[] = {
        {L"forge\\meta-upstream\\install_profile-1.7.10-10.13.4.1614-1.7.10.json",
         L"forge-1.7.10-10.13.4.1614-1.7.10-universal.jar", L"1.7.10", L"1.7.10-Forge10.13.4.1614-1.7.10",
         L"net\\minecraftforge\\forge\\1.7.10-10.13.4.1614-1.7.10\\forge-1.7.10-10.13.4.1614-1.7.10.jar"},
        {L"forge\\meta-upstream\\install_profile-1.8.9-11.15.1.2318-1.8.9.json",
         L"forge-1.8.9-11.15.1.2318-1.8.9-universal.jar", L"1.8.9", L"1.8.9-forge1.8.9-11.15.1.2318-1.8.9",
         L"net\\minecraftforge\\forge\\1.8.9-11.15.1.2318-1.8.9\\forge-1.8.9-11.15.1.2318-1.8.9.jar"},
        {L"forge\\meta-upstream\\install_profile-1.12.2-14.23.5.2847.json", L"forge-1.12.2-14.23.5.2847-universal.jar",
         L"1.12.2", L"1.12.2-forge1.12.2-14.23.5.2847",
         L"net\\minecraftforge\\forge\\1.12.2-14.23.5.2847\\forge-1.12.2-14.23.5.2847.jar"},
        {L"liteloader\\install_profile-1.12.2.json", L"liteloader-1.12.2-SNAPSHOT-release.jar", L"1.12.2",
         L"1.12.2-LiteLoader1.12.2", L"com\\mumfrey\\liteloader\\1.12.2-SNAPSHOT\\liteloader-1.12.2-SNAPSHOT.jar"},
    };
    for (const RealProfile& p : profiles) {
        const std::wstring parent = p.parent;
        tree.CopyReal(L"versions\\official\\" + parent + L".json", L"versions\\" + parent + L"\\" + parent + L".json");
        std::string message;
        ASSERT_TRUE(InstallReal(p.profile, p.libraryEntry, &message)) << Narrow(p.profile) << ": " << message;
        EXPECT_EQ(kUniversal, testing_support::ReadBytes(tree.Path(L"libraries\\" + std::wstring(p.library))));
        EXPECT_FALSE(tree.Exists(L"versions\\" + std::wstring(p.target) + L"\\" + p.target + L".jar"));

        trelm::launcher::MinecraftFileManager manager(tree.Root().c_str());
        manager.SetVersion(p.target);
        DownloadInfoList missing;
        int64_t total = 0;
        ASSERT_TRUE(manager.CheckLibraries(missing.infos, total)) << Narrow(manager.GetErrorMsg().GetString());
        ASSERT_EQ(2u, manager.GetChain().size()) << Narrow(p.target);
        EXPECT_FALSE(missing.infos.empty());
        for (const auto* info : missing.infos)
            EXPECT_EQ(std::string::npos, testing_support::TargetOf(info).find(Narrow(p.library))) << "installed";
    }
    // No 1.8 JSON is at hand: the version is listed with its missing parent.
    std::string message;
    ASSERT_TRUE(InstallReal(L"liteloader\\install_profile-1.8.json", L"liteloader-1.8.jar", &message)) << message;
    trelm::launcher::MinecraftList list(tree.Root().c_str());
    ASSERT_TRUE(list.Refresh());
    EXPECT_EQ(8u, list.versions.size());
    EXPECT_EQ(L"1.8", std::wstring(list.versions[static_cast<size_t>(list.FindById(L"1.8-LiteLoader1.8"))].rootId));
    const auto& forge = list.versions[static_cast<size_t>(list.FindById(L"1.7.10-Forge10.13.4.1614-1.7.10"))];
    EXPECT_EQ(3u, forge.kind);
    EXPECT_EQ(L"1.7.10", std::wstring(forge.rootId.GetString()));
}

TEST_F(RealInstallers, LiteLoaderProfileWithATrailingCommaIsRefused) {
    tree.CopyReal(L"versions\\official\\1.7.10.json", L"versions\\1.7.10\\1.7.10.json");
    const auto before = ListTree(tree.Root());
    std::string message;
    EXPECT_FALSE(InstallReal(L"liteloader\\install_profile-1.7.10-trailing-comma.json", L"liteloader-1.7.10.jar",
                             &message));
    EXPECT_EQ(u8"解析Json文件失败:install_profile.json", message);
    EXPECT_EQ(before, ListTree(tree.Root()));
}

}  // namespace
