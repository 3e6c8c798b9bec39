#include "WendalDui/Core/DuiMenuWindow.h"

#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/Menu.h"
#include "WendalDui/Core/UIMenu.h"

namespace wendaldui {
namespace internal {

namespace {

constexpr UINT_PTR kFadeTimer = 1;
constexpr UINT kFadeIntervalMs = 6;
constexpr int kFadeFrames = 10;
constexpr int kBackgroundEntry = 115;

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CDuiMenuWindow, CDuiLayeredShadowedWindow)
DUI_MESSAGE_HANDLER(WM_CREATE, OnMenuCreate)
DUI_MESSAGE_HANDLER(WM_TIMER, OnMenuTimer)
DUI_MESSAGE_HANDLER(WM_MOUSEACTIVATE, OnMenuMouseActivate)
DUI_END_MESSAGE_MAP()

CDuiMenuWindow::CDuiMenuWindow() : CDuiLayeredShadowedWindow(new CUIMenu) {
    m_fade.SetEasing(kEaseLinear);
    m_fade.SetMode(kTweenOnce);
}

CDuiMenuWindow::~CDuiMenuWindow() = default;

bool CDuiMenuWindow::Create(CDuiWindow* owner, CMenu* menu, int x, int y) {
    if (!owner || !menu || (menu->m_window && menu->m_window != this)) return false;
    m_owner = owner;
    m_menu = menu;
    m_x = x;
    m_y = y;
    menu->m_window = this;
    if (CDuiSkinManager* skin = CDuiSkinManager::GetInstance()) SetBackgroundColor(skin->GetColor(kBackgroundEntry));
    return CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOPMOST, kDuiWindowClassName, L"Menu", WS_POPUP, 0, 0, 100, 100,
                           owner->GetHWND(), NULL, CDuiApp::GetModuleInstance(), this) != NULL;
}

void CDuiMenuWindow::Show() {
    m_fade.Start(0, 255, kFadeFrames);
    SetOpacity(0);  // pushed only when the window exists
    if (!m_hWnd) return;
    SetTimer(m_hWnd, kFadeTimer, kFadeIntervalMs, NULL);
    ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
}

LRESULT CDuiMenuWindow::OnMenuCreate(WPARAM wParam, LPARAM lParam) {
    // The shadowed window's creation adds WS_EX_LAYERED, builds the menu
    // (CUIMenu::OnCreate places and sizes the window) and makes the shadow
    // strips copy their pixels.
    const LRESULT result = OnShadowedCreate(wParam, lParam);
    m_owner->AddMessageFilter(this);
    return result;
}

LRESULT CDuiMenuWindow::OnMenuTimer(WPARAM wParam, LPARAM lParam) {
    if (wParam != kFadeTimer) return OnTimerMessage(wParam, lParam);
    m_fade.Step();
    SetOpacity(static_cast<uint8_t>(m_fade.GetValue()));
    if (!m_fade.IsRunning()) KillTimer(m_hWnd, kFadeTimer);
    return 0;
}

LRESULT CDuiMenuWindow::OnMenuMouseActivate(WPARAM, LPARAM) { return MA_NOACTIVATE; }

LRESULT CDuiMenuWindow::MessageFilter(HWND, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (ClosesPopup(message)) {
        PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        return 0;
    }
    if (message >= WM_KEYDOWN && message <= WM_UNICHAR) {
        handled = true;
        SendMessageW(m_hWnd, message, wParam, lParam);
    }
    return 0;
}

void CDuiMenuWindow::OnFinalMessage() {
    if (m_owner) m_owner->RemoveMessageFilter(this);
    if (m_menu && m_menu->m_window == this) m_menu->m_window = nullptr;
    delete this;
}

}  // namespace internal
}  // namespace wendaldui
