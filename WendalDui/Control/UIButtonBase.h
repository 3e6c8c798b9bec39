// What every button-like control shares: four visual states (normal, hover,
// pressed, disabled) and the click rule (raised on button-up inside the
// control, or by Space after the focus came by the Tab key).
#pragma once

#include "WendalDui/Control/UIControl.h"

namespace wendaldui {

enum VisualState { kVisualNormal = 0, kVisualHover = 1, kVisualPressed = 2, kVisualDisabled = 3 };

namespace internal {

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
    // `state` when the control is enabled, else disabled.
    void SetVisualState(int state);
    // Whether the control holds the focus and got it by the Tab key.
    bool HasTabFocus() const;

    int m_visualState = kVisualNormal;
};

}  // namespace internal
}  // namespace wendaldui
