// The game's Java command line, compared string for string with what the
// fake java.exe recorded, for real version JSONs and for a synthetic one
// that holds every placeholder.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "launcher/JavaRuntimeList.h"
#include "launcher/MinecraftLauncher.h"
#include "tests/launcher/GameTree.h"
#include "tests/launcher/RealClassPaths.h"
#include "tests/support/FakeJava.h"
#include "tests/support/TestSystem.h"

namespace {

using testing_support::FakeJavaHome;
using testing_support::GameTree;
using testing_support::Narrow;
using testing_support::Widen;
using trelm::launcher::JavaRuntimeInfo;
using trelm::launcher::LaunchGameOptions;
using trelm::launcher::LaunchJvmOptions;
using trelm::launcher::MinecraftLauncher;

const wchar_t kHeapDump[] =
    L"-XX:HeapDumpPath=MojangTricksIntelDriversForPerformance_javaw.exe_minecraft.exe.heapdump";
const wchar_t kFml[] = L"-Dfml.ignoreInvalidMinecraftCertificates=true -Dfml.ignorePatchDiscrepancies=true";

JavaRuntimeInfo RegistryJava(const std::wstring& home) {
    JavaRuntimeInfo java;
    java.path = home.c_str();
    java.origin = trelm::launcher::kJavaFromRegistry;
    return java;
}

JavaRuntimeInfo ChosenJava(const std::wstring& exe) {
    JavaRuntimeInfo java;
    java.path = exe.c_str();
    java.origin = trelm::launcher::kJavaAddedByPlayer;
    return java;
}

// The command line assembled in the order the launcher documents: quoted
// executable, JVM options, game head, library path, FML switches, class path,
// main class, arguments, window size, game tail.
struct ExpectedLine {
    std::wstring exe, jvmHead, jvmTail, gameHead, gameTail, natives, mainClass, arguments;
    std::vector<std::wstring> classPath;  // full paths, the client jar last
    int heap = 0, width = 854, height = 480;
    bool fullScreen = false;

    std::wstring Text() const {
        std::wstring line = L"\"" + exe + L"\" " + jvmHead + L" " + kHeapDump + L" -Xmx" + std::to_wstring(heap) +
                            L"m " + jvmTail + L" " + gameHead + L" \"-Djava.library.path=" + natives + L"\" " + kFml +
                            L" -cp \"";
        for (size_t i = 0; i < classPath.size(); ++i) line += classPath[i] + (i + 1 < classPath.size() ? L";" : L"");
        line += L"\" " + mainClass + L" " + arguments + L" --height " + std::to_wstring(height) + L" --width " +
                std::to_wstring(width) + L" " + (fullScreen ? L"--fullscreen" : L"") + L" " + gameTail;
        return line;
    }
};

class LaunchCommand : public testing::Test {
protected:
    void SetUp() override { java.SetScript(""); }  // just the record
    std::wstring Mc(const std::wstring& relative = L"") const { return tree.Root() + L".minecraft" + relative; }
    std::vector<std::wstring> Libraries(const char* const* paths, size_t count) const {
        std::vector<std::wstring> out;
        for (size_t i = 0; i < count; ++i) {
            std::wstring path = Widen(paths[i]);
            for (wchar_t& c : path)
                if (c == L'/') c = L'\\';
            out.push_back(Mc(L"\\libraries\\") + path);
        }
        return out;
    }

    // Starts the game through the fake Java and returns what it recorded.
    testing_support::FakeToolRun Run(MinecraftLauncher& launcher, const LaunchJvmOptions& jvm,
                                     const LaunchGameOptions& game, WString* commandLine, WString* folder) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        EXPECT_TRUE(launcher.Launch(jvm, game, false, &startup, &process, commandLine, folder))
            << Narrow(launcher.GetErrorMsg().GetString());
        if (process.hProcess == nullptr) return {};
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 30000));
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        const auto runs = java.Runs();
        EXPECT_EQ(++launches, runs.size());
        return runs.empty() ? testing_support::FakeToolRun() : runs.back();
    }

    GameTree tree;
    FakeJavaHome java;
    size_t launches = 0;
};

