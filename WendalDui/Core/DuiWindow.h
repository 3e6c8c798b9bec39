// A top-level window that owns a tree of windowless controls: it paints them
// off-screen with GDI+, turns window messages into control calls and carries
// the services controls share (focus bookkeeping, tooltips, control timers,
// the animation tick and calls posted from other threads).
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "WendalDui/Control/UIControl.h"
#include "WendalDui/Core/MessageFilter.h"
#include "WendalDui/Core/OffscreenDC.h"
#include "WendalDui/Core/ToolTip.h"
#include "WendalDui/Core/WindowBase.h"
#include "WendalDui/Utils/NumberPool.h"

namespace wendaldui {

class CUIContainer;

// Private messages of every DirectUI window.
constexpr UINT WM_DUI_POSTED_CALLS = WM_APP + 1;
constexpr UINT WM_DUI_ANIMATION_TICK = WM_APP + 2;
constexpr UINT WM_DUI_AFTER_CREATE = WM_APP + 5;

class CDuiWindow : public CWindowBase {
public:
    CDuiWindow();
    ~CDuiWindow() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void OnCreate() {}
    // Runs from a posted message once creation has returned.
    virtual void OnAfterCreate() {}
    virtual void OnAnimationTimer(UINT id) {}
    // The skin's colours (kSkinChangedColors) or font changed; the controls
    // have been told. Nothing in this class.
    virtual void OnSkinChanged(uint32_t bits) {}

    // Before creation only: the window takes ownership.
    void SetRoot(CUIContainer* root) { m_root = root; }
    // Makes the control tree before the system window, for a client area of
    // width x height pixels; the window made later for this object keeps it.
    // Meanwhile the controls can be filled: nothing paints, and their timers
    // and posted calls wait for the window. For a window that may never be
    // shown (a drop-down list): a top-level window costs milliseconds to make.
    // False when the tree exists already.
    bool MakeControls(int width, int height);
    CUIContainer* GetRoot() const { return m_root; }
    // ARGB; 0 leaves the surface as it was before painting.
    void SetBackgroundColor(uint32_t argb) { m_backgroundColor = argb; }
    const COffscreenDC& GetOffscreenDC() const { return m_offscreen; }
    bool HasFocus() const { return m_hasFocus; }
    // For a window that never takes the system's focus, whose owner forwards
    // the keys to it (a drop-down list): its controls may hold the focus.
    void BehaveAsFocused() { m_hasFocus = true; }

    bool AddMessageFilter(IMessageFilter* filter);
    // Safe while the filter (or another) is handling a message.
    bool RemoveMessageFilter(IMessageFilter* filter);

    CUIControl* GetNextTabStop(CUIControl* control, bool backward);
    void AddToolTip(CUIControl* control, const wchar_t* text, bool active);
    void UpdateToolTipRect(CUIControl* control, bool active);
    void UpdateToolTipText(CUIControl* control, const wchar_t* text);
    void RemoveToolTip(CUIControl* control);
    const CToolTip& GetToolTip() const { return m_toolTip; }
    // Called before a control is deleted: it, or a control below it, must not
    // stay the one to refocus when the window is activated again.
    void ForgetControl(CUIControl* control);
    // The control that had the focus when the window lost it (null when none).
    CUIControl* GetSavedFocus() const { return m_savedFocus; }

    bool SetControlTimer(CUIControl* control, UINT localId, UINT intervalMs);
    bool KillControlTimer(CUIControl* control, UINT localId);
    void KillAllControlTimers(CUIControl* control);

    // The one operation other threads may call: the control's OnPostedCall
    // runs later on the UI thread, in posting order.
    void PostControlCall(CUIControl* control, UINT code, WPARAM argument1, LPARAM argument2);
    void RemovePostedCalls(CUIControl* control);

    // The 16 ms tick of id 0 on the window's timer queue; false without a
    // queue, or when it is already running (stopped).
    bool StartAnimationTimer(UINT unused = 0);
    bool StopAnimationTimer(UINT unused = 0);

