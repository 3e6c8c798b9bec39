#include "WendalDui/Control/UIControl.h"

#include <vector>

#include "WendalDui/Control/UIContainer.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiWindow.h"

namespace wendaldui {

namespace {

bool IsTabStop(const CUIControl* control) {
    const uint32_t wanted = kControlTabStop | kControlVisible;
    return (control->GetFlags() & wanted) == wanted && control->IsEffectivelyVisible() &&
           control->IsEffectivelyEnabled();
}

}  // namespace

UIRect DpiScaleRect(const UIRect& rect) {
    auto scale = [](int32_t value) { return static_cast<int32_t>(static_cast<float>(value) * g_dpiFactor); };
    return UIRect(scale(rect.x), scale(rect.y), scale(rect.width), scale(rect.height));
}

CUIControlWatch::CUIControlWatch(CUIControl* control)
    : m_control(control), m_next(control ? control->m_watches : nullptr) {
    if (control) control->m_watches = this;
}

CUIControlWatch::~CUIControlWatch() {
    if (!m_control) return;
    for (CUIControlWatch** link = &m_control->m_watches; *link; link = &(*link)->m_next) {
        if (*link == this) {
            *link = m_next;
            break;
        }
    }
}

CUIControl::~CUIControl() {
    for (CUIControlWatch* watch = m_watches; watch; watch = watch->m_next) watch->m_control = nullptr;
    // Destroy already did this, but a control removed by RemoveChild, or
    // deleted with its container, comes here directly: the window must not
    // keep it as the target of a timer, a posted call or a tooltip.
    if (m_window) {
        if (m_state & kStateToolTipRegistered) m_window->RemoveToolTip(this);
        m_window->KillAllControlTimers(this);
        m_window->RemovePostedCalls(this);
    }
    for (auto& event : m_events) delete event.second;
}

bool CUIControl::Create(CUIContainer* parent, uint32_t flags, const UIRect& rect, int id, void* arg) {
    if (!parent || parent->GetChild(id)) return false;
    m_id = id;
    m_rect = (flags & kControlRectInPixels) ? rect : DpiScaleRect(rect);
    m_flags = (flags & kControlTabStop) ? (flags | kControlFocusable) : flags;
    m_state = 0;
    if (!parent->IsEffectivelyEnabled()) m_state |= kStateAncestorDisabled;
    if (parent->IsEffectivelyVisible()) m_state |= kStateAncestorsVisible;
    m_parent = parent;
    m_window = parent->GetWindow();
    parent->AppendChild(this, id);
    OnCreate(arg);
    return true;
}

void CUIControl::CreateAsRoot(CDuiWindow* window, uint32_t flags, const UIRect& rect) {
    m_window = window;
    m_parent = nullptr;
    m_flags = (flags & kControlTabStop) ? (flags | kControlFocusable) : flags;
    m_state = kStateAncestorsVisible;
    m_rect = rect;
    OnCreate(nullptr);
}

void CUIControl::Destroy() {
    OnDestroy();
    if (m_window) {
        if (m_state & kStateToolTipRegistered) m_window->RemoveToolTip(this);
        m_state &= ~kStateToolTipRegistered;
        m_window->KillAllControlTimers(this);
        m_window->RemovePostedCalls(this);
    }
    if (m_parent) m_parent->RemoveChild(this);  // deletes this
}

CUIControl* CUIControl::GetNextControl(bool backward) {
    if (!m_parent) return nullptr;
    if (backward) {
        if (CUIControl* previous = m_parent->GetSibling(this, true)) return previous->GetLastDescendant();
        return m_parent;
    }
    for (CUIControl* c = this; c->m_parent; c = c->m_parent) {
        if (CUIControl* next = c->m_parent->GetSibling(c, false)) return next;
    }
    return nullptr;
}

CUIControl* CUIControl::GetNextTabStop(bool backward) {
    for (CUIControl* c = GetNextControl(backward); c; c = c->GetNextControl(backward)) {
        if (IsTabStop(c)) return c;
    }
    return nullptr;
}

uint32_t CUIControl::SetFlags(uint32_t flags) {
    uint32_t result = m_flags;
    for (uint32_t bit = 1; bit; bit <<= 1) {
        if (((m_flags ^ flags) & bit) == 0) continue;
        bool accepted = false;
        OnFlagChange(flags, bit, flags & bit, accepted);
        if (accepted) result = (result & ~bit) | (flags & bit);
        m_flags = (m_flags & ~bit) | (result & bit);
    }
    m_flags = result;
    return m_flags;
}

void CUIControl::Enable(bool enable) {
    SetFlags(enable ? (m_flags & ~kControlDisabled) : (m_flags | kControlDisabled));
}

void CUIControl::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    accepted = bit == kControlDisabled || bit == kControlVisible;
    if (!accepted) return;
    // The effects below must see the new value.
    const uint32_t old = m_flags;
    m_flags = (m_flags & ~bit) | value;
    if (bit == kControlDisabled && !(m_state & kStateAncestorDisabled)) {
        ApplyEnabled(value == 0);
    } else if (bit == kControlVisible && (m_state & kStateAncestorsVisible)) {
        if (!value) {
            // Repaint the place while the control still counts as visible.
            m_flags = old;
            Invalidate();
            m_flags = (m_flags & ~bit) | value;
        }
        ApplyVisible(value != 0);
    }
}