void CopyReal(const GameTree& tree, const std::wstring& from, const std::wstring& id) {
    tree.CopyReal(from, L"versions\\" + id + L"\\" + id + L".json");
}

TEST_F(LaunchCommand, RealVersionsGiveTheDocumentedLineAndFolder) {
    SKIP_WITHOUT_REAL_DATA();
    using namespace real_class_paths;
    CopyReal(tree, L"versions\\official\\1.7.10.json", L"1.7.10");
    CopyReal(tree, L"versions\\official\\1.12.2.json", L"1.12.2");
    for (const wchar_t* id : {L"...Mcndyx", L"..Mcndyx"})
        CopyReal(tree, std::wstring(L"dotminecraft-2014\\versions\\") + id + L"\\" + id + L".json", id);
    const std::wstring args17 =
        L"--username Steve --version 1.7.10 --gameDir \"" + Mc() + L"\" --assetsDir \"" + Mc(L"\\assets") +
        L"\" --assetIndex 1.7.10 --uuid a5c66531133550d78dbcd93a82c40bb1 --accessToken ${auth_access_token} "
        L"--userProperties {} --userType Legacy";

    {  // Official 1.7.10, a registry runtime started as java.exe, offline.
        MinecraftLauncher launcher(tree.Root().c_str());
        launcher.SetVersionAndJava(L"1.7.10", RegistryJava(java.Home()));
        LaunchJvmOptions jvm;
        jvm.jvmHead = L"-Dhead=1";
        jvm.jvmTail = L"-XX:+UseG1GC";
        jvm.heapMB = 1024;
        jvm.useJavaExe = true;
        LaunchGameOptions game;
        game.playerName = L"Steve";
        game.gameTail = L"--tail";
        ExpectedLine expected;
        expected.exe = java.JavaExe();
        expected.jvmHead = L"-Dhead=1";
        expected.jvmTail = L"-XX:+UseG1GC";
        expected.heap = 1024;
        expected.natives = Mc(L"\\native\\1.7.10");
        expected.classPath = Libraries(k1_7_10ClassPath, std::size(k1_7_10ClassPath));
        expected.classPath.push_back(Mc(L"\\versions\\1.7.10\\1.7.10.jar"));
        expected.mainClass = L"net.minecraft.client.main.Main";
        expected.arguments = args17;
        expected.gameTail = L"--tail";
        WString line, folder;
        const auto run = Run(launcher, jvm, game, &line, &folder);
        EXPECT_EQ(Narrow(expected.Text()), Narrow(run.commandLine));
        EXPECT_EQ(Narrow(expected.Text()), Narrow(line.GetString()));
        EXPECT_EQ(Narrow(Mc(L"\\")), Narrow(folder.GetString()));
        EXPECT_EQ(Narrow(Mc()), Narrow(run.workingDir));
    }
    {  // Official 1.12.2, a chosen executable, online, its own folder, full screen.
        MinecraftLauncher launcher(tree.Root().c_str());
        launcher.SetVersionAndJava(L"1.12.2", ChosenJava(java.JavawExe()));
        LaunchJvmOptions jvm;
        jvm.heapMB = 2048;
        jvm.useJavaExe = true;  // a chosen executable is used as it is
        LaunchGameOptions game;
        game.accountKind = trelm::launcher::kAccountOnline;
        game.playerName = L"Alex";
        game.accessToken = L"token123";
        game.uuid = L"0123456789abcdef0123456789abcdef";
        game.versionType = L"Quorvel 1.0";
        game.width = 1280;
        game.height = 720;
        game.fullScreen = true;
        game.separateFolders = true;
        game.gameHead = L"-Dgame=head";
        ExpectedLine expected;
        expected.exe = java.JavawExe();
        expected.heap = 2048;
        expected.gameHead = L"-Dgame=head";
        expected.natives = Mc(L"\\native\\1.12.2");
        expected.classPath = Libraries(k1_12_2ClassPath, std::size(k1_12_2ClassPath));
        expected.classPath.push_back(Mc(L"\\versions\\1.12.2\\1.12.2.jar"));
        expected.mainClass = L"net.minecraft.client.main.Main";
        expected.arguments = L"--username Alex --version 1.12.2 --gameDir \"" + Mc(L"\\versions\\1.12.2") +
                             L"\" --assetsDir \"" + Mc(L"\\assets") +
                             L"\" --assetIndex 1.12 --uuid 0123456789abcdef0123456789abcdef --accessToken token123 "
                             L"--userType mojang --versionType \"Quorvel 1.0\"";
        expected.width = 1280;
        expected.height = 720;
        expected.fullScreen = true;
        WString folder;
        const auto run = Run(launcher, jvm, game, nullptr, &folder);
        EXPECT_EQ(Narrow(expected.Text()), Narrow(run.commandLine));
        EXPECT_EQ(Narrow(Mc(L"\\versions\\1.12.2\\")), Narrow(folder.GetString()));
        EXPECT_EQ(Narrow(Mc(L"\\versions\\1.12.2")), Narrow(run.workingDir));
    }
    {  // LiteLoader -> Forge -> 1.7.10: libraries of all three (duplicates
       // kept, but one launchwrapper), main class and arguments of the first,
       // jar and assets of the root.
        CopyReal(tree, L"versions\\official\\1.7.10.json", L"1.7.10");
        MinecraftLauncher launcher(tree.Root().c_str());
        launcher.SetVersionAndJava(L"...Mcndyx", RegistryJava(java.Home()));
        LaunchJvmOptions jvm;
        jvm.heapMB = 512;
        LaunchGameOptions game;
        game.playerName = L"Steve";
        game.uuid = L"ffffffffffffffffffffffffffffffff";
        ExpectedLine expected;
        expected.exe = java.JavawExe();
        expected.heap = 512;
        expected.natives = Mc(L"\\native\\...Mcndyx");
        expected.classPath = Libraries(kChain2014OwnClassPath, std::size(kChain2014OwnClassPath));
        for (const std::wstring& path : Libraries(k1_7_10ClassPath, std::size(k1_7_10ClassPath)))
            expected.classPath.push_back(path);
        expected.classPath.push_back(Mc(L"\\versions\\1.7.10\\1.7.10.jar"));
        expected.mainClass = L"net.minecraft.launchwrapper.Launch";
        expected.arguments =
            L"--tweakClass com.mumfrey.liteloader.launch.LiteLoaderTweaker --username Steve --version ...Mcndyx "
            L"--gameDir \"" + Mc() + L"\" --assetsDir \"" + Mc(L"\\assets") +
            L"\" --assetIndex 1.7.10 --uuid ffffffffffffffffffffffffffffffff --accessToken ${auth_access_token} "
            L"--userProperties {} --userType Legacy --tweakClass cpw.mods.fml.common.launcher.FMLTweaker";
        const auto run = Run(launcher, jvm, game, nullptr, nullptr);
        EXPECT_EQ(Narrow(expected.Text()), Narrow(run.commandLine));
    }
}

