// A ring that fills clockwise from the top to a value, or, with the
// indeterminate style, spins two arcs while the work has no known end.
#pragma once

#include "WendalDui/Control/UIControl.h"
#include "WendalDui/Utils/Tween.h"

namespace wendaldui {

constexpr uint32_t kRingIndeterminate = 0x10000;

class CUIRingProgressBar : public CUIControl {
public:
    // Clamped to 0..1 (NaN as 0); the arc glides there from what it shows.
    void SetValue(float value);
    float GetValue() const { return m_value.GetTo(); }

    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    void OnCreate(void* arg) override;
    void OnPaint(PaintContext& context) override;
    void OnTimer(UINT localId) override;

    const CTween<float>& GetValueTween() const { return m_value; }
    const CTween<float>& GetSpinTween() const { return m_spin; }

private:
    void StartSpin();

    CTween<float> m_value;
    CTween<float> m_spin;
};

}  // namespace wendaldui
