#include "WendalDui/Control/UIRingProgressBar.h"

#include <gdiplus.h>

#include <algorithm>

#include "WendalDui/Control/UISimpleProgressBar.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiWindow.h"
#include "WendalDui/Core/SkinPaint.h"

namespace wendaldui {

namespace {

constexpr UINT kValueTimer = 0;
constexpr UINT kSpinTimer = 1;
constexpr UINT kFrameMs = 10;
constexpr int kValueFrames = 10;
constexpr int kSpinFrames = 50;

}  // namespace

void CUIRingProgressBar::SetValue(float value) {
    if (internal::RetargetProgressTween(m_value, value) && m_window) {
        m_window->SetControlTimer(this, kValueTimer, kFrameMs);
    }
}

void CUIRingProgressBar::StartSpin() {
    m_spin.Start(0.0f, 1.0f, kSpinFrames);
    if (m_window) m_window->SetControlTimer(this, kSpinTimer, kFrameMs);
}

void CUIRingProgressBar::OnCreate(void*) {
    m_value.SetEasing(kEaseOutQuad);
    m_value.SetMode(kTweenOnce);
    m_value.Start(0.0f, 0.0f, kValueFrames);
    m_spin.SetMode(kTweenLoop);
    if (m_flags & kRingIndeterminate) StartSpin();
}

void CUIRingProgressBar::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIControl::OnFlagChange(newFlags, bit, value, accepted);
    if (accepted || bit != kRingIndeterminate) return;
    accepted = true;
    if (value) {
        StartSpin();
    } else if (m_window) {
        // The arc grows again from nothing to the value it stands for.
        m_window->KillControlTimer(this, kSpinTimer);
        m_value.Start(0.0f, m_value.GetTo(), kValueFrames);
        m_window->SetControlTimer(this, kValueTimer, kFrameMs);
    }
    Invalidate();
}

void CUIRingProgressBar::OnTimer(UINT localId) {
    if (localId == kValueTimer) {
        m_value.Step();
        Invalidate();
        if (!m_value.IsRunning() && m_window) m_window->KillControlTimer(this, kValueTimer);
    } else if (localId == kSpinTimer) {
        m_spin.Step();
        Invalidate();
    }
}

void CUIRingProgressBar::OnPaint(PaintContext& context) {
    const UIRect& r = context.rect;
    const float side = static_cast<float>(std::min(r.width, r.height) - 2);
    if (side <= 0.0f) return;
    Gdiplus::Graphics* graphics = context.graphics;
    graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    const Gdiplus::RectF square(static_cast<float>(r.x + 1), static_cast<float>(r.y + 1), side, side);
    const float thickness = 2.0f * g_dpiFactor;
    Gdiplus::SolidBrush track{Gdiplus::Color(0x66646464)};
    Gdiplus::SolidBrush arc{Gdiplus::Color(0x80FFFFFF)};
    FillArcBand(graphics, &track, square, 0.0f, 1.0f, thickness);
    if (m_flags & kRingIndeterminate) {
        const float p = m_spin.GetValue();
        FillArcBand(graphics, &arc, square, p + 0.1f, p + 0.4f, thickness);
        FillArcBand(graphics, &arc, square, p + 0.6f, p + 0.9f, thickness);
    } else {
        // An arc of no length is no figure to fill.
        const float shown = m_value.GetValue();
        if (shown > 0.0f) FillArcBand(graphics, &arc, square, 0.0f, shown, thickness);
    }
}

}  // namespace wendaldui