// Every placeholder of the arguments, online and offline.
TEST_F(LaunchCommand, EveryPlaceholderIsFilled) {
    tree.WriteVersion(L"child", R"({"id":"child","inheritsFrom":"base","mainClass":"m.Main","libraries":[],
        "minecraftArguments":"a=${assets_index_name} v=${version_name} d=${game_directory} g=${game_assets} r=${assets_root} t=${version_type} n=${auth_player_name} u=${auth_uuid} k=${auth_access_token} s=${auth_session} p=${user_properties} y=${user_type} n2=${auth_player_name}"})");
    tree.WriteVersion(L"base", R"({"id":"base","mainClass":"ignored","minecraftArguments":"ignored","libraries":[
        {"name":"org.test:lib:1.0"},{"name":"org.test:lib:1.0"}]})");
    struct Case {
        bool online, separate;
        const wchar_t* uuid;
        std::wstring arguments;
    };
    const std::wstring assets = L"g=\"" + Mc(L"\\assets\\virtual\\legacy") + L"\" r=\"" + Mc(L"\\assets\\virtual\\legacy") + L"\"";
    const Case cases[] = {
        {true, false, L"0123", L"a=legacy v=child d=\"" + Mc() + L"\" " + assets +
                                   L" t=\"rel\" n=P u=0123 k=TOK s=TOK p={} y=mojang n2=P"},
        {false, true, L"", L"a=legacy v=child d=\"" + Mc(L"\\versions\\child") + L"\" " + assets +
                               L" t=\"rel\" n=P u=09237c09b404527f95e545b97adb8e45 k=${auth_access_token} "
                               L"s=${auth_session} p={} y=Legacy n2=P"},
        {false, false, L"given", L"a=legacy v=child d=\"" + Mc() + L"\" " + assets +
                                     L" t=\"rel\" n=P u=given k=${auth_access_token} s=${auth_session} p={} y=Legacy n2=P"},
    };
    for (const Case& c : cases) {
        MinecraftLauncher launcher(tree.Root().c_str());
        launcher.SetVersionAndJava(L"child", RegistryJava(java.Home()));
        LaunchJvmOptions jvm;
        LaunchGameOptions game;
        game.accountKind = c.online ? 1 : 0;
        game.separateFolders = c.separate;
        game.uuid = c.uuid;
        game.playerName = L"P";
        game.accessToken = L"TOK";
        game.versionType = L"rel";
        WString line, folder, exe;
        ASSERT_TRUE(launcher.BuildCommand(jvm, game, line, folder, exe)) << Narrow(launcher.GetErrorMsg().GetString());
        ExpectedLine expected;
        expected.exe = java.JavawExe();
        expected.natives = Mc(L"\\native\\child");
        const std::wstring lib = Mc(L"\\libraries\\org\\test\\lib\\1.0\\lib-1.0.jar");
        expected.classPath = {lib, lib, Mc(L"\\versions\\base\\base.jar")};
        expected.mainClass = L"m.Main";
        expected.arguments = c.arguments;
        EXPECT_EQ(Narrow(expected.Text()), Narrow(line.GetString()));
        if (c.online) {
            EXPECT_EQ(-1, line.Find(L"${"));
        }
    }
}

