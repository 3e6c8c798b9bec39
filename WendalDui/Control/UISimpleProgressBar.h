// A flat progress bar: a light track with a coloured part that glides to each
// new value; the colour tells the state (red failed, amber paused, else green).
#pragma once

#include "WendalDui/Control/UIControl.h"
#include "WendalDui/Utils/Tween.h"

namespace wendaldui {

enum ProgressState { kProgressFailed = 2, kProgressPaused = 3 };

namespace internal {

// Points a value tween of a progress control at `value` (clamped to 0..1, NaN
// taken as 0), starting from what it shows now. False when it already aims
// there, so the caller starts no timer.
bool RetargetProgressTween(CTween<float>& tween, float value);

}  // namespace internal

class CUISimpleProgressBar : public CUIControl {
public:
    void SetValue(float value);
    float GetValue() const { return m_value.GetTo(); }
    // 2 red, 3 amber, any other value green.
    void SetBarState(int state);
    int GetBarState() const { return m_barState; }

    void OnCreate(void* arg) override;
    void OnPaint(PaintContext& context) override;
    void OnTimer(UINT localId) override;

    const CTween<float>& GetValueTween() const { return m_value; }

private:
    int m_barState = 0;
    CTween<float> m_value;
};

}  // namespace wendaldui
