// The start-up's own rules: which working folder counts as the launcher's,
// a main window that cannot be made, and the game-exit notices, recovered
// even when a notice was lost.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "UiTestSupport.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "app/TRELMApp.h"
#include "app/WorkingDirectory.h"
#include "launcher/MinecraftInstanceManager.h"
#include "tests/support/FakeJava.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WaitUntil.h"
#include "ui/TopLevelWindows.h"

namespace {

using testing_support::TempDir;

TEST(WorkingFolder, SameFolderIgnoresCaseSeparatorsAndShortNames) {
    TempDir dir;
    CreateDirectoryW((dir / L"Launcher Folder").c_str(), NULL);
    const std::wstring folder = dir / L"Launcher Folder";
    wchar_t shortName[MAX_PATH] = {};
    GetShortPathNameW(folder.c_str(), shortName, MAX_PATH);
    std::wstring upper = folder;
    for (wchar_t& c : upper) c = towupper(c);
    std::wstring slashes = folder;
    for (wchar_t& c : slashes) c = c == L'\\' ? L'/' : c;
    const struct {
        std::wstring other;
        bool same;
    } cases[] = {
        {folder, true}, {folder + L"\\", true}, {upper, true}, {slashes, true},
        {shortName, true}, {dir / L"Other", false}, {dir.Path(), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.same, IsSameFolder(folder.c_str(), c.other.c_str())) << testing_support::Narrow(c.other);
    }
    EXPECT_STREQ(L"启动器路径和当前路径不一致", WorkingDirectoryCheckText(kWorkingDirectoryDiffers));
    EXPECT_STREQ(L"未知错误", WorkingDirectoryCheckText(7));
}

// The system refuses the main window: the run says so and ends with -1,
// instead of waiting unseen for a quit message that nothing posts.
TEST(StartUp, AMainWindowThatCannotBeMadeEndsTheRunWithAMessage) {
    TempDir dir;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring built = self;
    built = built.substr(0, built.find_last_of(L'\\') + 1) + L"app_main_window_refused.exe";
    const std::wstring exe = dir / L"app_main_window_refused.exe";  // started from its own folder
    ASSERT_TRUE(CopyFileW(built.c_str(), exe.c_str(), FALSE));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring command = L"\"" + exe + L"\"";
    ASSERT_TRUE(CreateProcessW(exe.c_str(), &command[0], NULL, NULL, FALSE, 0, NULL, dir.Path().c_str(), &startup,
                               &process));
    CloseHandle(process.hThread);
    HWND box = NULL;  // this test's prefix has no other window of that name
    for (int i = 0; i < 300 && !box && WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT; ++i)
        box = FindWindowW(NULL, L"TRELM");
    EXPECT_NE(nullptr, box) << "no message";
    PostMessageW(box, WM_CLOSE, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 20000)) << "the run did not end";
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(static_cast<DWORD>(-1), code);
    TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
}

// Records the notices instead of posting them, so a test can lose one.
class QuietMonitor : public trelm::launcher::MinecraftInstanceManager {
public:
    int notices = 0;

protected:
    void OnGameExited(uint32_t) override { ++notices; }
};