// Whatever the sign-in server, the version files or the player put into a
// value, Java receives it as exactly one argument; the player's own extra
// arguments stay the several arguments typed. A line Windows would cut is
// refused instead.
TEST_F(LaunchCommand, EverySubstitutedValueReachesJavaAsOneArgument) {
    tree.WriteVersion(L"my pack", R"({"id":"my pack","mainClass":"m.Main","assets":"idx \"1\"","libraries":[],
        "minecraftArguments":"--username ${auth_player_name} --version ${version_name} --gameDir ${game_directory} --assetIndex ${assets_index_name} --uuid ${auth_uuid} --accessToken ${auth_access_token} --versionType ${version_type} --session=${auth_session} --dir=C:\\${version_name}"})");
    MinecraftLauncher launcher(tree.Root().c_str());
    launcher.SetVersionAndJava(L"my pack", RegistryJava(java.Home()));
    LaunchJvmOptions jvm;
    jvm.jvmHead = L"-Da=1 -Db=2";
    LaunchGameOptions game;
    game.accountKind = 1;
    game.uuid = L"u u";
    game.accessToken = L"tok\\\"en\\";
    game.versionType = L"rel \"x\" \\";
    game.gameTail = L"--tail1 --tail2";
    for (const wchar_t* name : {L"a b\" --server evil.example.com --port 25565 --gameDir \\\\evil\\share",
                                L"${auth_access_token}", L""}) {
        game.playerName = name;
        WString line, folder, exe;
        ASSERT_TRUE(launcher.BuildCommand(jvm, game, line, folder, exe)) << Narrow(launcher.GetErrorMsg().GetString());
        int count = 0;
        wchar_t** argv = CommandLineToArgvW(line.GetString(), &count);
        ASSERT_NE(nullptr, argv);
        const std::vector<std::wstring> args(argv, argv + count);
        LocalFree(argv);
        auto after = [&](const std::wstring& option) {
            const auto at = std::find(args.begin(), args.end(), option);
            return at != args.end() && at + 1 != args.end() ? *(at + 1) : L"(missing " + option + L")";
        };
        const std::wstring expected[][2] = {
            {L"--username", name}, {L"--version", L"my pack"}, {L"--gameDir", Mc()}, {L"--assetIndex", L"idx \"1\""},
            {L"--uuid", L"u u"}, {L"--accessToken", L"tok\\\"en\\"}, {L"--versionType", L"rel \"x\" \\"},
            {L"-cp", Mc(L"\\versions\\my pack\\my pack.jar")}, {L"m.Main", L"--username"}};
        for (const auto& pair : expected) {
            EXPECT_EQ(Narrow(pair[1]), Narrow(after(pair[0]))) << Narrow(line.GetString());
        }
        for (const wchar_t* arg : {L"-Da=1", L"-Db=2", L"--session=tok\\\"en\\", L"--dir=C:\\my pack",
                                   L"--tail1", L"--tail2"}) {
            EXPECT_NE(args.end(), std::find(args.begin(), args.end(), arg))
                << Narrow(arg) << "\n" << Narrow(line.GetString());
        }
        EXPECT_EQ(args.end(), std::find(args.begin(), args.end(), L"--server"));
        EXPECT_EQ(args.end(), std::find(args.begin(), args.end(), L"--port"));
    }

    game.gameTail = std::wstring(33000, L'x').c_str();
    WString line, folder, exe;
    EXPECT_FALSE(launcher.BuildCommand(jvm, game, line, folder, exe));
    const std::string message = Narrow(launcher.GetErrorMsg().GetString());
    EXPECT_NE(std::string::npos, message.find("超过了Windows允许的32766个字符")) << message;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    EXPECT_FALSE(launcher.Launch(jvm, game, false, &startup, &process, nullptr, nullptr));
    EXPECT_EQ(0u, java.Runs().size());
}

