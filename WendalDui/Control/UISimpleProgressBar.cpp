#include "WendalDui/Control/UISimpleProgressBar.h"

#include <gdiplus.h>

#include <cmath>

#include "WendalDui/Core/DuiWindow.h"

namespace wendaldui {

namespace {

constexpr ARGB kTrackColor = 0xCCE6E6E6;
constexpr int kValueFrames = 10;
constexpr UINT kValueTimer = 0;
constexpr UINT kFrameMs = 10;

ARGB StateColor(int state) {
    if (state == kProgressFailed) return 0xCCCB4E4E;
    if (state == kProgressPaused) return 0xCCBC890F;
    return 0xCC0FBC17;
}

}  // namespace

namespace internal {

bool RetargetProgressTween(CTween<float>& tween, float value) {
    // A caller dividing done by a total of 0 passes NaN, which no comparison
    // would clamp and which has no defined conversion to a pixel width.
    if (std::isnan(value) || value < 0.0f) value = 0.0f;
    if (value > 1.0f) value = 1.0f;
    if (value == tween.GetTo()) return false;
    tween.Start(tween.GetValue(), value, kValueFrames);
    return true;
}

}  // namespace internal

void CUISimpleProgressBar::SetValue(float value) {
    if (internal::RetargetProgressTween(m_value, value) && m_window) {
        m_window->SetControlTimer(this, kValueTimer, kFrameMs);
    }
}

void CUISimpleProgressBar::SetBarState(int state) {
    if (state == m_barState) return;
    m_barState = state;
    Invalidate();
}

void CUISimpleProgressBar::OnCreate(void*) {
    m_value.SetEasing(kEaseOutQuad);
    m_value.SetMode(kTweenOnce);
    m_value.Start(0.0f, 0.0f, kValueFrames);
}

void CUISimpleProgressBar::OnTimer(UINT localId) {
    if (localId != kValueTimer) return;
    m_value.Step();
    Invalidate();
    if (!m_value.IsRunning() && m_window) m_window->KillControlTimer(this, kValueTimer);
}

void CUISimpleProgressBar::OnPaint(PaintContext& context) {
    const UIRect& r = context.rect;
    Gdiplus::SolidBrush track{Gdiplus::Color(kTrackColor)};
    context.graphics->FillRectangle(&track, r.x, r.y, r.width, r.height);
    const int filled = static_cast<int>(static_cast<float>(r.width) * m_value.GetValue() + 0.5f);
    if (filled <= 0) return;
    Gdiplus::SolidBrush bar{Gdiplus::Color(StateColor(m_barState))};
    context.graphics->FillRectangle(&bar, r.x, r.y, filled, r.height);
}

}  // namespace wendaldui
