#include "WendalDui/Core/ToolTip.h"

#include <commctrl.h>

#include <algorithm>

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

bool CToolTip::Create() {
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

void CToolTip::Open(HWND owner) {
    if (m_open) return;
    m_open = true;
    if (m_kept.empty() || (!m_hWnd && !Create())) return;
    for (const KeptTool& tool : m_kept) SendAddTool(owner, tool.control, tool.rect, tool.text.GetString());
    m_kept.clear();
}

void CToolTip::Close() {
    m_open = false;
    m_kept.clear();
    if (m_hWnd) DestroyWindow(m_hWnd);
}

CToolTip::KeptTool* CToolTip::FindKept(CUIControl* control) {
    for (KeptTool& tool : m_kept) {
        if (tool.control == control) return &tool;
    }
    return nullptr;
}

bool CToolTip::SendAddTool(HWND owner, CUIControl* control, const UIRect& rect, const wchar_t* text) {
    TOOLINFOW info = ToolInfo(owner, control);
    info.uFlags = TTF_SUBCLASS;
    info.rect = ToRect(rect);
    info.lpszText = const_cast<wchar_t*>(text);
    return SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) == 1;
}

bool CToolTip::AddTool(HWND owner, CUIControl* control, const UIRect& rect, const wchar_t* text) {
    if (!m_open) {
        if (KeptTool* kept = FindKept(control)) {
            kept->rect = rect;
            kept->text = text;
        } else {
            m_kept.push_back(KeptTool{control, rect, WString(text)});
        }
        return true;
    }
    if (!m_hWnd && !Create()) return false;
    return SendAddTool(owner, control, rect, text);
}

void CToolTip::UpdateToolRect(HWND owner, CUIControl* control, const UIRect& rect) {
    if (KeptTool* kept = FindKept(control)) kept->rect = rect;
    if (!m_hWnd) return;
    TOOLINFOW info = ToolInfo(owner, control);
    info.rect = ToRect(rect);
    SendMessageW(m_hWnd, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTip::UpdateToolText(HWND owner, CUIControl* control, const wchar_t* text) {
    if (KeptTool* kept = FindKept(control)) kept->text = text;
    if (!m_hWnd) return;
    TOOLINFOW info = ToolInfo(owner, control);
    info.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(m_hWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTip::RemoveTool(HWND owner, CUIControl* control) {
    m_kept.erase(std::remove_if(m_kept.begin(), m_kept.end(), [control](const KeptTool& t) { return t.control == control; }),
                 m_kept.end());
    if (!m_hWnd) return;
    TOOLINFOW info = ToolInfo(owner, control);
    SendMessageW(m_hWnd, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

int CToolTip::GetToolCount() const {
    return m_hWnd ? static_cast<int>(SendMessageW(m_hWnd, TTM_GETTOOLCOUNT, 0, 0)) : static_cast<int>(m_kept.size());
}

}  // namespace wendaldui
