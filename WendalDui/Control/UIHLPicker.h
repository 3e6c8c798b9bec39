// The hue/lightness field of the colour picker: hue grows from left to right
// and lightness from the bottom up, drawn at the saturation the bar below
// holds; the ring marks the chosen point.
#pragma once

#include "WendalDui/Control/PickerSurface.h"
#include "WendalDui/Control/UIControl.h"

namespace wendaldui {
namespace internal {

class CUIHLPicker : public CUIControl {
public:
    // The saturation the field is drawn at; refilled before the next paint.
    void SetSaturation(float saturation);
    // Hue = x x 360 and lightness = 1 - y, both fractions in [0, 1].
    void SetPosition(float x, float y);
    float GetSaturation() const { return m_saturation; }
    float GetX() const { return m_x; }
    float GetY() const { return m_y; }

    void OnCreate(void* arg) override;
    void OnSize(int width, int height) override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnPaint(PaintContext& context) override;

private:
    void MoveMarker(int x, int y);
    void Refill();

    CPickerSurface m_surface;
    float m_saturation = 0.4f;
    float m_x = 0.2f;
    float m_y = 0.2f;
};

}  // namespace internal
}  // namespace wendaldui
