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

TOOLINFOW ToolInfo(HWND owner, CUIControl* control) {
    TOOLINFOW info = {};
    info.cbSize = sizeof info;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    return info;
}

RECT ToRect(const UIRect& rect) { return RECT{rect.x, rect.y, rect.x + rect.width, rect.y + rect.height}; }

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
    TOOLINFOW info = ToolInfo(owner, control);
    info.uFlags = TTF_SUBCLASS;
    info.rect = ToRect(rect);
    info.lpszText = const_cast<wchar_t*>(text);
    return SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) == 1;
}

void CToolTip::UpdateToolRect(HWND owner, CUIControl* control, const UIRect& rect) {
    TOOLINFOW info = ToolInfo(owner, control);
    info.rect = ToRect(rect);
    SendMessageW(m_hWnd, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTip::UpdateToolText(HWND owner, CUIControl* control, const wchar_t* text) {
    TOOLINFOW info = ToolInfo(owner, control);
    info.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(m_hWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTip::RemoveTool(HWND owner, CUIControl* control) {
    TOOLINFOW info = ToolInfo(owner, control);
    SendMessageW(m_hWnd, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

int CToolTip::GetToolCount() const {
    return m_hWnd ? static_cast<int>(SendMessageW(m_hWnd, TTM_GETTOOLCOUNT, 0, 0)) : 0;
}

}  // namespace wendaldui
