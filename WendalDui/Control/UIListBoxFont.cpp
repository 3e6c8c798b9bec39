#include "WendalDui/Control/UIListBoxFont.h"

#include "WendalDui/Control/UIListBoxViewFont.h"

namespace wendaldui {

CUIControl* CUIListBoxFont::CreateView(const ViewCreateInfo& info) {
    internal::CUIListBoxViewFont* view = new internal::CUIListBoxViewFont;
    const uint32_t flags = info.flags | kControlFocusable | (m_flags & kListBoxHoverSelects);
    if (view->Create(info.parent, flags, info.rect, info.id, info.arg)) return view;
    delete view;
    return nullptr;
}

}  // namespace wendaldui
