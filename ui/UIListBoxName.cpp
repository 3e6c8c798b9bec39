#include "ui/UIListBoxName.h"

#include "ui/UIListBoxViewName.h"

namespace trelm {
namespace ui {
namespace internal {

wendaldui::CUIControl* CUIListBoxName::CreateView(const wendaldui::ViewCreateInfo& info) {
    CUIListBoxViewName* view = new CUIListBoxViewName;
    const uint32_t flags = info.flags | wendaldui::kControlFocusable | (m_flags & wendaldui::kListBoxHoverSelects);
    if (view->Create(info.parent, flags, info.rect, info.id, info.arg)) return view;
    delete view;
    return nullptr;
}

int CUIListBoxName::InsertString(int index, const wchar_t* name) {
    CUIListBoxViewName::Item* item = new CUIListBoxViewName::Item;
    item->text = name ? name : L"";
    wendaldui::CUIListBoxViewBase::LBItemBase* items[1] = {item};
    const int inserted = InsertItems(index, items, 1);
    if (inserted < 0) delete item;
    return inserted;
}

}  // namespace internal
}  // namespace ui
}  // namespace trelm