void CUIControl::SetInheritedState(uint32_t state) {
    const uint32_t changed = (m_state ^ state) & (kStateAncestorDisabled | kStateAncestorsVisible);
    const uint32_t old = m_state;
    m_state = (m_state & kStateToolTipRegistered) | (state & ~kStateToolTipRegistered);
    if ((changed & kStateAncestorDisabled) && !(m_flags & kControlDisabled)) {
        ApplyEnabled(!(state & kStateAncestorDisabled));
    }
    if ((changed & kStateAncestorsVisible) && (m_flags & kControlVisible)) {
        if (!(state & kStateAncestorsVisible)) {
            const uint32_t now = m_state;
            m_state = old;
            Invalidate();
            m_state = now;
        }
        ApplyVisible((state & kStateAncestorsVisible) != 0);
    }
}

void CUIControl::ApplyEnabled(bool enabled) {
    if (!enabled) KillFocus();
    OnEnable(enabled);
    UpdateToolTip();
}

void CUIControl::ApplyVisible(bool visible) {
    if (!visible) KillFocus();
    OnShow(visible);
    UpdateToolTip();
    if (visible) Invalidate();
}

void CUIControl::UpdateToolTip() {
    if ((m_state & kStateToolTipRegistered) && m_window) {
        m_window->UpdateToolTipRect(this, IsEffectivelyEnabled() && IsEffectivelyVisible());
    }
}

void CUIControl::SetPos(const UIRect& rect) {
    const UIRect old = m_rect;
    const bool moved = rect.x != old.x || rect.y != old.y;
    const bool sized = rect.width != old.width || rect.height != old.height;
    m_rect = rect;
    if (moved) OnMove(1, rect.x, rect.y);
    if (sized) OnSize(rect.width, rect.height);
    UpdateToolTip();
    if (!moved && !sized) return;
    if (old.Intersects(rect)) {
        UIRect both = old;
        both.Union(rect);
        InvalidateRect(both.Offset(-rect.x, -rect.y));
    } else {
        InvalidateRect(old.Offset(-rect.x, -rect.y));
        InvalidateRect(UIRect(0, 0, rect.width, rect.height));
    }
}

CDuiWindow* CUIControl::VisibleWindowArea(const UIRect& rect, RECT& out) const {
    if (!IsEffectivelyVisible() || rect.IsEmpty()) return nullptr;
    UIRect area = rect;
    const CUIControl* c = this;
    for (; c->m_parent; c = c->m_parent) {
        const CUIContainer* parent = c->m_parent;
        if (!parent->IsEffectivelyVisible()) return nullptr;
        UIRect clipped;
        if (!area.Offset(c->m_rect.x, c->m_rect.y)
                 .Intersect(UIRect(0, 0, parent->m_rect.width, parent->m_rect.height), clipped)) {
            return nullptr;
        }
        area = clipped;
    }
    if (!c->m_window || !c->m_window->GetHWND()) return nullptr;
    if (c != this && c->m_window->GetRoot() != c) return nullptr;  // a detached subtree
    out = {area.x, area.y, area.x + area.width, area.y + area.height};
    return c->m_window;
}

void CUIControl::InvalidateRect(const UIRect& rect) {
    RECT dirty;
    if (CDuiWindow* window = VisibleWindowArea(rect, dirty)) window->InvalidateArea(dirty);
}

void CUIControl::ScrollContent(int dy) {
    RECT area;
    if (dy == 0) return;
    if (CDuiWindow* window = VisibleWindowArea(UIRect(0, 0, m_rect.width, m_rect.height), area)) {
        window->ScrollArea(area, dy);
    }
}

