#include "WendalDui/Control/UIScrollContainer.h"

#include <gdiplus.h>

#include "WendalDui/Control/UIButtonBase.h"
#include "WendalDui/Control/UIScrollBar.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/DuiWindow.h"

namespace wendaldui {

namespace {

constexpr UINT kBorderTimer = 0;
constexpr int kBorderEntry = 4;
constexpr uint32_t kStyleBits = kScrollHasVertical | kScrollHasHorizontal | kScrollFrame | kScrollFrameStill;
// Bars start hidden until the content needs them.
constexpr uint32_t kBarFlags = kControlRectInPixels | kControlDoubleClicks | kControlFocusable;
constexpr uint32_t kViewFlags = kControlVisible | kControlRectInPixels;

bool IsShown(const CUIControl* bar) { return bar && (bar->GetFlags() & kControlVisible); }

}  // namespace

int CUIScrollContainer::BarThickness() { return static_cast<int>(14 * g_dpiFactor); }

CUIScrollBar* CUIScrollContainer::GetVerticalBar() const {
    return m_vertical && HasChild(m_vertical) ? m_vertical : nullptr;
}

CUIScrollBar* CUIScrollContainer::GetHorizontalBar() const {
    return m_horizontal && HasChild(m_horizontal) ? m_horizontal : nullptr;
}

bool CUIScrollContainer::IsVerticalBarShown() const { return IsShown(GetVerticalBar()); }

bool CUIScrollContainer::IsHorizontalBarShown() const { return IsShown(GetHorizontalBar()); }

void CUIScrollContainer::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIContainer::OnFlagChange(newFlags, bit, value, accepted);
    if (bit & kStyleBits) accepted = true;
}

void CUIScrollContainer::CalcLayout(int width, int height, bool vertical, bool horizontal, UIRect& view,
                                    UIRect& verticalBar, UIRect& horizontalBar) const {
    const int b = FrameWidth();
    const int tv = vertical ? BarThickness() : 0;
    const int th = horizontal ? BarThickness() : 0;
    view = UIRect(b, b, width - 2 * b - tv, height - 2 * b - th);
    verticalBar = UIRect(width - b - tv, b, tv, view.height);
    horizontalBar = UIRect(b, height - b - th, view.width, th);
}

void CUIScrollContainer::LayOut(int width, int height) {
    const bool vertical = IsVerticalBarShown(), horizontal = IsHorizontalBarShown();
    UIRect view, verticalBar, horizontalBar;
    CalcLayout(width, height, vertical, horizontal, view, verticalBar, horizontalBar);
    if (CUIControl* control = GetView()) control->SetPos(view);
    // Sizing the view may show or hide a bar at once (a rich edit's text
    // services do), and that laid everything out for the new bars already:
    // these rects, made for the old ones, would squash a new bar to nothing.
    if (vertical != IsVerticalBarShown() || horizontal != IsHorizontalBarShown()) return;
    if (vertical) m_vertical->SetPos(verticalBar);
    if (horizontal) m_horizontal->SetPos(horizontalBar);
}

void CUIScrollContainer::OnCreate(void* arg) {
    UIRect view, verticalBar, horizontalBar;
    CalcLayout(m_rect.width, m_rect.height, false, false, view, verticalBar, horizontalBar);
    if (m_flags & kScrollHasVertical) {
        m_vertical = new CUIScrollBar;
        if (m_vertical->Create(this, kBarFlags, verticalBar, kVerticalBarId)) {
            m_vertical->BindEvent(kEventVScroll, this, &CUIScrollContainer::OnBarEvent);
        } else {
            delete m_vertical;
            m_vertical = nullptr;
        }
    }
    if (m_flags & kScrollHasHorizontal) {
        m_horizontal = new CUIScrollBar;
        if (m_horizontal->Create(this, kBarFlags | kScrollBarHorizontal, horizontalBar, kHorizontalBarId)) {
            m_horizontal->BindEvent(kEventHScroll, this, &CUIScrollContainer::OnBarEvent);
        } else {
            delete m_horizontal;
            m_horizontal = nullptr;
        }
    }
    m_borderState = IsEffectivelyEnabled() ? kBorderNormal : kBorderDisabled;
    internal::RestTween(m_borderTween, internal::PaletteColor(kBorderEntry + m_borderState));
    m_view = CreateView(ViewCreateInfo{this, arg, view, kViewFlags, kViewId});
}

