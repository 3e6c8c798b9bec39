// A multi-column list: a header with resizable columns above a body of rows
// of cells, scrolled both ways. The subclass supplies the body (CreateBody)
// and with it the kinds of cells and how they are drawn. It raises
// kEventSelectionChanged (p1 = p2 = 0) when a click changes the selection;
// the handler reads the selection from the body.
//
// Styles: kListCtrlNoSelection, kListCtrlMultipleSelection (given at creation).
#pragma once

#include "WendalDui/Control/UIListBodyBase.h"
#include "WendalDui/Control/UIScrollContainer2.h"

namespace wendaldui {
namespace internal {

class CUIListCtrlBase : public CUIScrollContainer2 {
public:
    CUIControl* CreateView(const ViewCreateInfo& info) override;
    void AdjustViewSize(int& width, int& height) override;
    void OnScrollPosChanged(int bar, int pos) override;

    // A new body, not yet created; the view creates it.
    virtual CUIListBodyBase* CreateBody() = 0;

    CUIListBodyBase* GetBody() const;
    // The body's (see there for who owns the item when it fails).
    bool SetCell(int column, int row, CUIListBodyBase::ItemBase* item);
    // Puts the row at the top at once; false out of range.
    bool EnsureRowVisible(int row);
    // Single mode: the row becomes the selection; multiple: it is added. False out of range.
    bool SelectRow(int row);

private:
    int m_shownY = 0;  // the vertical position the body was last told of
};

}  // namespace internal
}  // namespace wendaldui
