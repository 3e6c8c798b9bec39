// The notice of a game that ended abnormally: its text with the crash reports
// written as the game ended, and the dialog keeping the run alive until it
// is closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "UiTestSupport.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "services/LauncherSettings.h"
#include "tests/support/TestPaths.h"
#include "ui/GameExitDlg.h"
#include "ui/TopLevelWindows.h"

namespace {

using namespace trelm::ui;
using testing_support::TempDir;

uint64_t Now() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

class GameExit : public testing::Test {
protected:
    GameExit() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {
        GetCurrentDirectoryW(MAX_PATH, m_old);
        SetCurrentDirectoryW(dir.Path().c_str());
    }
    ~GameExit() override { SetCurrentDirectoryW(m_old); }
    TempDir dir;
    wendaldui::CDuiSkinManager skin;
    wchar_t m_old[MAX_PATH];
};

TEST_F(GameExit, TextNamesTheCodeTheTimeAndTheReportsOfThatExit) {
    testing_support::WriteBytes(dir / L".minecraft\\crash-reports\\crash-1.txt", "report");
    testing_support::WriteBytes(dir / L".minecraft\\versions\\1.8\\crash-reports\\crash-2.txt", "report");
    g_settings.SetVersionAlias(L"1.8", L"<b>我的</b>1.8");
    const uint64_t now = Now();
    const struct {
        const wchar_t* id;
        uint32_t exitCode;
        bool apart;
        uint64_t end;
        const wchar_t* expected[3];
    } cases[] = {
        {L"1.7.10", 1, false, now,
         {L"Minecraft版本 1.7.10 异常退出\r\n进程退出代码：0x00000001\r\n", L"找到的错误报告：\r\n<a "
          L"href=\".minecraft\\crash-reports\\crash-1.txt\">crash-1.txt</a>",
          L"<a href=\".minecraft\\crash-reports\\\">打开错误报告文件夹</a>"}},
        // The monitor's -1 for a code it could not read; a report 10 s before the exit is someone else's.
        {L"1.7.10", 0xFFFFFFFF, false, now + 10 * 10000000ull,
         {L"0xFFFFFFFF", L"未找到错误报告", L"打开错误报告文件夹"}},
        // Versions kept apart: the reports are in the version's own folder; the
        // alias is shown as the player typed it, never as mark-up.
        {L"1.8", 3, true, now,
         {L"<<b>我的<</b>1.8(1.8)", L"versions\\1.8\\crash-reports\\crash-2.txt\">crash-2.txt", L"游戏持续时间："}},
    };
    for (const auto& c : cases) {
        trelm::launcher::ExitedGame game;
        game.versionId = c.id;
        game.exitCode = c.exitCode;
        game.versionsApart = c.apart;
        game.endTime = c.end;
        game.runTime = 65 * 10000000ull;
        WString text;
        CGameExitDlg::BuildText(game, &text);
        for (const wchar_t* part : c.expected) {
            EXPECT_GE(text.Find(part), 0) << testing_support::Narrow(part) << "\n" << testing_support::Narrow(text.GetString());
        }
    }
    g_settings.SetVersionAlias(L"1.8", L"");
}

TEST_F(GameExit, EachNoticeKeepsTheRunUntilItIsClosed) {
    MSG msg;
    PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);
    trelm::launcher::ExitedGame game;
    game.versionId = L"1.7.10";
    game.exitCode = 1;
    game.endTime = Now();
    CGameExitDlg* first = OpenGameExitDialog(game);
    CGameExitDlg* second = OpenGameExitDialog(game);
    ASSERT_TRUE(first && second);
    AddGameExitDialog();
    AddGameExitDialog();
    HWND a = first->GetHWND(), b = second->GetHWND();
    wchar_t caption[64];
    GetWindowTextW(a, caption, 64);
    EXPECT_EQ(std::wstring(L"TRELM - 游戏异常退出"), caption);

    first->OnButton(nullptr, wendaldui::kResultOk);
    ui_testing::PumpUntil([&] { return !IsWindow(a); }, 10000);
    EXPECT_FALSE(IsWindow(a));
    EXPECT_EQ(1, GetTopLevelWindows().gameExitDialogs);
    EXPECT_FALSE(PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    PostMessageW(b, WM_CLOSE, 0, 0);  // the close box
    EXPECT_TRUE(
        ui_testing::PumpUntil([&] { return PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE) != 0; }, 10000));
    EXPECT_FALSE(IsWindow(b));
    EXPECT_EQ(0, GetTopLevelWindows().gameExitDialogs);
}

}  // namespace
