#include "ui/ModalDialog.h"

#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiWindow.h"

namespace trelm {
namespace ui {

HWND CreateLauncherWindow(wendaldui::CDuiWindow& window, const wchar_t* text, DWORD style, int width, int height,
                          HWND owner) {
    return CreateWindowExW(0, wendaldui::kDuiWindowClassName, text, style, 0, 0, wendaldui::DpiScale(width),
                           wendaldui::DpiScale(height), owner, NULL, wendaldui::CDuiApp::GetModuleInstance(),
                           &window);
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
