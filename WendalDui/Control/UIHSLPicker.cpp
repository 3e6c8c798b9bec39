#include "WendalDui/Control/UIHSLPicker.h"

#include <algorithm>

#include "WendalDui/Control/UIHLPicker.h"
#include "WendalDui/Control/UISPicker.h"
#include "WendalDui/Core/ColorConvert.h"
#include "WendalDui/Core/DuiDpi.h"

namespace wendaldui {

namespace {

constexpr int kFieldId = 1;
constexpr int kBarId = 2;
constexpr uint32_t kStartColor = 0xFFFF0000;

float Clamp(float value, float high) {
    if (!(value > 0.0f)) return 0.0f;  // NaN as well
    return std::min(value, high);
}

}  // namespace

void CUIHSLPicker::Layout(int width, int height) {
    const int gap = static_cast<int>(4 * g_dpiFactor);
    const int bar = static_cast<int>(11 * g_dpiFactor);
    const UIRect fieldRect(0, 0, width, std::max(0, height - gap - bar));
    const UIRect barRect(0, height - bar, width, bar);
    if (!m_field) {
        m_field = new internal::CUIHLPicker;
        m_field->Create(this, kControlVisible | kControlRectInPixels, fieldRect, kFieldId);
        m_bar = new internal::CUISPicker;
        m_bar->Create(this, kControlVisible | kControlRectInPixels, barRect, kBarId);
        return;
    }
    m_field->SetPos(fieldRect);
    m_bar->SetPos(barRect);
}

void CUIHSLPicker::OnCreate(void*) {
    Layout(m_rect.width, m_rect.height);
    float hsl[3];
    ArgbToHsl(kStartColor, hsl);
    SetHSL(hsl[0], hsl[1], hsl[2]);
}

void CUIHSLPicker::OnSize(int width, int height) {
    if (m_field) Layout(width, height);
}

void CUIHSLPicker::SetHSL(float h, float s, float l) {
    if (!m_field) return;
    h = Clamp(h, 360.0f);
    s = Clamp(s, 1.0f);
    l = Clamp(l, 1.0f);
    m_field->SetSaturation(s);
    m_field->SetPosition(h / 360.0f, 1.0f - l);
    m_bar->SetHueLightness(h, l);
    m_bar->SetPosition(1.0f - s);
}

void CUIHSLPicker::GetHSL(float hsl[3]) const {
    if (!m_field) {
        hsl[0] = hsl[1] = hsl[2] = 0.0f;
        return;
    }
    hsl[0] = m_field->GetX() * 360.0f;
    hsl[1] = 1.0f - m_bar->GetX();
    hsl[2] = 1.0f - m_field->GetY();
}

void CUIHSLPicker::OnHueLightnessChanged(float hue, float lightness) {
    m_bar->SetHueLightness(hue, lightness);
    FireEvent(kEventClick);
}

void CUIHSLPicker::OnSaturationChanged(float saturation) {
    m_field->SetSaturation(saturation);
    FireEvent(kEventClick);
}

}  // namespace wendaldui
