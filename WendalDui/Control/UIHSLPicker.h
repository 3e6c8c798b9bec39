// The framework's colour choice: a hue/lightness field above a saturation
// bar. Whenever the player moves either marker the picker raises event 0
// (kEventClick, p1 = p2 = 0); SetHSL raises nothing.
#pragma once

#include "WendalDui/Control/UIContainer.h"

namespace wendaldui {

namespace internal {
class CUIHLPicker;
class CUISPicker;
}  // namespace internal

class CUIHSLPicker : public CUIContainer {
public:
    // Hue in degrees clamped to [0, 360], saturation and lightness to [0, 1]
    // (NaN counts as 0).
    void SetHSL(float h, float s, float l);
    // hsl[0] = hue in degrees, hsl[1] = saturation, hsl[2] = lightness, the
    // order ArgbToHsl fills.
    void GetHSL(float hsl[3]) const;

    internal::CUIHLPicker* GetField() const { return m_field; }
    internal::CUISPicker* GetBar() const { return m_bar; }

    // From the field and the bar after the player moved their marker: the
    // other one is redrawn for the new colour and event 0 is raised.
    void OnHueLightnessChanged(float hue, float lightness);
    void OnSaturationChanged(float saturation);

    void OnCreate(void* arg) override;
    void OnSize(int width, int height) override;

private:
    void Layout(int width, int height);

    internal::CUIHLPicker* m_field = nullptr;
    internal::CUISPicker* m_bar = nullptr;
};

}  // namespace wendaldui
