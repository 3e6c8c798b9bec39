#include "WendalDui/Control/UIToggleButton.h"

#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Core/DuiSkinManager.h"

namespace wendaldui {

namespace {

// Palette entries of each role; the visual state is added to them.
constexpr int kUncheckedBorderEntry = 76;
constexpr int kCheckedBorderEntry = 80;
constexpr int kUncheckedFillEntry = 84;
constexpr int kCheckedFillEntry = 88;
constexpr int kTextEntry = 0;
constexpr int kDisabledTextEntry = 3;
// A change of state glides; a change of value answers faster.
constexpr int kStateFrames = 5;
constexpr int kValueFrames = 3;

ARGB BorderColor(bool checked, int state) {
    return internal::PaletteColor((checked ? kCheckedBorderEntry : kUncheckedBorderEntry) + state);
}

ARGB FillColor(bool checked, int state) {
    return internal::PaletteColor((checked ? kCheckedFillEntry : kUncheckedFillEntry) + state);
}

}  // namespace

void CUIToggleButton::SetChecked(bool on) { SetFlags(on ? (m_flags | kToggleChecked) : (m_flags & ~kToggleChecked)); }

void CUIToggleButton::SetText(const wchar_t* text) {
    m_text = text ? text : L"";
    UpdateAutoSize();
    Invalidate();
}

void CUIToggleButton::FadeTo(bool checked, int frames) {
    internal::RetargetTween(m_border, BorderColor(checked, m_visualState), frames);
    internal::RetargetTween(m_fill, FillColor(checked, m_visualState), frames);
    StartFade();
}

void CUIToggleButton::FadeFillFromShown() {
    m_fill.SetFrom(m_fill.GetValue());
    m_fill.SetTo(FillColor(IsChecked(), m_visualState));
    m_fill.SetFrame(0);
    // Left without its timer, a fill that still has frames to run would stay
    // on the old colour until the next hover.
    if (m_fill.IsRunning()) StartFade();
}

void CUIToggleButton::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIButtonBase::OnFlagChange(newFlags, bit, value, accepted);
    if (bit != kToggleChecked) return;
    accepted = true;
    FadeTo(value != 0, kValueFrames);
}

void CUIToggleButton::OnCreate(void*) {
    m_visualState = IsEffectivelyEnabled() ? kVisualNormal : kVisualDisabled;
    internal::RestTween(m_border, BorderColor(IsChecked(), m_visualState));
    FadeFillFromShown();
}

void CUIToggleButton::OnSkinChanged(uint32_t bits) {
    if (!(bits & kSkinChangedColors)) return;
    internal::RestTween(m_border, BorderColor(IsChecked(), m_visualState));
    FadeFillFromShown();
}

void CUIToggleButton::OnStateChanged(int) { FadeTo(IsChecked(), kStateFrames); }

void CUIToggleButton::OnTimer(UINT localId) {
    if (localId == kFadeTimer) StepFade({&m_border, &m_fill});
}

bool CUIToggleButton::GetDesiredSize(int& width, int&) {
    if (!CDuiSkinManager::GetInstance()) return false;
    width = CalcButtonWidth(m_text.GetString());
    return true;
}

void CUIToggleButton::OnPaint(PaintContext& context) {
    const ARGB text = internal::PaletteColor(IsEffectivelyEnabled() ? kTextEntry : kDisabledTextEntry);
    PaintFace(context, m_fill.GetValue(), m_border.GetValue(), m_text.GetString(), m_text.GetLength(), text);
}

}  // namespace wendaldui
