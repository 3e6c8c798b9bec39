#include "ui/ModalDialog.h"

#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiWindow.h"

namespace trelm {
namespace ui {

HWND CreateLauncherWindow(wendaldui::CDuiWindow& window, const wchar_t* text, DWORD style, int width, int height,
                          HWND owner) {
    // Made where centring on the desktop puts it: a window that centres
    // itself there then does not move (and move its shadows) once more.
    const int w = wendaldui::DpiScale(width), h = wendaldui::DpiScale(height);
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    const int x = desktop.left + ((desktop.right - desktop.left) - w) / 2;
    const int y = desktop.top + ((desktop.bottom - desktop.top) - h) / 2;
    return CreateWindowExW(0, wendaldui::kDuiWindowClassName, text, style, x, y, w, h, owner, NULL,
                           wendaldui::CDuiApp::GetModuleInstance(), &window);
}

bool RunModalDialog(wendaldui::CDuiWindow& dialog, const wchar_t* text, DWORD style, int width, int height,
                    HWND owner) {
    HWND hwnd = CreateLauncherWindow(dialog, text, style, width, height, owner);
    if (!hwnd) return false;
    wendaldui::CDuiApp* app = wendaldui::CDuiApp::GetApp();
    if (!app) {
        DestroyWindow(hwnd);
        return false;
    }
    ShowWindow(hwnd, SW_SHOW);
    app->RunModalLoop(hwnd);  // destroys the window
    return true;
}

}  // namespace ui
}  // namespace trelm
