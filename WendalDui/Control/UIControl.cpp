#include "WendalDui/Control/UIControl.h"

#include <vector>

#include "WendalDui/Control/UIContainer.h"

namespace wendaldui {

void CUIControl::CreateAsRoot(CDuiWindow* window, uint32_t flags, const UIRect& rect) {
    m_window = window;
    m_parent = nullptr;
    m_flags = (flags & kControlTabStop) ? (flags | kControlFocusable) : flags;
    m_state = kStateAncestorsVisible;
    m_rect = rect;
    OnCreate(nullptr);
}

void CUIControl::SetPos(const UIRect& rect) {
    const bool moved = rect.x != m_rect.x || rect.y != m_rect.y;
    const bool sized = rect.width != m_rect.width || rect.height != m_rect.height;
    m_rect = rect;
    if (moved) OnMove(1, rect.x, rect.y);
    if (sized) OnSize(rect.width, rect.height);
}

bool CUIControl::SetFocus(int reason) {
    if (!m_parent || !(m_flags & kControlFocusable)) return false;
    std::vector<CUIContainer*> chain;
    for (CUIContainer* c = m_parent; c; c = c->GetParent()) chain.push_back(c);
    // From the root down, each container hands the focus path on.
    for (size_t i = chain.size() - 1; i > 0; --i) chain[i]->SetFocusedChild(chain[i - 1], reason);
    m_parent->SetFocusedChild(this, reason);
    return true;
}

}  // namespace wendaldui
