#include "ui/TopLevelWindows.h"

#include <windows.h>

#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiWindow.h"
#include "ui/GameDwonloadDlg.h"
#include "ui/GameManagerDlg.h"
#include "ui/UpdateDlg.h"
#include "ui/MinecraftRedirectDlg.h"
#include "ui/TrelmMainFrame.h"

namespace trelm {
namespace ui {

namespace {

TopLevelWindows g_windows;

constexpr DWORD kMainFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kMainFrameWidth = 680, kMainFrameHeight = 428;

void CloseCounted(wendaldui::CDuiWindow* window, int& count) {
    if (!window) return;
    if (window->GetHWND()) DestroyWindow(window->GetHWND());
    delete window;
    if (count > 0) --count;
    CheckQuit();
}

}  // namespace

int TopLevelWindows::OpenCount() const {
    return (gameManager ? 1 : 0) + (gameDownload ? 1 : 0) + (mainFrame ? 1 : 0) + (updateDialog ? 1 : 0) +
           gameExitDialogs + outputWindows;
}

TopLevelWindows& GetTopLevelWindows() { return g_windows; }

void CheckQuit() {
    if (g_windows.OpenCount() == 0) PostQuitMessage(0);
}

void AddGameExitDialog() { ++g_windows.gameExitDialogs; }

void AddOutputWindow() { ++g_windows.outputWindows; }

void CloseGameExitDialog(wendaldui::CDuiWindow* dialog) { CloseCounted(dialog, g_windows.gameExitDialogs); }

void CloseOutputWindow(wendaldui::CDuiWindow* window) { CloseCounted(window, g_windows.outputWindows); }

void ShowGameDownloadDialog(HWND owner) {
    if (CGameDwonloadDlg* open = g_windows.gameDownload) {
        ShowWindow(open->GetHWND(), SW_SHOWNORMAL);
        SetForegroundWindow(open->GetHWND());
        return;
    }
    CGameDwonloadDlg* dialog = new CGameDwonloadDlg;
    g_windows.gameDownload = dialog;
    wendaldui::CDuiApp* app = wendaldui::CDuiApp::GetApp();
    HWND hwnd = CreateWindowExW(0, wendaldui::kDuiWindowClassName, L"GameDownloadDlg", WS_CAPTION | WS_SYSMENU, 0, 0,
                                wendaldui::DpiScale(570), wendaldui::DpiScale(388), owner, NULL,
                                app ? app->GetInstance() : GetModuleHandleW(NULL), dialog);
    if (!hwnd) {
        g_windows.gameDownload = nullptr;
        delete dialog;
        return;
    }
    ShowWindow(hwnd, SW_SHOW);
}

void ShowGameManager(HWND owner) {
    if (CGameManagerDlg* open = g_windows.gameManager) {
        ShowWindow(open->GetHWND(), SW_SHOWNORMAL);
        SetForegroundWindow(open->GetHWND());
        return;
    }
    CGameManagerDlg* dialog = new CGameManagerDlg;
    g_windows.gameManager = dialog;
    if (!dialog->Open(owner)) {
        g_windows.gameManager = nullptr;
        delete dialog;
        return;
    }
    ShowWindow(dialog->GetHWND(), SW_SHOW);
}

CUpdateDlg* ShowUpdateDialog(const UpdateInfo* info) {
    if (CUpdateDlg* dialog = g_windows.updateDialog) {
        if (info) dialog->SetUpdateInfo(*info);
        ShowWindow(dialog->GetHWND(), SW_SHOWNORMAL);
        SetForegroundWindow(dialog->GetHWND());
        return dialog;
    }
    CUpdateDlg* dialog = new CUpdateDlg;
    g_windows.updateDialog = dialog;
    wendaldui::CDuiApp* app = wendaldui::CDuiApp::GetApp();
    HWND hwnd = CreateWindowExW(0, wendaldui::kDuiWindowClassName, L"TRELM - 更新", WS_CAPTION | WS_SYSMENU, 0, 0,
                                wendaldui::DpiScale(440), wendaldui::DpiScale(212), NULL, NULL,
                                app ? app->GetInstance() : GetModuleHandleW(NULL), dialog);
    if (!hwnd) {
        g_windows.updateDialog = nullptr;
        delete dialog;
        return nullptr;
    }
    if (info) dialog->SetUpdateInfo(*info);
    ShowWindow(hwnd, SW_SHOW);
    return dialog;
}

void OpenOutputWindow(int argc, wchar_t** argv) {
    if (OpenOutputWindowFromCommandLine(argc, argv)) AddOutputWindow();
    CheckQuit();
}

CTrelmMainFrame* ShowMainFrame() {
    if (CTrelmMainFrame* frame = g_windows.mainFrame) {
        ShowWindow(frame->GetHWND(), SW_SHOWNORMAL);
        SetForegroundWindow(frame->GetHWND());
        return frame;
    }
    CTrelmMainFrame* frame = new CTrelmMainFrame;
    g_windows.mainFrame = frame;
    wendaldui::CDuiApp* app = wendaldui::CDuiApp::GetApp();
    HWND hwnd = CreateWindowExW(0, wendaldui::kDuiWindowClassName, L"TrelmMainFrame", kMainFrameStyle, 0, 0,
                                wendaldui::DpiScale(kMainFrameWidth), wendaldui::DpiScale(kMainFrameHeight), NULL,
                                NULL, app ? app->GetInstance() : GetModuleHandleW(NULL), frame);
    if (!hwnd) {
        g_windows.mainFrame = nullptr;
        delete frame;
        return nullptr;
    }
    ShowWindow(hwnd, SW_SHOW);
    return frame;
}

}  // namespace ui
}  // namespace trelm
