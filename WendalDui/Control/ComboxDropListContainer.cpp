#include "WendalDui/Control/ComboxDropListContainer.h"

#include "WendalDui/Control/ComboxDropListWindow.h"
#include "WendalDui/Control/UIComboBoxBase.h"
#include "WendalDui/Control/UIListBoxBase.h"
#include "WendalDui/Control/UIScrollContainer.h"

namespace wendaldui {
namespace internal {

namespace {

constexpr uint32_t kListFlags = kScrollHasVertical | kScrollFrame | kScrollFrameStill | kListBoxHoverSelects |
                                kControlVisible | kControlFocusable | kControlDoubleClicks | kControlRectInPixels;

}  // namespace

void CComboxDropListContainer::OnCreate(void*) {
    CComboxDropListWindow* window = dynamic_cast<CComboxDropListWindow*>(m_window);
    CUIComboBoxBase* combo = window ? window->GetCombo() : nullptr;
    CUIListBoxBase* list = combo ? combo->CreateListBox() : nullptr;
    if (!list) return;
    if (!list->Create(this, kListFlags, UIRect(0, 0, m_rect.width, m_rect.height), CComboxDropListWindow::kListId)) {
        delete list;
        return;
    }
    // The pop-up never gets the real focus (the owner keeps it); it only
    // believes it has it, so that the forwarded keys reach the list.
    window->BehaveAsFocused();
    list->SetFocus(kFocusByProgram);
}

void CComboxDropListContainer::OnSize(int width, int height) {
    if (CUIControl* list = GetChild(CComboxDropListWindow::kListId)) list->SetPos(UIRect(0, 0, width, height));
}

}  // namespace internal
}  // namespace wendaldui
