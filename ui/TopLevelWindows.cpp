#include "ui/TopLevelWindows.h"

#include <windows.h>

#include "WendalDui/Core/DuiWindow.h"
#include "ui/GameDwonloadDlg.h"
#include "ui/GameManagerDlg.h"
#include "ui/MinecraftRedirectDlg.h"
#include "ui/ModalDialog.h"
#include "ui/TrelmMainFrame.h"
#include "ui/UpdateDlg.h"

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

namespace {

// Brings a registered window forward; false when there is none.
bool BringForward(wendaldui::CDuiWindow* window) {
    if (!window) return false;
    ShowWindow(window->GetHWND(), SW_SHOWNORMAL);
    SetForegroundWindow(window->GetHWND());
    return true;
}

// Makes the window of a new registered object (its entry already set) and
// shows it; on failure the entry is cleared, the object deleted and the
// creation's error left for the caller.
template <typename T>
T* CreateRegistered(T*& entry, T* object, const wchar_t* text, DWORD style, int width, int height, HWND owner) {
    entry = object;
    if (!CreateLauncherWindow(*object, text, style, width, height, owner)) {
        const DWORD error = GetLastError();
        entry = nullptr;
        delete object;
        SetLastError(error);
        return nullptr;
    }
    return object;
}

}  // namespace

void ShowGameDownloadDialog() {
    if (BringForward(g_windows.gameDownload)) return;
    if (CGameDwonloadDlg* dialog = CreateRegistered(g_windows.gameDownload, new CGameDwonloadDlg, L"GameDownloadDlg",
                                                    WS_CAPTION | WS_SYSMENU, 570, 388, NULL)) {
        ShowWindow(dialog->GetHWND(), SW_SHOW);
    }
}

void ShowGameManager() {
    if (BringForward(g_windows.gameManager)) return;
    // The game manager makes its own window.
    CGameManagerDlg* dialog = new CGameManagerDlg;
    g_windows.gameManager = dialog;
    if (!dialog->Open(NULL)) {
        g_windows.gameManager = nullptr;
        delete dialog;
        return;
    }
    ShowWindow(dialog->GetHWND(), SW_SHOW);
}

CUpdateDlg* ShowUpdateDialog(const UpdateInfo* info) {
    CUpdateDlg* dialog = g_windows.updateDialog;
    if (!dialog) {
        dialog = CreateRegistered(g_windows.updateDialog, new CUpdateDlg, L"TRELM - 更新", WS_CAPTION | WS_SYSMENU, 440,
                                  212, NULL);
        if (!dialog) return nullptr;
    }
    if (info) dialog->SetUpdateInfo(*info);
    BringForward(dialog);
    return dialog;
}

void OpenOutputWindow(int argc, wchar_t** argv) {
    if (OpenOutputWindowFromCommandLine(argc, argv)) AddOutputWindow();
    CheckQuit();
}

CTrelmMainFrame* ShowMainFrame() {
    if (BringForward(g_windows.mainFrame)) return g_windows.mainFrame;
    CTrelmMainFrame* frame = CreateRegistered(g_windows.mainFrame, new CTrelmMainFrame, L"TrelmMainFrame",
                                              kMainFrameStyle, kMainFrameWidth, kMainFrameHeight, NULL);
    if (frame) ShowWindow(frame->GetHWND(), SW_SHOW);
    return frame;
}

}  // namespace ui
}  // namespace trelm
