#include "WendalDui/Control/UIContainer2.h"

#include <gdiplus.h>

namespace wendaldui {

void CUIContainer2::OnPaint(PaintContext& context) {
    if (m_background != 0) {
        Gdiplus::SolidBrush brush{Gdiplus::Color(m_background)};
        context.graphics->FillRectangle(&brush, context.rect.x, context.rect.y, context.rect.width,
                                        context.rect.height);
    }
    CUIContainer::OnPaint(context);
}

void CUIContainer2::OnSize(int width, int height) {
    // The fill child may have been removed since it was named.
    if (m_fill && !HasChild(m_fill)) m_fill = nullptr;
    if (m_fill) {
        const UIRect& rect = m_fill->GetRect();
        m_fill->SetPos(UIRect(rect.x, rect.y, width, height));
    }
    FireEvent(kEventSelectionChanged, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
}

int CUIContainer2::HitTest(int x, int y, CUIControl*& out) {
    out = nullptr;
    POINT pt = {x, y};
    if (CUIControl* child = ChildFromPoint(pt)) return child->HitTest(pt.x, pt.y, out);
    return (m_flags & kContainerDragArea) ? kHitCaption : kHitNothing;
}

void CUIContainer2::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIContainer::OnFlagChange(newFlags, bit, value, accepted);
    if (bit == kContainerDragArea) accepted = true;
}

}  // namespace wendaldui
