#include "WendalDui/Control/UIContainer.h"

#include "WendalDui/Core/DuiWindow.h"

namespace wendaldui {

CUIControl* CUIContainer::GetFocusedControl() {
    return m_focused ? m_focused->GetFocusedControl() : this;
}

int CUIContainer::HitTest(int x, int y, CUIControl*& out) {
    out = nullptr;
    return kHitNothing;
}

bool CUIContainer::HoldsFocus() const {
    if (m_parent) return m_parent->GetFocusedChild() == this;
    return m_window && m_window->HasFocus();
}

void CUIContainer::SetFocusedChild(CUIControl* child, int reason) {
    if (child && child == m_focused) return;
    if (child && (!(child->GetFlags() & kControlFocusable) || !HoldsFocus())) return;
    if (m_focused) m_focused->OnKillFocus();
    m_focused = child;
    m_focusReason = reason;
    if (child) child->OnSetFocus(reason);
}

}  // namespace wendaldui