void CUIScrollContainer::OnSize(int width, int height) { LayOut(width, height); }

void CUIScrollContainer::ShowScrollBars(bool vertical, bool horizontal) {
    CUIScrollBar* bars[2] = {GetVerticalBar(), GetHorizontalBar()};
    const bool shown[2] = {vertical, horizontal};
    for (int i = 0; i < 2; ++i) {
        if (!bars[i]) continue;
        const uint32_t flags = bars[i]->GetFlags();
        bars[i]->SetFlags(shown[i] ? (flags | kControlVisible) : (flags & ~kControlVisible));
    }
    LayOut(m_rect.width, m_rect.height);
}

void CUIScrollContainer::OnPaint(PaintContext& context) {
    if (m_flags & kScrollFrame) {
        const UIRect& r = context.rect;
        Gdiplus::Pen pen(Gdiplus::Color(m_borderTween.GetValue()), 1.0f);
        context.graphics->DrawRectangle(&pen, r.x, r.y, r.width - 1, r.height - 1);
    }
    CUIContainer::OnPaint(context);
}

int CUIScrollContainer::HitTest(int, int, CUIControl*& out) {
    // The container takes the focus for its view.
    out = this;
    return kHitClient;
}

void CUIScrollContainer::OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) {
    // Tab leaves the container: the view never sees it.
    if (vk == VK_TAB && !(GetKeyState(VK_CONTROL) & 0x8000)) {
        CUIControl::OnKeyDown(vk, repeat, keyFlags);
    } else {
        CUIContainer::OnKeyDown(vk, repeat, keyFlags);
    }
}

void CUIScrollContainer::OnSetFocus(int) {
    if (CUIControl* view = GetView()) view->SetFocus(kFocusByProgram);
    if (FrameLightsUp()) SetBorderState(kBorderFocused);
}

void CUIScrollContainer::OnKillFocus() {
    CUIContainer::OnKillFocus();
    if (FrameLightsUp()) SetBorderState(kBorderNormal);
}

void CUIScrollContainer::OnMouseEnter() {
    if (FrameLightsUp() && !HasFocus()) SetBorderState(kBorderHover);
}

void CUIScrollContainer::OnMouseLeave() {
    CUIContainer::OnMouseLeave();
    if (FrameLightsUp() && !HasFocus()) SetBorderState(kBorderNormal);
}

void CUIScrollContainer::OnEnable(bool enabled) {
    CUIContainer::OnEnable(enabled);
    SetBorderState(enabled ? kBorderNormal : kBorderDisabled);
}

void CUIScrollContainer::SetBorderState(int state) {
    if (state == m_borderState) return;
    m_borderState = state;
    if (!(m_flags & kScrollFrame)) return;
    const int frames = state == kBorderFocused ? 3 : 5;
    internal::RetargetTween(m_borderTween, internal::PaletteColor(kBorderEntry + state), frames);
    if (m_window) m_window->SetControlTimer(this, kBorderTimer, 20);
}

void CUIScrollContainer::OnTimer(UINT localId) {
    if (localId != kBorderTimer) return;
    const bool running = m_borderTween.Step();
    // Only the frame's four edges change.
    const int w = m_rect.width, h = m_rect.height;
    InvalidateRect(UIRect(0, 0, w, 1));
    InvalidateRect(UIRect(0, h - 1, w, 1));
    InvalidateRect(UIRect(0, 0, 1, h));
    InvalidateRect(UIRect(w - 1, 0, 1, h));
    if (!running && m_window) m_window->KillControlTimer(this, kBorderTimer);
}

void CUIScrollContainer::OnSkinChanged(uint32_t bits) {
    CUIContainer::OnSkinChanged(bits);
    if (!(bits & kSkinChangedColors)) return;
    // The frame's colours follow the theme.
    internal::RestTween(m_borderTween, internal::PaletteColor(kBorderEntry + m_borderState));
    Invalidate();
}

}  // namespace wendaldui
