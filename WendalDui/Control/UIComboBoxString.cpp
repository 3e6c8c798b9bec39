#include "WendalDui/Control/UIComboBoxString.h"

#include "WendalDui/Control/UIListBoxString.h"
#include "WendalDui/Control/UIListBoxViewString.h"

namespace wendaldui {

CUIListBoxBase* CUIComboBoxString::CreateListBox() { return new CUIListBoxString; }

void CUIComboBoxString::GetItemText(CUIListBoxViewBase::LBItemBase* item, WString& text) const {
    const CUIListBoxViewString::Item* string = dynamic_cast<const CUIListBoxViewString::Item*>(item);
    text = string ? string->text : WString();
}

int CUIComboBoxString::FindItemByText(CUIListBoxBase* list, const wchar_t* text) const {
    CUIListBoxViewBase* view = list ? list->GetListView() : nullptr;
    for (int i = 0; view && text && i < view->GetItemCount(); ++i) {
        const CUIListBoxViewString::Item* item = dynamic_cast<const CUIListBoxViewString::Item*>(view->GetItem(i));
        if (item && item->text == text) return i;
    }
    return -1;
}

}  // namespace wendaldui
