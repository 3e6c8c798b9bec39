#include "WendalDui/Core/DuiDialog.h"

#include <dwmapi.h>
#include <windowsx.h>

#include "WendalDui/Control/UITitleBar.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ShadowWindow.h"
#include "WendalDui/Core/UIDialogContainer.h"

namespace wendaldui {

namespace {

constexpr int kBorderWidth = 4;
constexpr int kMinTrackWidth = 200;
constexpr int kMinTrackHeight = 100;

// dwmapi is loaded when a dialog first asks for the DWM frame (a setting
// most players leave off), not with every start.
HMODULE DwmLibrary() {
    static const HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
    return dwm;
}

template <typename Proc>
Proc DwmProc(const char* name) {
    // Through void (*)() so that the compiler accepts the change of signature.
    return DwmLibrary() ? reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(DwmLibrary(), name)))
                        : nullptr;
}

bool SystemCompositionEnabled() {
    typedef HRESULT(WINAPI * Query)(BOOL*);
    static const Query query = DwmProc<Query>("DwmIsCompositionEnabled");
    BOOL enabled = FALSE;
    return query && SUCCEEDED(query(&enabled)) && enabled;
}

void ExtendFrameIntoClientArea(HWND hwnd, const MARGINS& margins) {
    typedef HRESULT(WINAPI * Extend)(HWND, const MARGINS*);
    static const Extend extend = DwmProc<Extend>("DwmExtendFrameIntoClientArea");
    if (extend) extend(hwnd, &margins);
}

CompositionQuery g_compositionQuery = &SystemCompositionEnabled;

}  // namespace

CompositionQuery SetCompositionQuery(CompositionQuery query) {
    CompositionQuery old = g_compositionQuery;
    g_compositionQuery = query ? query : &SystemCompositionEnabled;
    return old;
}

DUI_BEGIN_MESSAGE_MAP(CDuiDialog, CDuiWindow)
DUI_MESSAGE_HANDLER(WM_CREATE, OnDialogCreate)
DUI_MESSAGE_HANDLER(WM_PAINT, OnDialogPaint)
DUI_MESSAGE_HANDLER(WM_NCHITTEST, OnNcHitTest)
DUI_MESSAGE_HANDLER(WM_NCCALCSIZE, OnNcCalcSize)
DUI_MESSAGE_HANDLER(WM_NCACTIVATE, OnNcActivate)
DUI_MESSAGE_HANDLER(WM_SETTEXT, OnSetText)
DUI_MESSAGE_HANDLER(WM_GETMINMAXINFO, OnGetMinMaxInfo)
DUI_MESSAGE_HANDLER(WM_SIZE, OnDialogSize)
DUI_MESSAGE_HANDLER(WM_MOVE, OnDialogMove)
DUI_MESSAGE_HANDLER(WM_SHOWWINDOW, OnDialogShowWindow)
DUI_MESSAGE_HANDLER(WM_DESTROY, OnDialogDestroy)
DUI_END_MESSAGE_MAP()

CDuiDialog::CDuiDialog(CUIContainer* client) { SetRoot(new internal::CUIDialogContainer(client)); }

CDuiDialog::~CDuiDialog() {
    // The base destroys the window; the shadows go with WM_DESTROY then.
    if (m_hWnd) DestroyWindow(m_hWnd);
    DestroyShadows();
}

CUITitleBar* CDuiDialog::GetTitleBar() const {
    return GetRoot() ? dynamic_cast<CUITitleBar*>(GetRoot()->GetChild(kDialogTitleBarId)) : nullptr;
}

CUIContainer* CDuiDialog::GetClientContainer() const {
    return GetRoot() ? dynamic_cast<CUIContainer*>(GetRoot()->GetChild(kDialogClientId)) : nullptr;
}

