#include "WendalDui/Control/UIContainer.h"

#include <gdiplus.h>

#include <vector>

#include "WendalDui/Core/DuiWindow.h"

namespace wendaldui {

namespace {

bool TakesMouse(const CUIControl* child) {
    const uint32_t flags = child->GetFlags();
    const UIRect& rect = child->GetRect();
    return (flags & kControlVisible) && (child->GetState() & kStateAncestorsVisible) &&
           !(flags & (kControlDisabled | kControlMouseTransparent)) && !(child->GetState() & kStateAncestorDisabled) &&
           rect.width > 0 && rect.height > 0;
}

}  // namespace

CUIContainer::~CUIContainer() {
    // Children still attached (the window deletes its root without OnDestroy
    // only when it was never created) are owned here.
    Children children;
    children.swap(m_children);
    for (const Child& child : children) delete child.control;
}

bool CUIContainer::AppendChild(CUIControl* child, int id) { return m_children.push_back(Child{child, id}).second; }

CUIControl* CUIContainer::GetChild(int id) const {
    const auto& byId = m_children.get<ById>();
    auto found = byId.find(id);
    return found == byId.end() ? nullptr : found->control;
}

CUIControl* CUIContainer::GetSibling(const CUIControl* child, bool backward) const {
    const auto& byPointer = m_children.get<ByPointer>();
    auto found = byPointer.find(const_cast<CUIControl*>(child));
    if (found == byPointer.end()) return nullptr;
    auto it = m_children.project<0>(found);
    if (backward) return it == m_children.begin() ? nullptr : std::prev(it)->control;
    ++it;
    return it == m_children.end() ? nullptr : it->control;
}

CUIControl* CUIContainer::ChildFromPoint(POINT& pt) const {
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        CUIControl* child = it->control;
        if (!TakesMouse(child) || !child->GetRect().PtInRect(pt.x, pt.y)) continue;
        pt.x -= child->GetRect().x;
        pt.y -= child->GetRect().y;
        return child;
    }
    return nullptr;
}

bool CUIContainer::BringChildToFront(CUIControl* child) {
    auto& byPointer = m_children.get<ByPointer>();
    auto found = byPointer.find(child);
    if (found == byPointer.end()) return false;
    m_children.relocate(m_children.end(), m_children.project<0>(found));
    return true;
}

bool CUIContainer::RemoveChild(CUIControl* child) {
    auto& byPointer = m_children.get<ByPointer>();
    auto found = byPointer.find(child);
    if (found == byPointer.end()) return false;
    if (m_hot == child) m_hot = nullptr;
    if (m_capture == child) m_capture = nullptr;
    if (m_focused == child) m_focused = nullptr;
    byPointer.erase(found);
    // The window may still hold the child as the control to refocus.
    if (m_window) m_window->ForgetControl(child);
    delete child;
    return true;
}

bool CUIContainer::HoldsFocus() const {
    if (m_parent) return m_parent->GetFocusedChild() == this;
    return m_window && m_window->HasFocus();
}

void CUIContainer::SetFocusedChild(CUIControl* child, int reason) {
    if (child && child == m_focused) return;
    if (child && (!(child->GetFlags() & kControlFocusable) || !HoldsFocus())) return;
    CUIControl* old = m_focused;
    m_focused = nullptr;
    if (old) old->OnKillFocus();
    // The old child's handler may have removed the new one.
    if (child && !HasChild(child)) return;
    m_focused = child;
    m_focusReason = reason;
    if (child) child->OnSetFocus(reason);
}

CUIControl* CUIContainer::GetNextControl(bool backward) {
    if (!backward && !m_children.empty()) return FirstChild();
    return CUIControl::GetNextControl(backward);
}

CUIControl* CUIContainer::GetLastDescendant() {
    return m_children.empty() ? this : m_children.back().control->GetLastDescendant();
}

CUIControl* CUIContainer::GetFocusedControl() { return m_focused ? m_focused->GetFocusedControl() : this; }