TEST_F(LaunchCommand, OfflineUuidIsTheNameBasedSha1Uuid) {
    // Digests worked out by hand: SHA-1 over 16 zero bytes and the name in
    // four bytes per UTF-16 unit, with the version and variant bits set.
    const std::pair<const wchar_t*, const char*> cases[] = {
        {L"Steve", "a5c66531133550d78dbcd93a82c40bb1"},
        {L"玩家", "76af1a9f59b7531bb6f8e2d9aacd7b76"},
        {L"", "e129f27c51035c5c844bcdf0a15e160d"},
    };
    for (const auto& c : cases) {
        WString uuid;
        MinecraftLauncher::MakeOfflineUuid(uuid, c.first);
        EXPECT_EQ(c.second, Narrow(uuid.GetString()));
    }
}

TEST_F(LaunchCommand, FailuresStartNothingAndSayWhy) {
    tree.WriteVersion(L"nolibs", R"({"id":"nolibs","mainClass":"m","minecraftArguments":""})");
    tree.WriteVersion(L"ok", R"({"id":"ok","mainClass":"m","minecraftArguments":"","libraries":[]})");
    LaunchJvmOptions jvm;
    LaunchGameOptions game;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};

    MinecraftLauncher launcher(tree.Root().c_str());
    launcher.SetVersionAndJava(L"nolibs", RegistryJava(java.Home()));
    EXPECT_FALSE(launcher.Launch(jvm, game, false, &startup, &process, nullptr, nullptr));
    EXPECT_EQ("Json文件(" + Narrow(Mc(L"\\versions\\nolibs\\nolibs.json")) + ")缺失成员\"libraries\"或此成员值不正确",
              Narrow(launcher.GetErrorMsg().GetString()));

    const std::wstring missing = java.Home() + L"missing\\java.exe";
    launcher.SetVersionAndJava(L"ok", ChosenJava(missing));
    EXPECT_FALSE(launcher.Launch(jvm, game, false, &startup, &process, nullptr, nullptr));
    EXPECT_EQ(0u, java.Runs().size());
    const std::string message = Narrow(launcher.GetErrorMsg().GetString());
    EXPECT_EQ(0u, message.find("无法创建进程\"" + Narrow(missing) + "\",")) << message;
    EXPECT_NE(std::string::npos, message.find("(2)")) << message;  // ERROR_FILE_NOT_FOUND
}

