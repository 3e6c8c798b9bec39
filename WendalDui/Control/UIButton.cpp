#include "WendalDui/Control/UIButton.h"

#include <cwchar>

#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"

namespace wendaldui {

namespace {

// Palette entries of each role; the visual state is added to them.
constexpr int kBackgroundEntry = 16;
constexpr int kBorderEntry = 12;
constexpr int kTextEntry = 0;
constexpr int kCentredFormat = 1;

}  // namespace

int CalcButtonWidth(const wchar_t* caption) {
    const int length = caption ? static_cast<int>(wcslen(caption)) : 0;
    return internal::MeasureTextWidth(caption, length, kCentredFormat) + static_cast<int>(32 * g_dpiFactor);
}

void CUIButton::SetText(const wchar_t* text) {
    m_text = text ? text : L"";
    Invalidate();
}

void CUIButton::RestColors() {
    internal::RestTween(m_background, internal::PaletteColor(kBackgroundEntry + m_visualState));
    internal::RestTween(m_border, internal::PaletteColor(kBorderEntry + m_visualState));
    internal::RestTween(m_textColor, internal::PaletteColor(kTextEntry + m_visualState));
}

void CUIButton::OnCreate(void*) {
    m_visualState = IsEffectivelyEnabled() ? kVisualNormal : kVisualDisabled;
    RestColors();
}

void CUIButton::OnSkinChanged(uint32_t bits) {
    if (bits & kSkinChangedColors) RestColors();
}

void CUIButton::OnStateChanged(int state) {
    // Pressing answers faster than the fade back.
    const int frames = state == kVisualPressed ? 3 : 5;
    internal::RetargetTween(m_background, internal::PaletteColor(kBackgroundEntry + state), frames);
    internal::RetargetTween(m_border, internal::PaletteColor(kBorderEntry + state), frames);
    internal::RetargetTween(m_textColor, internal::PaletteColor(kTextEntry + state), frames);
    StartFade();
}

void CUIButton::OnTimer(UINT localId) {
    if (localId == kFadeTimer) StepFade({&m_background, &m_border, &m_textColor});
}

void CUIButton::OnPaint(PaintContext& context) {
    PaintFace(context, m_background.GetValue(), m_border.GetValue(), m_text.GetString(), m_text.GetLength(),
              m_textColor.GetValue());
}

}  // namespace wendaldui