void CUIContainer::OnDestroy() {
    while (!m_children.empty()) m_children.back().control->Destroy();
}

void CUIContainer::ToChildAt(void (CUIControl::*slot)(WPARAM, int, int), WPARAM keys, int x, int y) {
    POINT pt = {x, y};
    if (CUIControl* child = ChildFromPoint(pt)) (child->*slot)(keys, pt.x, pt.y);
}

void CUIContainer::OnLButtonDown(WPARAM keys, int x, int y) {
    POINT pt = {x, y};
    m_capture = ChildFromPoint(pt);
    if (m_capture) m_capture->OnLButtonDown(keys, pt.x, pt.y);
}

void CUIContainer::OnLButtonDblClk(WPARAM keys, int x, int y) {
    POINT pt = {x, y};
    m_capture = ChildFromPoint(pt);
    if (!m_capture) return;
    if (m_capture->GetFlags() & kControlDoubleClicks) {
        m_capture->OnLButtonDblClk(keys, pt.x, pt.y);
    } else {
        m_capture->OnLButtonDown(keys, pt.x, pt.y);
    }
}

void CUIContainer::OnLButtonUp(WPARAM keys, int x, int y) {
    CUIControl* capture = m_capture;
    if (!capture) return;
    m_capture = nullptr;
    capture->OnLButtonUp(keys, x - capture->GetRect().x, y - capture->GetRect().y);
}

void CUIContainer::OnMButtonDown(WPARAM keys, int x, int y) { ToChildAt(&CUIControl::OnMButtonDown, keys, x, y); }
void CUIContainer::OnMButtonUp(WPARAM keys, int x, int y) { ToChildAt(&CUIControl::OnMButtonUp, keys, x, y); }
void CUIContainer::OnRButtonDown(WPARAM keys, int x, int y) { ToChildAt(&CUIControl::OnRButtonDown, keys, x, y); }
void CUIContainer::OnRButtonUp(WPARAM keys, int x, int y) { ToChildAt(&CUIControl::OnRButtonUp, keys, x, y); }
void CUIContainer::OnMouseHover(WPARAM keys, int x, int y) { ToChildAt(&CUIControl::OnMouseHover, keys, x, y); }

void CUIContainer::OnMouseMove(WPARAM keys, int x, int y) {
    if (m_capture) {
        m_capture->OnMouseMove(keys, x - m_capture->GetRect().x, y - m_capture->GetRect().y);
        return;
    }
    if (keys & MK_LBUTTON) return;  // a drag that began elsewhere
    POINT pt = {x, y};
    CUIControl* child = ChildFromPoint(pt);
    if (child != m_hot) {
        CUIControl* old = m_hot;
        m_hot = child;
        if (old) old->OnMouseLeave();
        // A leave or enter handler may remove the child (RemoveChild then
        // clears m_hot): never call into it afterwards.
        if (child && HasChild(child)) child->OnMouseEnter();
    }
    if (child && HasChild(child)) child->OnMouseMove(keys, pt.x, pt.y);
}

void CUIContainer::OnMouseWheel(WPARAM keys, int delta, int x, int y) {
    if (m_capture) {
        m_capture->OnMouseWheel(keys, delta, x - m_capture->GetRect().x, y - m_capture->GetRect().y);
        return;
    }
    POINT pt = {x, y};
    if (CUIControl* child = ChildFromPoint(pt)) child->OnMouseWheel(keys, delta, pt.x, pt.y);
}

void CUIContainer::OnMouseLeave() {
    CUIControl* hot = m_hot;
    m_hot = nullptr;
    if (hot) hot->OnMouseLeave();
}

int CUIContainer::HitTest(int x, int y, CUIControl*& out) {
    out = nullptr;
    POINT pt = {x, y};
    CUIControl* child = ChildFromPoint(pt);
    return child ? child->HitTest(pt.x, pt.y, out) : kHitNothing;
}

