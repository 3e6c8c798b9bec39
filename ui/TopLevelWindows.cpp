#include "ui/TopLevelWindows.h"

#include <windows.h>

#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiWindow.h"
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
