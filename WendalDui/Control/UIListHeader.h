// The column titles above a list control's body, scrolled sideways with it.
// Dragging a column's right edge (within 6 pixels times the DPI factor)
// resizes the column; the skin's resize cursor shows over an edge.
#pragma once

#include "WendalDui/Control/UIControl.h"

namespace wendaldui {
namespace internal {

class CUIListCtrlBase;
class CUIListBodyBase;

class CUIListHeader : public CUIControl {
public:
    void OnCreate(void* arg) override;
    void OnPaint(PaintContext& context) override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnMouseLeave() override;
    bool OnSetCursor() override;

    // The column whose edge is under the mouse or being dragged, -1 for none.
    int GetSizingColumn() const { return m_sizingColumn; }
    bool IsOverDivider() const { return m_overDivider; }
    // The column whose right edge lies within the grab distance of x (header coordinates), -1 for none.
    int DividerFromX(int x) const;

private:
    CUIListBodyBase* GetBody() const;

    int m_sizingColumn = -1;
    int m_startWidth = 0;
    int m_dragOrigin = 0;
    bool m_overDivider = false;
    CUIListCtrlBase* m_owner = nullptr;
};

}  // namespace internal
}  // namespace wendaldui
