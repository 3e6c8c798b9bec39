// The arrow button at either end of a scroll bar: one step when pressed and,
// while it is held, more steps after a short delay.
#pragma once

#include "WendalDui/Control/UIButtonBase.h"
#include "WendalDui/Utils/Tween.h"

namespace wendaldui {

// The button belongs to a vertical bar (up or down arrow, else left or right).
constexpr uint32_t kScrollButtonVertical = 0x10000;
// The button is the bar's second one (down or right).
constexpr uint32_t kScrollButtonSecond = 0x20000;

namespace internal {

class CUIScrollBarButton : public CUIButtonBase {
public:
    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    void OnCreate(void* arg) override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnTimer(UINT localId) override;
    void OnEnable(bool enabled) override;
    void OnPaint(PaintContext& context) override;
    void OnStateChanged(int state) override;

    // The skin's arrow (ArrowDirection) this button shows.
    int GetArrowDirection() const;

private:
    // SB_LINEUP from the first button, SB_LINEDOWN from the second.
    void SendStep();

    CTween<ARGB> m_background;
    CTween<ARGB> m_arrow;
    int m_repeatCounter = 0;
};

}  // namespace internal
}  // namespace wendaldui
