// A container with a background colour, a child that fills it and,
// with style kContainerDragArea, empty places that drag the window.
#pragma once

#include "WendalDui/Control/UIContainer.h"

namespace wendaldui {

constexpr uint32_t kContainerDragArea = 0x10000;

class CUIContainer2 : public CUIContainer {
public:
    // ARGB; 0 paints no background.
    void SetBackgroundColor(uint32_t argb) {
        m_background = argb;
        Invalidate();
    }
    uint32_t GetBackgroundColor() const { return m_background; }
    // One of the children (or null): it is resized with the container.
    void SetFillChild(CUIControl* child) { m_fill = child; }

    void OnPaint(PaintContext& context) override;
    void OnSize(int width, int height) override;
    int HitTest(int x, int y, CUIControl*& out) override;
    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;

private:
    uint32_t m_background = 0;
    CUIControl* m_fill = nullptr;
};

}  // namespace wendaldui
