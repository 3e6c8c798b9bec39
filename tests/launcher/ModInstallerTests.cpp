// OptiFine and LiteLoader installed as versions derived from an installed
// one, or as mods.
#include <windows.h>

#include <gtest/gtest.h>

#include "core/Endpoints.h"
#include "core/JsonFile.h"
#include "launcher/LiteloaderInstaller.h"
#include "launcher/MinecraftFileManager.h"
#include "launcher/OptiFineInstaller.h"
#include "tests/launcher/GameTree.h"
#include "tests/launcher/TreeListing.h"

namespace {

using testing_support::GameTree;
using testing_support::ListTree;
using testing_support::Narrow;
using trelm::launcher::LiteloaderInstaller;
using trelm::launcher::OptiFineInstaller;
using trelm::launcher::VersionInfo;

const char kJarBytes[] = "the downloaded jar";

struct Jar : wendal_::byte_buffer {
    Jar() { Write(kJarBytes, sizeof kJarBytes - 1); }
};

VersionInfo Record(const wchar_t* id, const wchar_t* rootId) {
    VersionInfo info;
    info.id = id;
    info.rootId = rootId;
    return info;
}

std::string Member(const JsonValue& document, const wchar_t* name) {
    const JsonValue* value = FindJsonMember(document, name);
    return IsJsonString(value) ? Narrow(value->GetString()) : "(none)";
}

std::vector<std::string> LibraryNames(const JsonValue& document) {
    std::vector<std::string> names;
    for (const JsonValue& library : FindJsonMember(document, L"libraries")->GetArray())
        names.push_back(Member(library, L"name") + (FindJsonMember(library, L"url") ? " " + Member(library, L"url") : ""));
    return names;
}

class ModInstallers : public testing::Test {
protected:
    void SetUp() override {
        tree.WriteVersion(L"1.12.2", R"({"id":"1.12.2","assets":"1.12","mainClass":"net.minecraft.client.main.Main",
            "minecraftArguments":"--username ${auth_player_name}","libraries":[{"name":"a:b:1"}]})");
    }
    JsonDocument& Load(const std::wstring& id) {
        EXPECT_TRUE(LoadJsonFile(&document, tree.Path(L"versions\\" + id + L"\\" + id + L".json").c_str()))
            << Narrow(id);
        return document;
    }

    GameTree tree;
    JsonDocument document;
};

