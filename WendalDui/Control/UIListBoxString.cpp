#include "WendalDui/Control/UIListBoxString.h"

#include "WendalDui/Control/UIListBoxViewString.h"

namespace wendaldui {

CUIControl* CUIListBoxString::CreateView(const ViewCreateInfo& info) {
    CUIListBoxViewString* view = new CUIListBoxViewString;
    const uint32_t flags = info.flags | kControlFocusable | (m_flags & kListBoxHoverSelects);
    if (view->Create(info.parent, flags, info.rect, info.id, info.arg)) return view;
    delete view;
    return nullptr;
}

int CUIListBoxString::InsertString(int index, const wchar_t* text) {
    CUIListBoxViewString::Item* item = new CUIListBoxViewString::Item;
    item->text = text ? text : L"";
    CUIListBoxViewBase::LBItemBase* items[1] = {item};
    const int inserted = InsertItems(index, items, 1);
    if (inserted < 0) delete item;
    return inserted;
}

bool CUIListBoxString::SetItemText(int index, const wchar_t* text) {
    CUIListBoxViewBase* view = GetListView();
    CUIListBoxViewString::Item* item =
        view ? dynamic_cast<CUIListBoxViewString::Item*>(view->GetItem(index)) : nullptr;
    if (!item) return false;
    item->text = text ? text : L"";
    view->ClearCachedWidth();
    view->InvalidateItem(index);
    return true;
}

}  // namespace wendaldui
