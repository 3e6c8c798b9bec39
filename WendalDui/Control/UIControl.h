// The element every window is made of: a rectangle inside its parent with
// flags, an id, a table of event delegates and the virtual operations through
// which the window delivers input, paint, timers and posted calls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <unordered_map>

#include "WendalDui/Utils/Delegate.h"
#include "WendalDui/Utils/EventData.h"
#include "WendalDui/Utils/UIRect.h"
#include "core/noncopyable.h"

namespace Gdiplus {
class Graphics;
}

namespace wendaldui {

class CDuiWindow;
class CUIContainer;

// What a control paints: the dirty part and its own rect, both in window
// coordinates, and the window's off-screen Graphics.
struct PaintContext {
    UIRect dirty;
    UIRect rect;
    Gdiplus::Graphics* graphics;
};

enum ControlFlags : uint32_t {
    kControlDisabled = 0x01,
    kControlVisible = 0x02,
    kControlFocusable = 0x04,
    kControlTabStop = 0x08,
    kControlDoubleClicks = 0x10,
    kControlMouseTransparent = 0x20,
    kControlRectInPixels = 0x40,
    kControlAutoSize = 0x80,
};

enum ControlState : uint32_t {
    kStateAncestorDisabled = 0x01,
    kStateAncestorsVisible = 0x02,
    kStateToolTipRegistered = 0x04,
};

// Hit-test answers.
enum HitCode { kHitNothing = 0, kHitClient = 1, kHitCaption = 2 };

// Focus reasons.
enum FocusReason { kFocusByMouse = 1, kFocusByTab = 2, kFocusByProgram = 3 };

// A key-down's flags: the key was already down (a held key repeating).
constexpr LPARAM kKeyWasDown = 1 << 30;

typedef wendal_::IDelegate<void, EventData&> EventDelegate;

// Rect multiplied by the DPI factor, each value truncated toward zero.
UIRect DpiScaleRect(const UIRect& rect);

class CUIControl;

// Made before raising an event whose handler may destroy the control (or
// close its window, which takes every control in it): Alive() then says
// whether the control may still be touched.
class CUIControlWatch : private wendal_::noncopyable {
public:
    explicit CUIControlWatch(CUIControl* control);
    ~CUIControlWatch();
    bool Alive() const { return m_control != nullptr; }

private:
    friend class CUIControl;
    CUIControl* m_control;
    CUIControlWatch* m_next;
};

class CUIControl : private wendal_::noncopyable {
public:
    CUIControl() = default;
    virtual ~CUIControl();