TEST_F(ModInstallers, OptiFineThenLiteLoaderOverItAsVersions) {
    OptiFineInstaller optifine(tree.Root().c_str());
    ASSERT_TRUE(optifine.InstallAsVersion(Jar(), L"1.12.2", L"HD_U", L"E3", L"1.12.2"))
        << Narrow(optifine.GetErrorMsg().GetString());
    JsonDocument& derived = Load(L"1.12.2-OptiFine_HD_U_E3");
    EXPECT_EQ("1.12.2-OptiFine_HD_U_E3", Member(derived, L"id"));
    EXPECT_EQ("1.12.2", Member(derived, L"inheritsFrom"));
    EXPECT_EQ("1.12", Member(derived, L"assets"));  // the rest stays
    EXPECT_EQ("net.minecraft.launchwrapper.Launch", Member(derived, L"mainClass"));
    EXPECT_EQ("--username ${auth_player_name}  --tweakClass optifine.OptiFineTweaker",
              Member(derived, L"minecraftArguments"));
    EXPECT_EQ((std::vector<std::string>{"optifine:OptiFine:1.12.2_HD_U_E3", "net.minecraft:launchwrapper:1.7"}),
              LibraryNames(derived));
    EXPECT_EQ(kJarBytes, testing_support::ReadBytes(tree.Path(
                             L"libraries\\optifine\\OptiFine\\1.12.2_HD_U_E3\\OptiFine-1.12.2_HD_U_E3.jar")));

    // The build's libraries as the LiteLoader list gives them; an entry without a name is no library.
    JsonDocument build;
    ASSERT_TRUE(ParseJsonText(LR"([{"name":"net.minecraft:launchwrapper:1.12"},{"url":"http://x/"},
        {"name":"org.ow2.asm:asm-all:5.0.3","url":"https://repo.example/"}])",
                              &build));
    LiteloaderInstaller liteloader(tree.Root().c_str());
    ASSERT_TRUE(liteloader.InstallAsVersion(Jar(), L"1.12.2", Record(L"1.12.2-OptiFine_HD_U_E3", L"1.12.2"), &build))
        << Narrow(liteloader.GetErrorMsg().GetString());
    const std::wstring id = L"1.12.2-OptiFine_HD_U_E3-LiteLoader1.12.2";
    JsonDocument& both = Load(id);
    EXPECT_EQ("1.12.2-OptiFine_HD_U_E3", Member(both, L"inheritsFrom"));
    EXPECT_EQ("--tweakClass com.tolvane.liteloader.launch.LiteLoaderTweaker  --username ${auth_player_name}  "
              "--tweakClass optifine.OptiFineForgeTweaker",
              Member(both, L"minecraftArguments"));
    // Without launchwrapper and asm LiteLoader's tweaker cannot start.
    EXPECT_EQ((std::vector<std::string>{"com.tolvane:liteloader:1.12.2 " +
                                            Narrow(trelm::EndpointBase(trelm::Endpoint::LiteLoader).GetString()) +
                                            "/versions/",
                                        "net.minecraft:launchwrapper:1.12",
                                        "org.ow2.asm:asm-all:5.0.3 https://repo.example/"}),
              LibraryNames(both));

    // The game-tree code reads the three-level chain. Of the two
    // launchwrappers, OptiFine's 1.7 and the LiteLoader build's 1.12, only
    // LiteLoader's is fetched (and put on the class path, from the same list).
    trelm::launcher::MinecraftFileManager manager(tree.Root().c_str());
    manager.SetVersion(id.c_str());
    testing_support::DownloadInfoList missing;
    int64_t total = 0;
    EXPECT_TRUE(manager.CheckLibraries(missing.infos, total)) << Narrow(manager.GetErrorMsg().GetString());
    EXPECT_EQ(3u, manager.GetChain().size());
    const std::string launchwrapper = Narrow(tree.Path(L"libraries\\net\\minecraft\\launchwrapper\\"));
    std::vector<std::string> fetched;
    for (const auto* info : missing.infos)
        if (testing_support::TargetOf(info).find(launchwrapper) == 0) fetched.push_back(testing_support::TargetOf(info));
    EXPECT_EQ(std::vector<std::string>{launchwrapper + "1.12\\launchwrapper-1.12.jar"}, fetched);
}

TEST_F(ModInstallers, BaseWithoutArgumentsAndFailures) {
    tree.WriteVersion(L"bare", R"({"id":"bare"})");
    OptiFineInstaller optifine(tree.Root().c_str());
    ASSERT_TRUE(optifine.InstallAsVersion(Jar(), L"1.8", L"HD_U", L"H8", L"bare"));
    EXPECT_EQ("  --tweakClass optifine.OptiFineTweaker", Member(Load(L"bare-OptiFine_HD_U_H8"), L"minecraftArguments"));

    tree.WriteVersion(L"broken", "{");
    const auto before = ListTree(tree.Root());
    EXPECT_FALSE(optifine.InstallAsVersion(Jar(), L"1.8", L"HD_U", L"H8", L"gone"));
    EXPECT_EQ(u8"读取文件失败:" + Narrow(tree.Path(L"versions\\gone\\gone.json")),
              Narrow(optifine.GetErrorMsg().GetString()));
    EXPECT_FALSE(optifine.InstallAsVersion(Jar(), L"1.8", L"HD_U", L"H8", L"broken"));
    EXPECT_EQ(u8"解析Json文件失败:" + Narrow(tree.Path(L"versions\\broken\\broken.json")),
              Narrow(optifine.GetErrorMsg().GetString()));
    // A folder where the library goes: the new JSON does not stay either.
    const std::wstring library = L"libraries\\optifine\\OptiFine\\1.12.2_HD_U_E4\\OptiFine-1.12.2_HD_U_E4.jar";
    tree.Write(library + L"\\in the way", "x");
    const auto blocked = ListTree(tree.Root());
    EXPECT_FALSE(optifine.InstallAsVersion(Jar(), L"1.12.2", L"HD_U", L"E4", L"1.12.2"));
    EXPECT_EQ(u8"写入文件失败:" + Narrow(tree.Path(library)), Narrow(optifine.GetErrorMsg().GetString()));
    EXPECT_EQ(blocked, ListTree(tree.Root()));
}