bool CUIContainer::OnSetCursor() { return m_hot && m_hot->OnSetCursor(); }

void CUIContainer::OnChar(WPARAM ch, UINT repeat, LPARAM keyFlags) {
    if (m_focused) m_focused->OnChar(ch, repeat, keyFlags);
}

void CUIContainer::OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) {
    if (m_focused) {
        m_focused->OnKeyDown(vk, repeat, keyFlags);
    } else {
        CUIControl::OnKeyDown(vk, repeat, keyFlags);
    }
}

void CUIContainer::OnKeyUp(WPARAM vk, UINT repeat, LPARAM keyFlags) {
    if (m_focused) m_focused->OnKeyUp(vk, repeat, keyFlags);
}

bool CUIContainer::OnSysKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) {
    return m_focused && m_focused->OnSysKeyDown(vk, repeat, keyFlags);
}

bool CUIContainer::OnSysKeyUp(WPARAM vk, UINT repeat, LPARAM keyFlags) {
    return m_focused && m_focused->OnSysKeyUp(vk, repeat, keyFlags);
}

void CUIContainer::OnKillFocus() {
    CUIControl* focused = m_focused;
    m_focused = nullptr;
    if (focused) focused->OnKillFocus();
}

void CUIContainer::OnMove(int reason, int x, int y) {
    ForEachChild([this](CUIControl* child) {
        child->OnMove(2, child->GetRect().x, child->GetRect().y);
        if (HasChild(child) && (child->GetState() & kStateToolTipRegistered) && m_window) {
            m_window->UpdateToolTipRect(child, child->IsEffectivelyEnabled() && child->IsEffectivelyVisible());
        }
    });
}

void CUIContainer::ForEachChild(const std::function<void(CUIControl*)>& fn) {
    // A handler may remove children: walk a snapshot and skip the ones gone.
    std::vector<CUIControl*> snapshot;
    for (const Child& child : m_children) snapshot.push_back(child.control);
    for (CUIControl* child : snapshot) {
        if (HasChild(child)) fn(child);
    }
}

void CUIContainer::OnEnable(bool enabled) { PassStateToChildren(enabled, IsEffectivelyVisible()); }

void CUIContainer::OnShow(bool visible) { PassStateToChildren(IsEffectivelyEnabled(), visible); }

void CUIContainer::PassStateToChildren(bool enabled, bool visible) {
    uint32_t state = 0;
    if (!enabled) state |= kStateAncestorDisabled;
    if (visible) state |= kStateAncestorsVisible;
    ForEachChild([state](CUIControl* child) { child->SetInheritedState(state); });
}

void CUIContainer::OnSkinChanged(uint32_t bits) {
    ForEachChild([&](CUIControl* child) { child->OnSkinChanged(bits); });
}

void CUIContainer::OnPaint(PaintContext& context) {
    const UIRect dirty = context.dirty.Offset(-context.rect.x, -context.rect.y);
    Gdiplus::Graphics* graphics = context.graphics;
    for (const Child& entry : m_children) {
        CUIControl* child = entry.control;
        if (!child->IsEffectivelyVisible()) continue;
        UIRect clip;
        if (!child->GetRect().Intersect(dirty, clip) || clip.width == 0 || clip.height == 0) continue;
        PaintContext childContext;
        childContext.dirty = clip.Offset(context.rect.x, context.rect.y);
        childContext.rect = child->GetRect().Offset(context.rect.x, context.rect.y);
        childContext.graphics = graphics;
        graphics->SetClip(Gdiplus::Rect(childContext.dirty.x, childContext.dirty.y, childContext.dirty.width,
                                        childContext.dirty.height),
                          Gdiplus::CombineModeReplace);
        const Gdiplus::GraphicsContainer saved = graphics->BeginContainer();
        child->OnPaint(childContext);
        graphics->EndContainer(saved);
        graphics->ResetClip();
    }
}

}  // namespace wendaldui
