#include "WendalDui/Control/UICheckBox.h"

#include <gdiplus.h>

#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ImageProcessing.h"
#include "WendalDui/Core/SkinPaint.h"

namespace wendaldui {

namespace {

// Palette entries of each role; the visual state is added to them.
constexpr int kBorderEntry = 60;
constexpr int kCheckedFillEntry = 64;
constexpr int kUncheckedFillEntry = 68;
constexpr int kMarkEntry = 72;
constexpr int kTextEntry = 0;
constexpr int kDisabledTextEntry = 3;
constexpr int kLeftFormat = 2;
// Logical width of the column the box is centred in.
constexpr int kBoxColumn = 13;
constexpr int kFadeFrames = 3;

struct BoxColors {
    ARGB border, fill, mark;
};

BoxColors ColorsFor(bool checked, int state) {
    BoxColors colors;
    colors.border = internal::PaletteColor(kBorderEntry + state);
    colors.fill = internal::PaletteColor((checked ? kCheckedFillEntry : kUncheckedFillEntry) + state);
    // Unchecked, the mark fades out in its own colour rather than through black.
    colors.mark = internal::PaletteColor(kMarkEntry + state);
    if (!checked) colors.mark &= 0x00FFFFFFu;
    return colors;
}

}  // namespace

void CUICheckBox::SetText(const wchar_t* text) {
    m_text = text ? text : L"";
    UpdateAutoSize();
    Invalidate();
}

void CUICheckBox::FadeTo(bool checked) {
    const BoxColors colors = ColorsFor(checked, m_visualState);
    internal::RetargetTween(m_border, colors.border, kFadeFrames);
    internal::RetargetTween(m_fill, colors.fill, kFadeFrames);
    internal::RetargetTween(m_mark, colors.mark, kFadeFrames);
    StartFade();
}

void CUICheckBox::RestColors() {
    const BoxColors colors = ColorsFor(IsChecked(), m_visualState);
    internal::RestTween(m_border, colors.border);
    internal::RestTween(m_fill, colors.fill);
    internal::RestTween(m_mark, colors.mark);
}

void CUICheckBox::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIButtonBase::OnFlagChange(newFlags, bit, value, accepted);
    if (bit != kCheckBoxChecked) return;
    accepted = true;
    FadeTo(value != 0);
}

void CUICheckBox::OnCreate(void*) {
    m_visualState = IsEffectivelyEnabled() ? kVisualNormal : kVisualDisabled;
    RestColors();
    UpdateAutoSize();
}

void CUICheckBox::OnSkinChanged(uint32_t bits) {
    if (bits & kSkinChangedColors) RestColors();
    if (bits & kSkinChangedFont) UpdateAutoSize();
}

void CUICheckBox::OnStateChanged(int) { FadeTo(IsChecked()); }

void CUICheckBox::OnTimer(UINT localId) {
    if (localId == kFadeTimer) StepFade({&m_border, &m_fill, &m_mark});
}

bool CUICheckBox::GetDesiredSize(int& width, int& height) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (!skin) return false;
    const int markWidth = skin->GetCheckMark() ? static_cast<int>(skin->GetCheckMark()->GetWidth()) : 0;
    width = internal::MeasureTextWidth(m_text.GetString(), m_text.GetLength(), kLeftFormat) + markWidth +
            static_cast<int>(skin->GetTextIndent() * g_dpiFactor);
    return true;
}

void CUICheckBox::OnPaint(PaintContext& context) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (!skin) return;
    Gdiplus::Graphics* graphics = context.graphics;
    const UIRect& r = context.rect;
    const int column = static_cast<int>(kBoxColumn * g_dpiFactor);
    const int gap = static_cast<int>(skin->GetTextIndent() * g_dpiFactor);

    // The box takes the mark bitmap's size (chosen by the screen's DPI), which
    // may be a pixel wider than the column.
    Gdiplus::Bitmap* mark = skin->GetCheckMark();
    const int iw = mark ? static_cast<int>(mark->GetWidth()) : column;
    const int ih = mark ? static_cast<int>(mark->GetHeight()) : column;
    const UIRect box(r.x + (column - iw) / 2, r.y + (r.height - ih) / 2, iw, ih);
    Gdiplus::SolidBrush fill{Gdiplus::Color(m_fill.GetValue())};
    graphics->FillRectangle(&fill, box.x, box.y, box.width, box.height);
    const Gdiplus::InterpolationMode oldInterpolation = graphics->GetInterpolationMode();
    graphics->SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    const ARGB markColor = m_mark.GetValue();
    if (markColor >> 24) DrawImageTinted(graphics, mark, box, markColor);
    graphics->SetInterpolationMode(oldInterpolation);
    Gdiplus::Pen pen(Gdiplus::Color(m_border.GetValue()), 1.0f);
    graphics->DrawRectangle(&pen, box.x, box.y, box.width - 1, box.height - 1);

    const UIRect text(r.x + column + gap, r.y, r.width - column - gap, r.height);
    const ARGB textColor = skin->GetColor(IsEffectivelyEnabled() ? kTextEntry : kDisabledTextEntry);
    DrawTextInRect(graphics, m_text.GetString(), m_text.GetLength(), skin->GetFont(1),
                   Gdiplus::RectF(static_cast<float>(text.x), static_cast<float>(text.y),
                                  static_cast<float>(text.width), static_cast<float>(text.height)),
                   textColor, skin->GetStringFormat(kLeftFormat));
    if (HasTabFocus()) DrawFocusRect(graphics, text);
}

}  // namespace wendaldui