TEST(GameExitNotice, EveryEndedGameIsTakenEvenWhenANoticeWasLost) {
    wendaldui::CDuiSkinManager skin(L"微软雅黑", 210, 0.5, 0.4, 0);
    testing_support::FakeJavaHome java;
    java.SetScript(L"java", "exit=1\n");
    java.SetScript(L"javaw", "exit=0\n");
    QuietMonitor monitor;
    ASSERT_TRUE(monitor.StartMonitor());
    for (const std::wstring& exe : {java.JavaExe(), java.JavawExe(), java.JavaExe()}) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        std::wstring command = L"\"" + exe + L"\"";
        ASSERT_TRUE(CreateProcessW(exe.c_str(), &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process));
        CloseHandle(process.hThread);
        ASSERT_TRUE(monitor.Add(L"1.7.10", process.hProcess, false));
    }
    ASSERT_TRUE(ui_testing::PumpUntil([&] { return monitor.notices == 3; }, 20000));
    // Only one notice is handled: the two others were lost in a system loop.
    trelm::HandleGameExitNotice(monitor);
    trelm::launcher::ExitedGame none;
    EXPECT_FALSE(monitor.TakeAnyExited(none));
    trelm::ui::TopLevelWindows& windows = trelm::ui::GetTopLevelWindows();
    EXPECT_EQ(2, windows.gameExitDialogs);  // exit code 1 twice; the 0 opens none
    int open = 0;
    for (HWND hwnd = FindWindowW(wendaldui::kDuiWindowClassName, L"TRELM - 游戏异常退出"); hwnd;
         hwnd = FindWindowW(wendaldui::kDuiWindowClassName, L"TRELM - 游戏异常退出")) {
        ++open;
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        ui_testing::PumpUntil([&] { return !IsWindow(hwnd); }, 10000);
    }
    EXPECT_EQ(2, open);
    EXPECT_EQ(0, windows.gameExitDialogs);
    monitor.StopMonitor();
}

// A game that ends while a system MessageBoxW runs still gets its dialog:
// the box's message filter takes the notice that its DispatchMessage would
// have thrown away. (The move loop of a window dragged by its title bar is
// checked end to end; Wine starts none for a keyboard SC_MOVE.)
TEST(GameExitNotice, ANoticeInsideASystemMessageBoxIsNotLost) {
    MSG quit;
    PeekMessageW(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);  // an earlier test's last window; it would end the box
    wendaldui::CDuiSkinManager skin(L"微软雅黑", 210, 0.5, 0.4, 0);
    testing_support::FakeJavaHome java;
    java.SetScript(L"java", "sleep=300\nexit=1\n");
    trelm::launcher::MinecraftInstanceManagerMsgNotify monitor;
    monitor.message = trelm::launcher::kGameExitedMessage;
    monitor.threadId = GetCurrentThreadId();
    ASSERT_TRUE(monitor.StartMonitor());
    HHOOK filter = trelm::WatchSystemModalLoops(&monitor);
    ASSERT_NE(nullptr, filter);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring command = L"\"" + java.JavaExe() + L"\"";
    ASSERT_TRUE(CreateProcessW(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process));
    CloseHandle(process.hThread);
    HANDLE ended = NULL;
    DuplicateHandle(GetCurrentProcess(), process.hProcess, GetCurrentProcess(), &ended, SYNCHRONIZE, FALSE, 0);
    ASSERT_TRUE(monitor.Add(L"1.7.10", process.hProcess, false));
    trelm::ui::TopLevelWindows& windows = trelm::ui::GetTopLevelWindows();
    bool openedInsideTheBox = false;
    // The helper ends the box only after the game has ended inside it.
    std::thread helper([&] {
        HWND box = NULL;
        // Generous bounds: they only end a wait for what never comes.
        testing_support::WaitUntil([&] { return (box = FindWindowW(L"#32770", L"system loop")) != NULL; });
        WaitForSingleObject(ended, 30000);
        for (int i = 0; i < 3000 && !openedInsideTheBox; ++i) {
            Sleep(10);
            openedInsideTheBox = FindWindowW(wendaldui::kDuiWindowClassName, L"TRELM - 游戏异常退出") != NULL;
        }
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    MessageBoxW(NULL, L"loop", L"system loop", MB_OK);
    helper.join();
    CloseHandle(ended);
    EXPECT_TRUE(openedInsideTheBox);
    EXPECT_EQ(1, windows.gameExitDialogs);
    HWND dialog = FindWindowW(wendaldui::kDuiWindowClassName, L"TRELM - 游戏异常退出");
    EXPECT_NE(nullptr, dialog);
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    ui_testing::PumpUntil([&] { return windows.gameExitDialogs == 0; }, 10000);
    UnhookWindowsHookEx(filter);
    monitor.StopMonitor();
    PeekMessageW(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);  // the last dialog's CheckQuit
}

}  // namespace