    virtual CUIControl* GetNextControl(bool backward);
    virtual CUIControl* GetLastDescendant() { return this; }
    virtual CUIControl* GetNextTabStop(bool backward);
    virtual CUIControl* GetFocusedControl() { return this; }
    virtual void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted);
    virtual void OnCreate(void* arg) {}
    virtual void OnDestroy() {}
    virtual void OnLButtonDown(WPARAM keys, int x, int y) {}
    virtual void OnLButtonDblClk(WPARAM keys, int x, int y) {}
    virtual void OnLButtonUp(WPARAM keys, int x, int y) {}
    virtual void OnMButtonDown(WPARAM keys, int x, int y) {}
    virtual void OnMButtonUp(WPARAM keys, int x, int y) {}
    virtual void OnRButtonDown(WPARAM keys, int x, int y) {}
    virtual void OnRButtonUp(WPARAM keys, int x, int y) {}
    virtual void OnMouseMove(WPARAM keys, int x, int y) {}
    virtual void OnMouseHover(WPARAM keys, int x, int y) {}
    virtual void OnMouseWheel(WPARAM keys, int delta, int x, int y) {}
    virtual void OnMouseEnter() {}
    virtual void OnMouseLeave() {}
    virtual void OnChar(WPARAM ch, UINT repeat, LPARAM keyFlags) {}
    virtual void OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags);
    virtual void OnKeyUp(WPARAM vk, UINT repeat, LPARAM keyFlags) {}
    virtual bool OnSysKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) { return false; }
    virtual bool OnSysKeyUp(WPARAM vk, UINT repeat, LPARAM keyFlags) { return false; }
    virtual void OnPaint(PaintContext& context) {}
    virtual void OnSize(int width, int height) {}
    virtual void OnMove(int reason, int x, int y) {}
    virtual void OnTimer(UINT localId) {}
    virtual void OnKillFocus() {}
    virtual void OnSetFocus(int reason) {}
    virtual void OnEnable(bool enabled) {}
    virtual void OnShow(bool visible) {}
    virtual int HitTest(int x, int y, CUIControl*& out) {
        out = this;
        return kHitClient;
    }
    virtual bool OnSetCursor() { return false; }
    virtual void OnSkinChanged(uint32_t bits) {}
    virtual void OnPostedCall(UINT code, WPARAM argument1, LPARAM argument2) {}
    virtual bool GetDesiredSize(int& width, int& height) { return false; }

    // Attaches the control at the top of parent's z-order; false (and the
    // control attached nowhere, still the caller's) when parent already has a
    // child with that id.
    bool Create(CUIContainer* parent, uint32_t flags, const UIRect& rect, int id, void* arg = nullptr);
    // Makes this the root control of a window: no parent, rect in window pixels.
    void CreateAsRoot(CDuiWindow* window, uint32_t flags, const UIRect& rect);
    // Detaches the control from everything that names it and deletes it.
    void Destroy();

    // Moves and sizes the control; the rect is in device pixels.
    void SetPos(const UIRect& rect);
    // Returns the flags after the change: each differing bit is offered to
    // OnFlagChange, which may refuse it.
    uint32_t SetFlags(uint32_t flags);
    void Enable(bool enable);
    // Updates the ancestor-derived state bits (enabled in bit 0 cleared,
    // visible in bit 1 set) with the effects of the change.
    void SetInheritedState(uint32_t state);

    void InvalidateRect(const UIRect& rect);
    void Invalidate();
    // The control's content moved dy pixels down (up when negative) under a
    // fixed frame: what it showed is moved on the window's surface and only
    // what comes into view is painted again. For a control nothing paints over.
    void ScrollContent(int dy);

    bool SetFocus(int reason);
    bool HasFocus(int* reason = nullptr) const;
    void MoveFocus(bool backward);
    void KillFocus();

    void SetToolTipText(const wchar_t* text);
    // The cursor position of the current message, in this control's coordinates.
    void GetCursorPos(POINT& pt) const;
    bool UpdateAutoSize();

    // The table keeps the first delegate of an id; a later one is deleted.
    void BindEvent(int id, EventDelegate* delegate);
    template <typename T>
    void BindEvent(int id, T* target, void (T::*method)(EventData&)) {
        BindEvent(id, new wendal_::CMethodDelegate<T, void, EventData&>(target, method));
    }
    void FireEvent(int id, uint32_t p1 = 0, uint32_t p2 = 0);

    // The rect in window coordinates.
    UIRect GetWindowRect() const;
    const UIRect& GetRect() const { return m_rect; }
    uint32_t GetFlags() const { return m_flags; }
    uint32_t GetState() const { return m_state; }
    CUIContainer* GetParent() const { return m_parent; }
    CDuiWindow* GetWindow() const { return m_window; }
    int GetId() const { return m_id; }
    bool IsDescendantOf(const CUIControl* ancestor) const;

    bool IsEffectivelyEnabled() const {
        return !(m_flags & kControlDisabled) && !(m_state & kStateAncestorDisabled);
    }
    bool IsEffectivelyVisible() const {
        return (m_flags & kControlVisible) && (m_state & kStateAncestorsVisible);
    }

protected:
    // The effects of a change of the effective enabled or visible state.
    void ApplyEnabled(bool enabled);
    void ApplyVisible(bool visible);
    void UpdateToolTip();
    // The window and the part of `rect` (control coordinates) that shows in
    // its client area; null when none of it shows.
    CDuiWindow* VisibleWindowArea(const UIRect& rect, RECT& out) const;

    int m_id = 0;
    uint32_t m_flags = 0;
    uint32_t m_state = 0;
    UIRect m_rect;
    CUIContainer* m_parent = nullptr;
    CDuiWindow* m_window = nullptr;
    std::unordered_map<int, EventDelegate*> m_events;

private:
    friend class CUIControlWatch;
    CUIControlWatch* m_watches = nullptr;
};

}  // namespace wendaldui
