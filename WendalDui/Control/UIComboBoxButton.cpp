#include "WendalDui/Control/UIComboBoxButton.h"

#include <gdiplus.h>

#include "WendalDui/Control/UIComboBoxBase.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"

namespace wendaldui {
namespace internal {

namespace {

// Palette entries of each role; the visual state is added to them.
constexpr int kBackgroundEntry = 52;
constexpr int kBorderEntry = 44;
constexpr int kArrowEntry = 48;
// The chevron's size and stroke, in logical pixels.
constexpr float kArrowWidth = 11.0f;
constexpr float kArrowHeight = 5.0f;
constexpr float kArrowStroke = 2.0f;

}  // namespace

void CUIComboBoxButton::RestColors() {
    RestTween(m_background, PaletteColor(kBackgroundEntry + m_visualState));
    RestTween(m_border, PaletteColor(kBorderEntry + m_visualState));
    RestTween(m_arrow, PaletteColor(kArrowEntry + m_visualState));
}

void CUIComboBoxButton::OnCreate(void*) {
    m_visualState = IsEffectivelyEnabled() ? kVisualNormal : kVisualDisabled;
    RestColors();
}

void CUIComboBoxButton::OnSkinChanged(uint32_t bits) {
    if (bits & kSkinChangedColors) RestColors();
}

void CUIComboBoxButton::OnLButtonDown(WPARAM keys, int x, int y) {
    CUIButtonBase::OnLButtonDown(keys, x, y);
    // Open means the click that closed the list is this one: it must not reopen it.
    CUIComboBoxBase* combo = dynamic_cast<CUIComboBoxBase*>(m_parent);
    if (combo && !combo->IsDropDownOpen()) combo->ShowDropDown(true);
}

void CUIComboBoxButton::OnStateChanged(int state) {
    const int frames = state == kVisualPressed ? 3 : 5;
    RetargetTween(m_background, PaletteColor(kBackgroundEntry + state), frames);
    RetargetTween(m_border, PaletteColor(kBorderEntry + state), frames);
    RetargetTween(m_arrow, PaletteColor(kArrowEntry + state), frames);
    StartFade();
}

void CUIComboBoxButton::OnTimer(UINT localId) {
    if (localId == kFadeTimer) StepFade({&m_background, &m_border, &m_arrow});
}

void CUIComboBoxButton::OnPaint(PaintContext& context) {
    Gdiplus::Graphics* graphics = context.graphics;
    const UIRect& r = context.rect;
    Gdiplus::SolidBrush fill{Gdiplus::Color(m_background.GetValue())};
    graphics->FillRectangle(&fill, r.x, r.y, r.width, r.height);

    const float width = kArrowWidth * g_dpiFactor, height = kArrowHeight * g_dpiFactor;
    const float left = static_cast<float>(r.x) + (static_cast<float>(r.width) - width) / 2;
    const float top = static_cast<float>(r.y) + (static_cast<float>(r.height) - height) / 2;
    Gdiplus::Region saved;
    graphics->GetClip(&saved);
    const Gdiplus::SmoothingMode smoothing = graphics->GetSmoothingMode();
    // The cut one pixel below the top squares off the round caps of the arms.
    graphics->SetClip(Gdiplus::RectF(left - 1, top + 1, width + 5, height + 5), Gdiplus::CombineModeIntersect);
    graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::Pen pen(Gdiplus::Color(m_arrow.GetValue()), kArrowStroke * g_dpiFactor);
    pen.SetLineJoin(Gdiplus::LineJoinMiter);
    pen.SetStartCap(Gdiplus::LineCapRound);
    pen.SetEndCap(Gdiplus::LineCapRound);
    const Gdiplus::PointF chevron[3] = {{left, top}, {left + width / 2, top + height}, {left + width, top}};
    graphics->DrawLines(&pen, chevron, 3);
    graphics->SetSmoothingMode(smoothing);
    graphics->SetClip(&saved);

    Gdiplus::Pen frame(Gdiplus::Color(m_border.GetValue()), 1.0f);
    graphics->DrawRectangle(&frame, r.x, r.y, r.width - 1, r.height - 1);
}

}  // namespace internal
}  // namespace wendaldui