// A 64-bit runtime on each system. The 64-bit prefix starts the x86-64
// fake as a native 64-bit process (the launcher itself runs under WOW64)
// with the 64-bit natives on its class path. The 32-bit prefix, like a
// 32-bit Windows, cannot run it, and the launch says why.
class LaunchBySystem : public LaunchCommand {};

TEST_F(LaunchBySystem, SixtyFourBitRuntimeStartsOnlyOnA64BitSystem) {
    const bool wow64 = trelm::launcher::ProcessRunsUnderWow64();
    ASSERT_EQ(testing_support::InWin64Prefix(), wow64) << "the 64-bit prefix runs this program under WOW64";
    FakeJavaHome java64(FakeJavaHome::k64Bit);
    java64.SetScript("");
    tree.WriteVersion(L"n", R"({"id":"n","mainClass":"m.Main","minecraftArguments":"","libraries":[
        {"name":"org.lwjgl:lwjgl-platform:2.9.4","natives":{"windows":"natives-windows-${arch}"}}]})");
    JavaRuntimeInfo runtime = RegistryJava(java64.Home());
    runtime.is64Bit = 1;
    MinecraftLauncher launcher(tree.Root().c_str());
    launcher.SetVersionAndJava(L"n", runtime);
    LaunchJvmOptions jvm;
    jvm.heapMB = 3072;  // more than a 32-bit runtime can hold
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    WString line;
    const bool started = launcher.Launch(jvm, LaunchGameOptions(), false, &startup, &process, &line, nullptr);
    const std::string message = Narrow(launcher.GetErrorMsg().GetString());
    ASSERT_EQ(wow64, started) << message;
    if (!wow64) {
        EXPECT_EQ(0u, message.find("无法创建进程\"" + Narrow(java64.JavawExe()) + "\",")) << message;
        EXPECT_NE(std::string::npos, message.find("(193)")) << message;  // ERROR_BAD_EXE_FORMAT
        EXPECT_EQ(0u, java64.Runs().size());
        return;
    }
    BOOL childUnderWow64 = TRUE;
    EXPECT_TRUE(IsWow64Process(process.hProcess, &childUnderWow64));
    EXPECT_FALSE(childUnderWow64);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 30000));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const auto runs = java64.Runs();
    ASSERT_EQ(1u, runs.size());
    EXPECT_EQ(Narrow(java64.JavawExe()), Narrow(runs[0].module));
    EXPECT_EQ(Narrow(line.GetString()), Narrow(runs[0].commandLine));
    EXPECT_NE(std::wstring::npos, runs[0].commandLine.find(L" -Xmx3072m "));
    const std::wstring natives64 =
        Mc(L"\\libraries\\org\\lwjgl\\lwjgl-platform\\2.9.4\\lwjgl-platform-2.9.4-natives-windows-64.jar;");
    EXPECT_NE(std::wstring::npos, runs[0].commandLine.find(natives64)) << Narrow(runs[0].commandLine);
}

TEST_F(LaunchCommand, DefaultProfilesAreWrittenOnlyWhenMissing) {
    MinecraftLauncher launcher(tree.Root().c_str());
    tree.Write(L"versions\\placeholder.txt", "");
    ASSERT_TRUE(launcher.EnsureLauncherProfiles());
    EXPECT_EQ("{\"selectedProfile\": \"(Default)\",\"profiles\": {\"(Default)\": {\"name\": \"(Default)\"}},"
              "\"clientToken\": \"5c0e7b2d-91a4-4f36-b8d2-0a7e3c9f1b64\"}",
              testing_support::ReadBytes(Mc(L"\\launcher_profiles.json")));
    tree.Write(L"launcher_profiles.json", "{\"mine\":1}");
    ASSERT_TRUE(launcher.EnsureLauncherProfiles());
    EXPECT_EQ("{\"mine\":1}", testing_support::ReadBytes(Mc(L"\\launcher_profiles.json")));
}

}  // namespace
