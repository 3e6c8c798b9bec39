// What every button-like control shares: four visual states (normal, hover,
// pressed, disabled), the click rule (raised on button-up inside the control,
// or by Space after the focus came by the Tab key) and colour fades on a timer.
#pragma once

#include <initializer_list>

#include "WendalDui/Control/UIControl.h"
#include "WendalDui/Utils/Tween.h"

namespace wendaldui {

enum VisualState { kVisualNormal = 0, kVisualHover = 1, kVisualPressed = 2, kVisualDisabled = 3 };

namespace internal {

// Entry `index` of the skin's palette; 0 while there is no skin.
ARGB PaletteColor(int index);
// The text's width in the skin's UI font with string format `formatIndex`,
// rounded up; 0 while there is no skin.
int MeasureTextWidth(const wchar_t* text, int length, int formatIndex);

// A colour tween at rest on argb: no frames left to run.
inline void RestTween(CTween<ARGB>& tween, ARGB argb) { tween.Start(argb, argb, 1); }
// From the previous target, not from the colour on screen: a quick enter and
// leave jumps to where the last fade was heading and goes on from there.
inline void RetargetTween(CTween<ARGB>& tween, ARGB argb, int frames) { tween.Start(tween.GetTo(), argb, frames); }

class CUIButtonBase : public CUIControl {
public:
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) override;
    void OnKillFocus() override;
    void OnSetFocus(int reason) override;
    void OnEnable(bool enabled) override;

    // Called only when the state really changes; the subclass animates.
    virtual void OnStateChanged(int state) {}

    int GetVisualState() const { return m_visualState; }

protected:
    // A control made with a toggle bit (a check box, a toggle button) flips
    // that style bit on each click and reports the new value as p1.
    explicit CUIButtonBase(uint32_t toggleBit = 0) : m_toggleBit(toggleBit) {}

    // `state` when the control is enabled, else disabled.
    void SetVisualState(int state);
    // Whether the control holds the focus and got it by the Tab key.
    bool HasTabFocus() const;

    // Colour fades run on control timer 1, one frame every 20 ms.
    static constexpr UINT kFadeTimer = 1;
    static constexpr UINT kFadeFrameMs = 20;
    void StartFade();
    // One frame of the fade: the tweens step, the control repaints, and the
    // timer stops once none of them runs.
    void StepFade(std::initializer_list<CTween<ARGB>*> tweens);

    // The flat face of a push or toggle button: the fill, a 1-pixel frame,
    // the text centred in the UI font and, after a Tab focus, the focus frame.
    void PaintFace(PaintContext& context, ARGB fill, ARGB border, const wchar_t* text, int length, ARGB textColor);

    int m_visualState = kVisualNormal;

private:
    // Event 0, after flipping the toggle bit when there is one.
    void Click();

    const uint32_t m_toggleBit;
};

}  // namespace internal
}  // namespace wendaldui
