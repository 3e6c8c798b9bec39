// One row of a menu pop-up: a command drawn in the rest, hot or disabled
// colours, or a separator line. The record it shows belongs to the CMenu.
#pragma once

#include "WendalDui/Control/UIControl.h"

namespace wendaldui {

struct MenuItem;

namespace internal {

class CUIMenuItem : public CUIControl {
public:
    // arg: the MenuItem record.
    void OnCreate(void* arg) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnMouseEnter() override;
    void OnPaint(PaintContext& context) override;

    bool IsHot() const { return m_hot; }
    // Repaints on a change.
    void SetHot(bool hot);

private:
    const MenuItem* m_item = nullptr;
    bool m_hot = false;
};

}  // namespace internal
}  // namespace wendaldui
