#include "WendalDui/Control/UIListBoxBase.h"

#include "WendalDui/Control/UIListBoxViewString.h"

namespace wendaldui {

namespace {

const CUIListBoxViewString::Item* TextItem(const CUIListBoxViewBase* view, int index) {
    return view ? dynamic_cast<const CUIListBoxViewString::Item*>(view->GetItem(index)) : nullptr;
}

}  // namespace

void CUIListBoxBase::OnScrollPosChanged(int, int) {
    if (CUIControl* view = GetView()) view->Invalidate();
}

uint32_t CUIListBoxBase::GetItemData(int index) const {
    const CUIListBoxViewString::Item* item = TextItem(GetListView(), index);
    return item ? item->data : 0;
}

int CUIListBoxBase::FindItemData(uint32_t value) const {
    const CUIListBoxViewBase* view = GetListView();
    for (int i = 0; view && i < view->GetItemCount(); ++i) {
        const CUIListBoxViewString::Item* item = TextItem(view, i);
        if (item && item->data == value) return i;
    }
    return -1;
}

int CUIListBoxBase::GetCurSel() const {
    const CUIListBoxViewBase* view = GetListView();
    return view ? view->GetCurSel() : -1;
}

bool CUIListBoxBase::SetCurSel(int index) {
    CUIListBoxViewBase* view = GetListView();
    if (!view || index < -1 || index >= view->GetItemCount()) return false;
    view->SetCurSel(index);
    return true;
}

int CUIListBoxBase::GetItemCount() const {
    const CUIListBoxViewBase* view = GetListView();
    return view ? view->GetItemCount() : 0;
}

int CUIListBoxBase::GetDesiredWidth() {
    CUIListBoxViewBase* view = GetListView();
    int width = view ? view->GetMaxItemWidth() : 0;
    if (m_flags & kScrollFrame) width += 2;
    if (IsVerticalBarShown()) width += BarThickness();
    return width;
}

int CUIListBoxBase::InsertItems(int pos, CUIListBoxViewBase::LBItemBase** items, int count) {
    CUIListBoxViewBase* view = GetListView();
    return view ? view->InsertItems(pos, items, count) : -1;
}

int CUIListBoxBase::RemoveItems(int index, int count) {
    CUIListBoxViewBase* view = GetListView();
    return view ? view->RemoveItems(index, count) : 0;
}

}  // namespace wendaldui