void CDuiDialog::OnCreate() {
    m_maxTrackWidth = 0x7FFFFFFF;
    m_maxTrackHeight = 0x7FFFFFFF;
    m_minTrackWidth = static_cast<int>(kMinTrackWidth * g_dpiFactor);
    m_minTrackHeight = static_cast<int>(kMinTrackHeight * g_dpiFactor);
    m_resizable = (GetWindowLongW(m_hWnd, GWL_STYLE) & WS_THICKFRAME) != 0;
    CUITitleBar* bar = GetTitleBar();
    if (!bar) return;
    const struct {
        uint32_t style;
        int id;
    } buttons[] = {{kTitleBarClose, kTitleBarCloseId},
                   {kTitleBarMaximize, kTitleBarMaximizeId},
                   {kTitleBarMinimize, kTitleBarMinimizeId}};
    for (const auto& button : buttons) {
        if (!(bar->GetFlags() & button.style)) continue;
        if (CUIControl* control = bar->GetChild(button.id)) {
            control->BindEvent(kEventClick, this, &CDuiDialog::OnTitleBarButton);
        }
    }
    WString text;
    GetWindowText(text);
    bar->SetTitle(text.GetString());
}

void CDuiDialog::OnTitleBarButton(EventData& event) {
    if (!event.sender) return;
    switch (event.sender->GetId()) {
        case kTitleBarMinimizeId:
            ShowWindow(m_hWnd, SW_MINIMIZE);
            break;
        case kTitleBarMaximizeId:
            ShowWindow(m_hWnd, IsZoomed(m_hWnd) ? SW_RESTORE : SW_MAXIMIZE);
            break;
        case kTitleBarCloseId:
            PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
            break;
    }
}

int CDuiDialog::BorderHitTest(const RECT& w, POINT pt, int b) {
    const bool left = pt.x >= w.left && pt.x < w.left + b;
    const bool right = pt.x >= w.right - b && pt.x < w.right;
    const bool top = pt.y >= w.top && pt.y < w.top + b;
    const bool bottom = pt.y >= w.bottom - b && pt.y < w.bottom;
    if (left && bottom) return HTBOTTOMLEFT;
    if (right && bottom) return HTBOTTOMRIGHT;
    if (left && top) return HTTOPLEFT;
    if (right && top) return HTTOPRIGHT;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    if (bottom) return HTBOTTOM;
    if (top) return HTTOP;
    return 0;
}

LRESULT CDuiDialog::OnDialogCreate(WPARAM wParam, LPARAM lParam) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    const LONG style = GetWindowLongW(m_hWnd, GWL_STYLE);
    if (skin && (skin->GetStyleFlags() & kSkinStyleDwmFrame)) {
        SetWindowLongW(m_hWnd, GWL_STYLE, style | WS_CAPTION);
        if (g_compositionQuery()) {
            const MARGINS margins = {0, 0, 1, 0};
            ExtendFrameIntoClientArea(m_hWnd, margins);
        }
    } else {
        SetWindowLongW(m_hWnd, GWL_STYLE, style & ~WS_CAPTION);
        m_shadowsWanted = true;
    }
    return OnCreateMessage(wParam, lParam);
}

namespace {
constexpr UINT_PTR kShadowTimerId = 0x7FFE;
constexpr UINT kShadowDelayMs = 30;  // the first frame is on the screen by then
}  // namespace

LRESULT CDuiDialog::OnDialogPaint(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = OnPaintMessage(wParam, lParam);
    if (m_shadowsWanted) {
        m_shadowsWanted = false;
        // A timer with its own procedure: no subclass's WM_TIMER handling sees it.
        SetTimer(m_hWnd, kShadowTimerId, kShadowDelayMs, &CDuiDialog::MakeShadowsLater);
    }
    return result;
}

void CALLBACK CDuiDialog::MakeShadowsLater(HWND hwnd, UINT, UINT_PTR timer, DWORD) {
    KillTimer(hwnd, timer);
    auto* base = reinterpret_cast<CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (auto* dialog = dynamic_cast<CDuiDialog*>(base)) dialog->MakeShadows();
}

void CDuiDialog::MakePendingShadows(HWND hwnd) {
    // Only a window of this thread and of the library's procedure holds one of our objects.
    if (!hwnd || GetWindowThreadProcessId(hwnd, NULL) != GetCurrentThreadId() ||
        GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&DuiWindowProc)) {
        return;
    }
    auto* dialog = dynamic_cast<CDuiDialog*>(reinterpret_cast<CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
    if (dialog && !dialog->m_shadows[0] && (dialog->m_shadowsWanted || KillTimer(hwnd, kShadowTimerId))) {
        dialog->MakeShadows();
    }
}