    void PaintWindow(HDC dc, const RECT& dirty);
    // Asks for a repaint of a client area (the controls' invalidation ends
    // here); an area already asked for since the last paint costs no call to
    // the system, so that a thousand changes in one place cost one.
    void InvalidateArea(const RECT& area);
    // Moves what the surface shows in `area` by dy pixels (down when
    // positive), as content scrolled under a fixed frame moves: only what
    // comes into view, and what was still to be painted there, is painted
    // anew; the rest is copied to the screen as it is. For an area that no
    // other control paints over.
    void ScrollArea(const RECT& area, int dy);

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnCreateMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnAfterCreateMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowWindow(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimerMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaintMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnEraseBackground(WPARAM wParam, LPARAM lParam);
    LRESULT OnSizeMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnMoveMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroyMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonDownMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonDblClkMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUpMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnMButtonDownMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnMButtonUpMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnRButtonDownMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnRButtonUpMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMoveMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCursorMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcHitTestMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseLeaveMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseHoverMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseWheelMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnKeyDownMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnKeyUpMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnCharMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnSysKeyUpMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnSysKeyDownMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseActivateMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetFocusMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnKillFocusMessage(WPARAM wParam, LPARAM lParam);
    void RestoreSavedFocus();
    LRESULT OnPostedCallsMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnAnimationTickMessage(WPARAM wParam, LPARAM lParam);

    // BeginPaint or ValidateRect validated the window: nothing is asked for.
    void ForgetRequests();

    // A window that animates creates the queue after creation; WM_DESTROY
    // deletes it.
    HANDLE m_timerQueue = NULL;

private:
    struct ControlTimer {
        CUIControl* control;
        UINT localId;
        UINT intervalMs;
    };
    struct PostedCall {
        CUIControl* control;
        UINT code;
        WPARAM argument1;
        LPARAM argument2;
    };
    struct AnimationRecord {
        uint32_t sequence;
        UINT id;
        HANDLE timer;
        HWND hwnd;
    };

    typedef void (CUIControl::*MouseSlot)(WPARAM keys, int x, int y);
    typedef void (CUIControl::*KeySlot)(WPARAM key, UINT repeat, LPARAM keyFlags);
    LRESULT MouseToRoot(MouseSlot slot, WPARAM wParam, LPARAM lParam);
    LRESULT KeyToRoot(KeySlot slot, WPARAM wParam, LPARAM lParam);
    static void CALLBACK AnimationTimerCallback(void* record, BOOLEAN);
    // Once the first frame is on the screen: the tooltip window.
    static void CALLBACK AfterFirstFrame(HWND hwnd, UINT, UINT_PTR timer, DWORD);
    // Mouse position of a message with screen coordinates, in the client area.
    POINT ScreenToClientPoint(LPARAM lParam) const;
    void TearDown();
    // The system is asked to repaint the area unless it was already.
    void RequestArea(const RECT& area);
    // Paints the parts of `region` (client coordinates) into the surface.
    void PaintRegion(HRGN region);

    COffscreenDC m_offscreen;
    // Between two paints: what the system was asked to repaint; what of that
    // the surface holds already (moved pixels, only to be copied to the
    // screen); what of the surface was never painted since it was made.
    HRGN m_requested = NULL;
    HRGN m_copyOnly = NULL;
    HRGN m_unpainted = NULL;
    HRGN m_scratch = NULL;
    uint32_t m_backgroundColor = 0xFFFFFFFFu;
    CUIContainer* m_root = nullptr;
    CUIControl* m_savedFocus = nullptr;
    int m_savedFocusReason = 0;
    bool m_trackingMouse = false;
    bool m_hasFocus = false;
    bool m_framePainted = false;
    bool m_controlsMade = false;
    NumberPoolT m_timerIds;
    std::map<UINT_PTR, ControlTimer> m_timers;
    std::map<CUIControl*, std::map<UINT, UINT_PTR>> m_controlTimers;
    std::vector<IMessageFilter*> m_filters;
    std::deque<PostedCall> m_postedCalls;
    CRITICAL_SECTION m_postedCallsLock;
    CToolTip m_toolTip;
    std::map<UINT, AnimationRecord*> m_animations;
    uint32_t m_nextAnimationSequence = 0;
};

}  // namespace wendaldui