TEST_F(ModInstallers, ModsLandInTheirFolders) {
    OptiFineInstaller optifine(tree.Root().c_str());
    WString folder, name;
    ASSERT_TRUE(optifine.InstallAsMod(Jar(), L"1.12.2", L"HD_U", L"E3", L"1.12.2", false, &folder, &name));
    EXPECT_EQ(Narrow(tree.Path(L"mods\\")), Narrow(folder.GetString()));
    EXPECT_EQ("OptiFine_1.12.2_HD_U_E3.jar", Narrow(name.GetString()));
    EXPECT_EQ(kJarBytes, testing_support::ReadBytes(tree.Path(L"mods\\OptiFine_1.12.2_HD_U_E3.jar")));

    LiteloaderInstaller liteloader(tree.Root().c_str());
    ASSERT_TRUE(liteloader.InstallAsMod(Jar(), L"1.12.2-SNAPSHOT", Record(L"my-forge", L"1.12.2"), true, &folder, &name));
    EXPECT_EQ(Narrow(tree.Path(L"versions\\my-forge\\mods\\1.12.2\\")), Narrow(folder.GetString()));
    EXPECT_EQ("liteloader-1.12.2-snapshot.jar", Narrow(name.GetString()));
    EXPECT_TRUE(tree.Exists(L"versions\\my-forge\\mods\\1.12.2\\liteloader-1.12.2-snapshot.jar"));
}

// Names from the download lists and "inheritsFrom" texts become folder and
// file names; none may leave the folders meant for them.
TEST_F(ModInstallers, HostileNamesAreRefusedAndNothingIsWritten) {
    const auto before = ListTree(tree.Root());
    OptiFineInstaller optifine(tree.Root().c_str());
    LiteloaderInstaller liteloader(tree.Root().c_str());
    const struct {
        const wchar_t* gameVersion;
        const wchar_t* type;
        const wchar_t* edition;
        const char* message;
    } names[] = {{L"1.12.2", L"..\\..\\x", L"E3", u8"名称无效:..\\..\\x"},
                 {L"1.12.2", L"HD_U", L"a/b", u8"名称无效:a/b"},
                 {L"c:", L"HD_U", L"E3", u8"名称无效:c:"},
                 {L"1.12.2", L"..", L"E3", u8"名称无效:.."},
                 {L"1.12.2", L"", L"E3", u8"名称无效:"}};
    for (const auto& n : names) {
        EXPECT_FALSE(optifine.InstallAsVersion(Jar(), n.gameVersion, n.type, n.edition, L"1.12.2"));
        EXPECT_EQ(n.message, Narrow(optifine.GetErrorMsg().GetString()));
        EXPECT_FALSE(optifine.InstallAsMod(Jar(), n.gameVersion, n.type, n.edition, L"1.12.2", true, nullptr, nullptr));
        EXPECT_EQ(n.message, Narrow(optifine.GetErrorMsg().GetString()));
    }
    EXPECT_FALSE(optifine.InstallAsMod(Jar(), L"1.12.2", L"HD_U", L"E3", L"..", true, nullptr, nullptr));
    EXPECT_FALSE(liteloader.InstallAsVersion(Jar(), L"..\\..\\x", Record(L"1.12.2", L"1.12.2"), nullptr));
    EXPECT_EQ(u8"名称无效:..\\..\\x", Narrow(liteloader.GetErrorMsg().GetString()));
    EXPECT_FALSE(liteloader.InstallAsVersion(Jar(), L"1.12.2", Record(L"..\\..", L"1.12.2"), nullptr));
    // The version names the library's folder: a device there takes the jar.
    EXPECT_FALSE(liteloader.InstallAsVersion(Jar(), L"COM1", Record(L"1.12.2", L"1.12.2"), nullptr));
    EXPECT_EQ(u8"名称无效:com.tolvane:liteloader:COM1", Narrow(liteloader.GetErrorMsg().GetString()));
    EXPECT_FALSE(liteloader.InstallAsMod(Jar(), L"1.12.2", Record(L"x", L"..\\..\\..\\evil"), false, nullptr, nullptr));
    EXPECT_EQ(u8"名称无效:..\\..\\..\\evil", Narrow(liteloader.GetErrorMsg().GetString()));
    EXPECT_FALSE(liteloader.InstallAsMod(Jar(), L"1.12.2", Record(L"a/../..", L"1.12.2"), true, nullptr, nullptr));
    EXPECT_EQ(before, ListTree(tree.Root()));
}

}  // namespace
