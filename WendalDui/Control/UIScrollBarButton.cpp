#include "WendalDui/Control/UIScrollBarButton.h"

#include <gdiplus.h>

#include "WendalDui/Control/UIScrollBar.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/DuiWindow.h"

namespace wendaldui {
namespace internal {

namespace {

constexpr UINT kRepeatTimer = 10;
constexpr UINT kRepeatMs = 100;
// Ticks that only count before the repeat begins: the second step comes
// after 300 ms, the later ones every 100 ms.
constexpr int kRepeatDelayTicks = 2;
constexpr int kBackgroundEntry = 20;
constexpr int kArrowEntry = 24;

}  // namespace

int CUIScrollBarButton::GetArrowDirection() const {
    const bool second = (m_flags & kScrollButtonSecond) != 0;
    if (m_flags & kScrollButtonVertical) return second ? kArrowDown : kArrowUp;
    return second ? kArrowRight : kArrowLeft;
}

void CUIScrollBarButton::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIButtonBase::OnFlagChange(newFlags, bit, value, accepted);
    if (bit == kScrollButtonVertical || bit == kScrollButtonSecond) {
        accepted = true;
        Invalidate();
    }
}

void CUIScrollBarButton::OnCreate(void*) {
    m_visualState = IsEffectivelyEnabled() ? kVisualNormal : kVisualDisabled;
    RestTween(m_background, PaletteColor(kBackgroundEntry + m_visualState));
    RestTween(m_arrow, PaletteColor(kArrowEntry + m_visualState));
}

void CUIScrollBarButton::SendStep() {
    if (CUIScrollBar* bar = static_cast<CUIScrollBar*>(m_parent)) {
        bar->SendRequest((m_flags & kScrollButtonSecond) ? SB_LINEDOWN : SB_LINEUP);
    }
}

void CUIScrollBarButton::OnLButtonDown(WPARAM keys, int x, int y) {
    SendStep();
    m_repeatCounter = 0;
    if (m_window) m_window->SetControlTimer(this, kRepeatTimer, kRepeatMs);
    CUIButtonBase::OnLButtonDown(keys, x, y);
}

void CUIScrollBarButton::OnLButtonUp(WPARAM keys, int x, int y) {
    if (m_window) m_window->KillControlTimer(this, kRepeatTimer);
    CUIButtonBase::OnLButtonUp(keys, x, y);
}

void CUIScrollBarButton::OnEnable(bool enabled) {
    if (!enabled && m_window) m_window->KillControlTimer(this, kRepeatTimer);
    CUIButtonBase::OnEnable(enabled);
}

void CUIScrollBarButton::OnTimer(UINT localId) {
    if (localId == kRepeatTimer) {
        if (m_repeatCounter < kRepeatDelayTicks) {
            ++m_repeatCounter;
        } else {
            SendStep();
        }
    } else if (localId == kFadeTimer) {
        StepFade({&m_background, &m_arrow});
    }
}

void CUIScrollBarButton::OnStateChanged(int state) {
    // Pressing answers faster than the other changes.
    const int frames = state == kVisualPressed ? 3 : 4;
    RetargetTween(m_background, PaletteColor(kBackgroundEntry + state), frames);
    RetargetTween(m_arrow, PaletteColor(kArrowEntry + state), frames);
    StartFade();
}

void CUIScrollBarButton::OnPaint(PaintContext& context) {
    Gdiplus::Graphics* graphics = context.graphics;
    const UIRect& r = context.rect;
    Gdiplus::SolidBrush background{Gdiplus::Color(m_background.GetValue())};
    graphics->FillRectangle(&background, r.x, r.y, r.width, r.height);
    const CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    Gdiplus::GraphicsPath* path = skin ? skin->GetArrowPath(GetArrowDirection()) : nullptr;
    if (!path) return;
    // The skin's arrows are centred on the origin; the caller's container
    // restores the smoothing mode and the transform.
    graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics->TranslateTransform(static_cast<Gdiplus::REAL>(r.x) + static_cast<Gdiplus::REAL>(r.width) / 2,
                                 static_cast<Gdiplus::REAL>(r.y) + static_cast<Gdiplus::REAL>(r.height) / 2);
    Gdiplus::SolidBrush arrow{Gdiplus::Color(m_arrow.GetValue())};
    graphics->FillPath(&arrow, path);
}

}  // namespace internal
}  // namespace wendaldui
