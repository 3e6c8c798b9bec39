// The list box of texts, each with a user value (GetItemData, FindItemData).
// The drop-down of every combo box is one of these.
#pragma once

#include "WendalDui/Control/UIListBoxBase.h"

namespace wendaldui {

class CUIListBoxString : public CUIListBoxBase {
public:
    CUIControl* CreateView(const ViewCreateInfo& info) override;

    // Appends the text with user value 0 (index is ignored); the new index.
    int InsertString(int index, const wchar_t* text);
    // False out of range.
    bool SetItemText(int index, const wchar_t* text);
};

}  // namespace wendaldui
