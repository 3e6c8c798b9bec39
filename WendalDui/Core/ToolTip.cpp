#include "WendalDui/Core/ToolTip.h"

#include <commctrl.h>

#include "WendalDui/Core/DuiApp.h"

namespace wendaldui {

namespace {

LRESULT CALLBACK ToolTipSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWindowBase* object = reinterpret_cast<CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!object) return DefWindowProcW(hwnd, message, wParam, lParam);
    return object->WindowProc(message, wParam, lParam);
}

}  // namespace

bool CToolTip::Create(CDuiWindow* owner) {
    CDuiApp* app = CDuiApp::GetApp();
    HWND hwnd = CreateWindowExW(0, TOOLTIPS_CLASSW, NULL, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, app ? app->GetInstance() : NULL, NULL);
    if (!hwnd) return false;
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    WNDPROC previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ToolTipSubclassProc)));
    if (!previous) {
        DestroyWindow(hwnd);
        return false;
    }
    m_hWnd = hwnd;
    m_previousProc = previous;
    return true;
}

bool CToolTip::AddTool(HWND owner, CUIControl* control, const UIRect& rect, const wchar_t* text) {
    TOOLINFOW info = {};
    // The size every comctl32 version accepts: the full structure is refused
    // by version 5, which Windows 7 loads for a program without a manifest.
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.uFlags = TTF_SUBCLASS;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.rect = {rect.x, rect.y, rect.x + rect.width, rect.y + rect.height};
    info.lpszText = const_cast<wchar_t*>(text);
    return SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) == 1;
}

}  // namespace wendaldui