void CDuiDialog::MakeShadows() {
    if (!m_hWnd || m_shadows[0]) return;
    m_shadowsWanted = false;
    for (int side = 0; side < 4; ++side) {
        m_shadows[side] = new internal::CShadowWindow(side);
        m_shadows[side]->Create(m_hWnd);
    }
    SyncShadows();
    if (IsWindowVisible(m_hWnd) && !IsIconic(m_hWnd)) {
        for (internal::CShadowWindow* shadow : m_shadows) ShowWindow(shadow->GetHWND(), SW_SHOWNOACTIVATE);
    }
}

LRESULT CDuiDialog::OnNcHitTest(WPARAM, LPARAM lParam) {
    const POINT screen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (m_resizable) {
        RECT window;
        GetWindowRect(m_hWnd, &window);
        if (const int code = BorderHitTest(window, screen, static_cast<int>(kBorderWidth * g_dpiFactor))) return code;
    }
    POINT pt = screen;
    ScreenToClient(m_hWnd, &pt);
    CUIControl* hit = nullptr;
    return GetRoot() && GetRoot()->HitTest(pt.x, pt.y, hit) == kHitCaption ? HTCAPTION : HTCLIENT;
}

// The client area is the whole window: the system draws no frame.
LRESULT CDuiDialog::OnNcCalcSize(WPARAM, LPARAM) { return 0; }

LRESULT CDuiDialog::OnNcActivate(WPARAM wParam, LPARAM) {
    if (CUITitleBar* bar = GetTitleBar()) {
        bar->SetFlags(wParam ? (bar->GetFlags() | kTitleBarActive) : (bar->GetFlags() & ~kTitleBarActive));
    }
    return 1;
}

LRESULT CDuiDialog::OnSetText(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = DefaultProc(WM_SETTEXT, wParam, lParam);
    if (CUITitleBar* bar = GetTitleBar()) {
        const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
        bar->SetTitle(text ? text : L"");
        UpdateWindow(m_hWnd);
    }
    return result;
}

void CDuiDialog::PlaceMaximized(const RECT& monitor, const RECT& work, MINMAXINFO& info) {
    info.ptMaxSize.x = work.right - work.left;
    info.ptMaxSize.y = work.bottom - work.top - 1;
    info.ptMaxPosition.x = work.left - monitor.left;
    info.ptMaxPosition.y = work.top - monitor.top;
}

LRESULT CDuiDialog::OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam) {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return DefaultProc(WM_GETMINMAXINFO, wParam, lParam);
    }
    MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
    PlaceMaximized(monitor.rcMonitor, monitor.rcWork, *info);
    // Before OnCreate the track sizes are unknown; the system's stand.
    if (m_minTrackWidth >= 0) {
        info->ptMinTrackSize.x = m_minTrackWidth;
        info->ptMinTrackSize.y = m_minTrackHeight;
        info->ptMaxTrackSize.x = m_maxTrackWidth;
        info->ptMaxTrackSize.y = m_maxTrackHeight;
    }
    return 0;
}

void CDuiDialog::SyncShadows() {
    if (!m_shadows[0]) return;
    RECT window;
    GetWindowRect(m_hWnd, &window);
    for (internal::CShadowWindow* shadow : m_shadows) shadow->SyncToOwner(window);
}

void CDuiDialog::DestroyShadows() {
    for (internal::CShadowWindow*& shadow : m_shadows) {
        delete shadow;  // destroys its window
        shadow = nullptr;
    }
}

LRESULT CDuiDialog::OnDialogSize(WPARAM wParam, LPARAM lParam) {
    SyncShadows();
    return OnSizeMessage(wParam, lParam);
}

LRESULT CDuiDialog::OnDialogMove(WPARAM wParam, LPARAM lParam) {
    SyncShadows();
    return DefaultProc(WM_MOVE, wParam, lParam);
}

LRESULT CDuiDialog::OnDialogShowWindow(WPARAM wParam, LPARAM lParam) {
    SyncShadows();
    if (m_shadows[0]) {
        for (internal::CShadowWindow* shadow : m_shadows) {
            ShowWindowAsync(shadow->GetHWND(), wParam ? SW_SHOWNOACTIVATE : SW_HIDE);
        }
    }
    return DefaultProc(WM_SHOWWINDOW, wParam, lParam);
}

LRESULT CDuiDialog::OnDialogDestroy(WPARAM wParam, LPARAM lParam) {
    DestroyShadows();
    return OnDestroyMessage(wParam, lParam);
}

}  // namespace wendaldui
