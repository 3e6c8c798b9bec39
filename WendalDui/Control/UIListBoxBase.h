// A list box: a smooth-scrolling frame around a CUIListBoxViewBase made by
// the subclass's CreateView. It raises the list events: kEventClick when an
// item is clicked (p1 = index; a click on the selected item too) and
// kEventSelectionChanged when the selection changes by mouse or keyboard
// (p1 = the new index). Style kListBoxHoverSelects (given at creation)
// passes on to the view.
#pragma once

#include <cstdint>

#include "WendalDui/Control/UIListBoxViewBase.h"
#include "WendalDui/Control/UIScrollContainer2.h"

namespace wendaldui {

class CUIListBoxBase : public CUIScrollContainer2 {
public:
    void OnScrollPosChanged(int bar, int pos) override;

    CUIListBoxViewBase* GetListView() const { return static_cast<CUIListBoxViewBase*>(GetView()); }

    // The user value of a text item; 0 out of range or for another kind of item.
    uint32_t GetItemData(int index) const;
    // The first item with that user value, -1 when none.
    int FindItemData(uint32_t value) const;
    int GetCurSel() const;
    // -1 clears the selection; false out of range. Raises no event.
    bool SetCurSel(int index);
    int GetItemCount() const;
    // The width that shows the widest item whole, with the frame and the bar.
    int GetDesiredWidth();
    // The view's: the list takes ownership of the items.
    int InsertItems(int pos, CUIListBoxViewBase::LBItemBase** items, int count);
    int RemoveItems(int index, int count);
};

}  // namespace wendaldui
