#include "WendalDui/Control/ComboxDropListWindow.h"

#include "WendalDui/Control/ComboxDropListContainer.h"
#include "WendalDui/Control/UIComboBoxBase.h"
#include "WendalDui/Control/UIContainerShadow.h"
#include "WendalDui/Control/UIListBoxBase.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"

namespace wendaldui {
namespace internal {

namespace {

constexpr UINT_PTR kAnimationTimer = 1;
constexpr UINT kAnimationMs = 10;
constexpr int kSlideDistance = 6;  // logical pixels
constexpr uint32_t kBackground = 0xE6FFFFFF;
constexpr int kFirstSize = 100;  // pixels; each opening places the window anew

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CComboxDropListWindow, CDuiLayeredShadowedWindow)
DUI_MESSAGE_HANDLER(WM_TIMER, OnDropTimer)
DUI_MESSAGE_HANDLER(WM_MOUSEACTIVATE, OnDropMouseActivate)
DUI_MESSAGE_HANDLER(WM_CLOSE, OnDropClose)
DUI_END_MESSAGE_MAP()

CComboxDropListWindow::CComboxDropListWindow(CUIComboBoxBase* combo)
    : CDuiLayeredShadowedWindow(new CComboxDropListContainer), m_combo(combo) {
    SetBackgroundColor(kBackground);
}

void CComboxDropListWindow::MakeControls() { CDuiLayeredShadowedWindow::MakeControls(kFirstSize, kFirstSize); }

bool CComboxDropListWindow::MakeWindow() {
    return m_hWnd || CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOPMOST, kDuiWindowClassName,
                                     L"ComboxDropList", WS_POPUP, 0, 0, kFirstSize, kFirstSize, NULL, NULL,
                                     CDuiApp::GetModuleInstance(), this) != NULL;
}

void CComboxDropListWindow::OnCreate() {
    m_alpha.SetEasing(kEaseOutQuad);
    m_slide.SetEasing(kEaseOutQuad);
    if (CUIListBoxBase* list = GetListBox()) {
        list->BindEvent(kEventClick, this, &CComboxDropListWindow::OnListClick);
        list->BindEvent(kEventSelectionChanged, this, &CComboxDropListWindow::OnListSelection);
    }
}

CUIListBoxBase* CComboxDropListWindow::GetListBox() const {
    const CUIContainerShadow* root = static_cast<const CUIContainerShadow*>(GetRoot());
    CUIContainer* content = root ? root->GetContent() : nullptr;
    return content ? dynamic_cast<CUIListBoxBase*>(content->GetChild(kListId)) : nullptr;
}

void CComboxDropListWindow::MoveTo(const UIRect& rect) {
    const UIRect window = rect.Inflate(ShadowMargin());
    SetWindowPos(m_hWnd, HWND_TOPMOST, window.x, window.y, window.width, window.height, SWP_NOACTIVATE);
}

void CComboxDropListWindow::Place(const UIRect& rect) {
    if (m_hWnd) MoveTo(rect);
}

void CComboxDropListWindow::Show(const UIRect& rect, bool above) {
    if (!m_hWnd) return;
    m_visible = true;
    m_alpha.Start(0, 255, kAnimationFrames);
    const int slide = DpiScale(kSlideDistance);
    m_slide.Start(rect.Offset(0, above ? slide : -slide), rect, kAnimationFrames);
    SetTimer(m_hWnd, kAnimationTimer, kAnimationMs, NULL);
    SetOpacity(0);
    MoveTo(m_slide.GetValue());
    ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
}

void CComboxDropListWindow::Hide() {
    m_visible = false;
    if (!m_hWnd) return;
    KillTimer(m_hWnd, kAnimationTimer);
    ShowWindow(m_hWnd, SW_HIDE);
}

LRESULT CComboxDropListWindow::OnDropTimer(WPARAM wParam, LPARAM lParam) {
    if (wParam != kAnimationTimer) return OnTimerMessage(wParam, lParam);
    const bool fading = m_alpha.Step();
    const bool sliding = m_slide.Step();
    SetOpacity(static_cast<uint8_t>(m_alpha.GetValue()));
    MoveTo(m_slide.GetValue());
    if (!fading && !sliding) KillTimer(m_hWnd, kAnimationTimer);
    return 0;
}

LRESULT CComboxDropListWindow::OnDropMouseActivate(WPARAM, LPARAM) { return MA_NOACTIVATE; }

LRESULT CComboxDropListWindow::OnDropClose(WPARAM, LPARAM) {
    // The owner forwards its system keys here, and Alt+F4 would destroy the
    // window the combo box keeps for its whole life: closing only hides it.
    Hide();
    if (m_combo) m_combo->OnDropDownClosed();
    return 0;
}

void CComboxDropListWindow::OnListClick(EventData&) {
    Hide();
    if (m_combo) m_combo->OnDropDownClosed();
}

void CComboxDropListWindow::OnListSelection(EventData& e) {
    if (m_combo) m_combo->OnListSelection(static_cast<int>(e.p1));
}

}  // namespace internal
}  // namespace wendaldui
