// The saturation bar of the colour picker: full saturation at the left, grey
// at the right, at the hue and lightness chosen in the field above.
#pragma once

#include "WendalDui/Control/PickerSurface.h"
#include "WendalDui/Control/UIControl.h"

namespace wendaldui {
namespace internal {

class CUISPicker : public CUIControl {
public:
    // The colour the bar is drawn at; refilled before the next paint.
    void SetHueLightness(float hue, float lightness);
    // Saturation = 1 - x, x in [0, 1].
    void SetPosition(float x);
    float GetHue() const { return m_hue; }
    float GetLightness() const { return m_lightness; }
    float GetX() const { return m_x; }

    void OnCreate(void* arg) override;
    void OnSize(int width, int height) override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnPaint(PaintContext& context) override;

private:
    void MoveMarker(int x);
    void Refill();

    CPickerSurface m_surface;
    float m_hue = 0.0f;
    float m_lightness = 0.4f;
    float m_x = 0.2f;
};

}  // namespace internal
}  // namespace wendaldui
