#include "ui/TopLevelWindows.h"

#include <windows.h>

#include "WendalDui/Core/DuiWindow.h"
#include "ui/MinecraftRedirectDlg.h"

namespace trelm {
namespace ui {

namespace {

TopLevelWindows g_windows;

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

void OpenOutputWindow(int argc, wchar_t** argv) {
    if (OpenOutputWindowFromCommandLine(argc, argv)) AddOutputWindow();
    CheckQuit();
}

}  // namespace ui
}  // namespace trelm