void CUIControl::Invalidate() { InvalidateRect(UIRect(0, 0, m_rect.width, m_rect.height)); }

bool CUIControl::SetFocus(int reason) {
    if (!m_parent || !(m_flags & kControlFocusable)) return false;
    std::vector<CUIContainer*> chain;
    for (CUIContainer* c = m_parent; c; c = c->GetParent()) chain.push_back(c);
    // From the root down, each container hands the focus path on.
    for (size_t i = chain.size() - 1; i > 0; --i) chain[i]->SetFocusedChild(chain[i - 1], reason);
    m_parent->SetFocusedChild(this, reason);
    return true;
}

bool CUIControl::HasFocus(int* reason) const {
    if (m_parent) {
        if (m_parent->GetFocusedChild() != this) return false;
        if (reason) *reason = m_parent->GetFocusReason();
        return true;
    }
    if (!m_window || !m_window->HasFocus()) return false;
    if (reason) *reason = kFocusByProgram;
    return true;
}

void CUIControl::MoveFocus(bool backward) {
    if (!m_window) return;
    if (CUIControl* next = m_window->GetNextTabStop(this, backward)) {
        next->SetFocus(kFocusByTab);
    } else if (CUIContainer* root = m_window->GetRoot()) {
        root->SetFocusedChild(nullptr, kFocusByProgram);
    }
}

void CUIControl::OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) {
    if (vk == VK_TAB && !(GetKeyState(VK_CONTROL) & 0x8000)) MoveFocus((GetKeyState(VK_SHIFT) & 0x8000) != 0);
}

void CUIControl::KillFocus() {
    if (!HasFocus()) return;
    CUIControl* start = nullptr;
    if (m_parent) {
        start = m_parent->GetSibling(this, false);
        if (!start) start = m_parent->CUIControl::GetNextControl(false);
    }
    // The starting point itself is the first candidate: skipping it would
    // pass the focus over the control that follows.
    CUIControl* target = start && IsTabStop(start) ? start : start ? start->GetNextTabStop(false) : nullptr;
    if (target && target->SetFocus(kFocusByProgram)) return;
    if (m_window && m_window->GetRoot()) m_window->GetRoot()->SetFocusedChild(nullptr, kFocusByProgram);
}

void CUIControl::SetToolTipText(const wchar_t* text) {
    if (!m_window) return;
    if (!(m_state & kStateToolTipRegistered)) {
        m_window->AddToolTip(this, text, IsEffectivelyEnabled() && IsEffectivelyVisible());
        m_state |= kStateToolTipRegistered;
    } else {
        m_window->UpdateToolTipText(this, text);
    }
}

UIRect CUIControl::GetWindowRect() const {
    UIRect rect = m_rect;
    for (const CUIControl* p = m_parent; p; p = p->m_parent) rect = rect.Offset(p->m_rect.x, p->m_rect.y);
    return rect;
}

void CUIControl::GetCursorPos(POINT& pt) const {
    const DWORD pos = GetMessagePos();
    pt.x = static_cast<short>(LOWORD(pos));
    pt.y = static_cast<short>(HIWORD(pos));
    if (m_window && m_window->GetHWND()) ScreenToClient(m_window->GetHWND(), &pt);
    const UIRect rect = GetWindowRect();
    pt.x -= rect.x;
    pt.y -= rect.y;
}

bool CUIControl::UpdateAutoSize() {
    if (!(m_flags & kControlAutoSize)) return false;
    int width = -1, height = -1;
    if (!GetDesiredSize(width, height)) return false;
    SetPos(UIRect(m_rect.x, m_rect.y, width > 0 ? width : m_rect.width, height > 0 ? height : m_rect.height));
    return true;
}

void CUIControl::BindEvent(int id, EventDelegate* delegate) {
    if (!m_events.emplace(id, delegate).second) delete delegate;
}

void CUIControl::FireEvent(int id, uint32_t p1, uint32_t p2) {
    auto found = m_events.find(id);
    if (found == m_events.end()) return;
    EventData data;
    data.p1 = p1;
    data.p2 = p2;
    data.sender = this;
    data.id = id;
    found->second->Invoke(data);
}

bool CUIControl::IsDescendantOf(const CUIControl* ancestor) const {
    for (const CUIControl* c = this; c; c = c->m_parent) {
        if (c == ancestor) return true;
    }
    return false;
}

}  // namespace wendaldui
