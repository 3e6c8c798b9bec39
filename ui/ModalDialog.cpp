#include "ui/ModalDialog.h"

#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiWindow.h"

namespace trelm {
namespace ui {

void RunModalDialog(wendaldui::CDuiWindow& dialog, const wchar_t* text, DWORD style, int width, int height,
                    HWND owner) {
    wendaldui::CDuiApp* app = wendaldui::CDuiApp::GetApp();
    HWND hwnd = CreateWindowExW(0, wendaldui::kDuiWindowClassName, text, style, 0, 0, wendaldui::DpiScale(width),
                                wendaldui::DpiScale(height), owner, NULL,
                                app ? app->GetInstance() : GetModuleHandleW(NULL), &dialog);
    if (!hwnd) return;
    ShowWindow(hwnd, SW_SHOW);
    if (app) app->RunModalLoop(hwnd);
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
}

}  // namespace ui
}  // namespace trelm
