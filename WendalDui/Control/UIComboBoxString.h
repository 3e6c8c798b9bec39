// The combo box of texts: its list is a CUIListBoxString (fill it through
// GetListBox), and an item reads as its own text.
#pragma once

#include "WendalDui/Control/UIComboBoxBase.h"

namespace wendaldui {

class CUIComboBoxString : public CUIComboBoxBase {
public:
    CUIListBoxBase* CreateListBox() override;
    void GetItemText(CUIListBoxViewBase::LBItemBase* item, WString& text) const override;
    // The first item whose text is exactly equal.
    int FindItemByText(CUIListBoxBase* list, const wchar_t* text) const override;
};

}  // namespace wendaldui
