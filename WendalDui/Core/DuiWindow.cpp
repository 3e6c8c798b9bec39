#include "WendalDui/Core/DuiWindow.h"

#include <windowsx.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <algorithm>

#include "WendalDui/Control/UIContainer.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"

namespace wendaldui {

namespace {

constexpr uint32_t kRootFlags = kControlVisible | kControlFocusable | kControlDoubleClicks | kControlRectInPixels;
constexpr UINT kAnimationPeriodMs = 16;
constexpr UINT kMouseHoverMs = 400;
constexpr UINT_PTR kFirstFrameTimerId = 0x7FFD;

class QueueLock {
public:
    explicit QueueLock(CRITICAL_SECTION& lock) : m_lock(lock) { EnterCriticalSection(&m_lock); }
    ~QueueLock() { LeaveCriticalSection(&m_lock); }
    QueueLock(const QueueLock&) = delete;
    QueueLock& operator=(const QueueLock&) = delete;

private:
    CRITICAL_SECTION& m_lock;
};

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CDuiWindow, CWindowBase)
DUI_MESSAGE_HANDLER(WM_CREATE, OnCreateMessage)
DUI_MESSAGE_HANDLER(WM_DUI_AFTER_CREATE, OnAfterCreateMessage)
DUI_MESSAGE_HANDLER(WM_SHOWWINDOW, OnShowWindow)
DUI_MESSAGE_HANDLER(WM_TIMER, OnTimerMessage)
DUI_MESSAGE_HANDLER(WM_PAINT, OnPaintMessage)
DUI_MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
DUI_MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
DUI_MESSAGE_HANDLER(WM_MOVE, OnMoveMessage)
DUI_MESSAGE_HANDLER(WM_DESTROY, OnDestroyMessage)
DUI_MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDownMessage)
DUI_MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnLButtonDblClkMessage)
DUI_MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUpMessage)
DUI_MESSAGE_HANDLER(WM_MBUTTONDOWN, OnMButtonDownMessage)
DUI_MESSAGE_HANDLER(WM_MBUTTONUP, OnMButtonUpMessage)
DUI_MESSAGE_HANDLER(WM_RBUTTONDOWN, OnRButtonDownMessage)
DUI_MESSAGE_HANDLER(WM_RBUTTONUP, OnRButtonUpMessage)
DUI_MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMoveMessage)
DUI_MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursorMessage)
DUI_MESSAGE_HANDLER(WM_NCHITTEST, OnNcHitTestMessage)
DUI_MESSAGE_HANDLER(WM_MOUSELEAVE, OnMouseLeaveMessage)
DUI_MESSAGE_HANDLER(WM_MOUSEHOVER, OnMouseHoverMessage)
DUI_MESSAGE_HANDLER(WM_MOUSEWHEEL, OnMouseWheelMessage)
DUI_MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDownMessage)
DUI_MESSAGE_HANDLER(WM_KEYUP, OnKeyUpMessage)
DUI_MESSAGE_HANDLER(WM_CHAR, OnCharMessage)
DUI_MESSAGE_HANDLER(WM_SYSKEYUP, OnSysKeyUpMessage)
DUI_MESSAGE_HANDLER(WM_SYSKEYDOWN, OnSysKeyDownMessage)
DUI_MESSAGE_HANDLER(WM_MOUSEACTIVATE, OnMouseActivateMessage)
DUI_MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocusMessage)
DUI_MESSAGE_HANDLER(WM_KILLFOCUS, OnKillFocusMessage)
DUI_MESSAGE_HANDLER(WM_DUI_POSTED_CALLS, OnPostedCallsMessage)
DUI_MESSAGE_HANDLER(WM_DUI_ANIMATION_TICK, OnAnimationTickMessage)
DUI_END_MESSAGE_MAP()

CDuiWindow::CDuiWindow()
    : m_requested(CreateRectRgn(0, 0, 0, 0)),
      m_copyOnly(CreateRectRgn(0, 0, 0, 0)),
      m_unpainted(CreateRectRgn(0, 0, 0, 0)),
      m_scratch(CreateRectRgn(0, 0, 0, 0)) {
    InitializeCriticalSectionAndSpinCount(&m_postedCallsLock, 4000);
}

CDuiWindow::~CDuiWindow() {
    if (m_hWnd) DestroyWindow(m_hWnd);
    TearDown();
    m_timers.clear();
    m_controlTimers.clear();
    m_filters.clear();
    m_postedCalls.clear();
    DeleteCriticalSection(&m_postedCallsLock);
    for (HRGN region : {m_requested, m_copyOnly, m_unpainted, m_scratch}) DeleteObject(region);
}

LRESULT CDuiWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_filters.empty()) {
        // A filter may remove itself or another filter while it runs: walk a
        // copy and skip the ones no longer listed.
        const std::vector<IMessageFilter*> filters = m_filters;
        for (IMessageFilter* filter : filters) {
            if (std::find(m_filters.begin(), m_filters.end(), filter) == m_filters.end()) continue;
            bool handled = false;
            const LRESULT result = filter->MessageFilter(m_hWnd, message, wParam, lParam, handled);
            if (handled) return result;
        }
    }
    LRESULT result = 0;
    if (ProcessWindowMessage(message, wParam, lParam, result)) return result;
    return DefaultProc(message, wParam, lParam);
}

bool CDuiWindow::AddMessageFilter(IMessageFilter* filter) {
    if (!filter || std::find(m_filters.begin(), m_filters.end(), filter) != m_filters.end()) return false;
    m_filters.push_back(filter);
    return true;
}

bool CDuiWindow::RemoveMessageFilter(IMessageFilter* filter) {
    auto it = std::find(m_filters.begin(), m_filters.end(), filter);
    if (it == m_filters.end()) return false;
    m_filters.erase(it);
    return true;
}

CUIControl* CDuiWindow::GetNextTabStop(CUIControl* control, bool backward) {
    if (!m_root) return nullptr;
    CUIControl* from = control ? control : m_root;
    if (CUIControl* next = from->GetNextTabStop(backward)) return next;
    if (!backward) return m_root->GetNextTabStop(false);
    CUIControl* last = m_root->GetLastDescendant();
    const uint32_t tabStop = kControlTabStop | kControlVisible;
    if (last && (last->GetFlags() & tabStop) == tabStop && last->IsEffectivelyVisible() &&
        last->IsEffectivelyEnabled()) {
        return last;
    }
    return last ? last->GetNextTabStop(true) : nullptr;
}

namespace {

UIRect ToolRect(CUIControl* control, bool active) {
    if (!active) return UIRect(-10, -10, 1, 1);
    UIRect rect = control->GetRect();
    for (CUIControl* p = control->GetParent(); p; p = p->GetParent()) {
        rect.x += p->GetRect().x;
        rect.y += p->GetRect().y;
    }
    return rect;
}

}  // namespace

void CDuiWindow::AddToolTip(CUIControl* control, const wchar_t* text, bool active) {
    m_toolTip.AddTool(m_hWnd, control, ToolRect(control, active), text);
}

void CDuiWindow::UpdateToolTipRect(CUIControl* control, bool active) {
    m_toolTip.UpdateToolRect(m_hWnd, control, ToolRect(control, active));
}

void CDuiWindow::UpdateToolTipText(CUIControl* control, const wchar_t* text) {
    m_toolTip.UpdateToolText(m_hWnd, control, text);
}

void CDuiWindow::RemoveToolTip(CUIControl* control) { m_toolTip.RemoveTool(m_hWnd, control); }

void CDuiWindow::ForgetControl(CUIControl* control) {
    if (m_savedFocus && m_savedFocus->IsDescendantOf(control)) m_savedFocus = nullptr;
}

bool CDuiWindow::SetControlTimer(CUIControl* control, UINT localId, UINT intervalMs) {
    std::map<UINT, UINT_PTR>& local = m_controlTimers[control];
    auto found = local.find(localId);
    UINT_PTR id;
    if (found != local.end()) {
        id = found->second;  // re-arming restarts the same window timer
    } else {
        id = m_timerIds.AllocateNumber();
        local[localId] = id;
    }
    m_timers[id] = {control, localId, intervalMs};
    // Without a window SetTimer would make a thread timer of its own id that
    // nothing could ever kill.
    if (m_hWnd) SetTimer(m_hWnd, id, intervalMs, NULL);
    return true;
}

bool CDuiWindow::KillControlTimer(CUIControl* control, UINT localId) {
    auto perControl = m_controlTimers.find(control);
    if (perControl == m_controlTimers.end()) return false;
    auto found = perControl->second.find(localId);
    if (found == perControl->second.end()) return false;
    const UINT_PTR id = found->second;
    perControl->second.erase(found);
    m_timers.erase(id);
    m_timerIds.ReleaseNumber(static_cast<uint32_t>(id));
    KillTimer(m_hWnd, id);
    return true;
}

void CDuiWindow::KillAllControlTimers(CUIControl* control) {
    auto perControl = m_controlTimers.find(control);
    if (perControl == m_controlTimers.end()) return;
    for (const auto& timer : perControl->second) {
        m_timers.erase(timer.second);
        m_timerIds.ReleaseNumber(static_cast<uint32_t>(timer.second));
        if (m_hWnd) KillTimer(m_hWnd, timer.second);
    }
    m_controlTimers.erase(perControl);
}

void CDuiWindow::PostControlCall(CUIControl* control, UINT code, WPARAM argument1, LPARAM argument2) {
    {
        QueueLock lock(m_postedCallsLock);
        m_postedCalls.push_back({control, code, argument1, argument2});
    }
    // Without a window yet, its creation posts the message.
    if (const HWND hwnd = m_hWnd) PostMessageW(hwnd, WM_DUI_POSTED_CALLS, 0, 0);
}

void CDuiWindow::RemovePostedCalls(CUIControl* control) {
    QueueLock lock(m_postedCallsLock);
    m_postedCalls.erase(std::remove_if(m_postedCalls.begin(), m_postedCalls.end(),
                                       [control](const PostedCall& c) { return c.control == control; }),
                        m_postedCalls.end());
}

LRESULT CDuiWindow::OnPostedCallsMessage(WPARAM, LPARAM) {
    // One call at a time: a call may destroy a control whose calls are still
    // queued, and those must then never run. Calls posted meanwhile come with
    // a message of their own, so the count taken here bounds the loop.
    size_t budget;
    {
        QueueLock lock(m_postedCallsLock);
        budget = m_postedCalls.size();
    }
    const HWND hwnd = m_hWnd;
    for (; budget > 0; --budget) {
        PostedCall call;
        {
            QueueLock lock(m_postedCallsLock);
            if (m_postedCalls.empty()) break;
            call = m_postedCalls.front();
            m_postedCalls.pop_front();
        }
        call.control->OnPostedCall(call.code, call.argument1, call.argument2);
        // A call that closed the window took every control with it, and a
        // self-owned window its own object too: touch nothing more.
        if (!IsWindow(hwnd)) break;
    }
    return 0;
}

void CALLBACK CDuiWindow::AnimationTimerCallback(void* param, BOOLEAN) {
    const AnimationRecord* record = static_cast<const AnimationRecord*>(param);
    PostMessageW(record->hwnd, WM_DUI_ANIMATION_TICK, record->id, static_cast<LPARAM>(record->sequence));
}

bool CDuiWindow::StartAnimationTimer(UINT) {
    const UINT id = 0;
    if (!m_timerQueue || m_animations.count(id)) return false;
    AnimationRecord* record = new AnimationRecord{m_nextAnimationSequence++, id, NULL, m_hWnd};
    if (!CreateTimerQueueTimer(&record->timer, m_timerQueue, &AnimationTimerCallback, record, 0,
                               kAnimationPeriodMs, WT_EXECUTEINTIMERTHREAD)) {
        delete record;
        return false;
    }
    m_animations[id] = record;
    return true;
}

bool CDuiWindow::StopAnimationTimer(UINT) {
    const UINT id = 0;
    auto found = m_animations.find(id);
    if (!m_timerQueue || found == m_animations.end()) return false;
    // Waits for a callback that is running, so the record can go.
    DeleteTimerQueueTimer(m_timerQueue, found->second->timer, INVALID_HANDLE_VALUE);
    delete found->second;
    m_animations.erase(found);
    return true;
}

LRESULT CDuiWindow::OnAnimationTickMessage(WPARAM wParam, LPARAM lParam) {
    const UINT id = static_cast<UINT>(wParam);
    auto found = m_animations.find(id);
    // A tick queued before the timer was stopped (and maybe started again)
    // carries an old sequence number.
    if (found != m_animations.end() && found->second->sequence == static_cast<uint32_t>(lParam)) {
        OnAnimationTimer(id);
    }
    return 0;
}

void CDuiWindow::PaintWindow(HDC dc, const RECT& dirty) {
    if (!dc) return;
    Gdiplus::Graphics graphics(dc);
    PaintContext context;
    context.dirty = UIRect(dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top);
    context.rect = m_root ? UIRect(0, 0, m_root->GetRect().width, m_root->GetRect().height) : UIRect();
    context.graphics = &graphics;
    const Gdiplus::GraphicsContainer saved = graphics.BeginContainer();
    graphics.SetClip(Gdiplus::Rect(context.dirty.x, context.dirty.y, context.dirty.width, context.dirty.height),
                     Gdiplus::CombineModeReplace);
    if (m_backgroundColor != 0) graphics.Clear(Gdiplus::Color(m_backgroundColor));
    if (m_root) m_root->OnPaint(context);
    graphics.EndContainer(saved);
    if (!m_framePainted && m_hWnd) {
        m_framePainted = true;
        // A zero timer comes after the paint: the frame reaches the screen first.
        SetTimer(m_hWnd, kFirstFrameTimerId, 0, &CDuiWindow::AfterFirstFrame);
    }
}

void CALLBACK CDuiWindow::AfterFirstFrame(HWND hwnd, UINT, UINT_PTR timer, DWORD) {
    KillTimer(hwnd, timer);
    auto* base = reinterpret_cast<CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (auto* window = dynamic_cast<CDuiWindow*>(base)) window->m_toolTip.Open(hwnd);
}

POINT CDuiWindow::ScreenToClientPoint(LPARAM lParam) const {
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(m_hWnd, &pt);
    return pt;
}

void CDuiWindow::TearDown() {
    if (CDuiSkinManager* skin = CDuiSkinManager::GetInstance()) skin->UnregisterWindow(this);
    if (m_root) {
        CUIContainer* root = m_root;
        m_root = nullptr;
        root->OnDestroy();
        KillAllControlTimers(root);
        RemovePostedCalls(root);
        delete root;
    }
    m_savedFocus = nullptr;
    {
        // Every control is gone now; calls still queued would reach freed ones.
        QueueLock lock(m_postedCallsLock);
        m_postedCalls.clear();
    }
    m_toolTip.Close();
    // A window made again for this object makes its tree and frame anew.
    m_controlsMade = false;
    m_framePainted = false;
    if (m_timerQueue) {
        // Waits for running callbacks; every timer of the queue goes with it.
        DeleteTimerQueueEx(m_timerQueue, INVALID_HANDLE_VALUE);
        m_timerQueue = NULL;
    }
    for (auto& animation : m_animations) delete animation.second;
    m_animations.clear();
}

bool CDuiWindow::MakeControls(int width, int height) {
    if (m_controlsMade) return false;
    m_controlsMade = true;
    if (!m_root) m_root = new CUIContainer;
    m_root->CreateAsRoot(this, kRootFlags, UIRect(0, 0, width, height));
    if (CDuiSkinManager* skin = CDuiSkinManager::GetInstance()) skin->RegisterWindow(this);
    OnCreate();
    return true;
}

LRESULT CDuiWindow::OnCreateMessage(WPARAM wParam, LPARAM lParam) {
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    if (!MakeControls(client.right - client.left, client.bottom - client.top)) {
        // The tree came first: what its controls asked for meanwhile starts now.
        for (const auto& timer : m_timers) SetTimer(m_hWnd, timer.first, timer.second.intervalMs, NULL);
        QueueLock lock(m_postedCallsLock);
        if (!m_postedCalls.empty()) PostMessageW(m_hWnd, WM_DUI_POSTED_CALLS, 0, 0);
    }
    PostMessageW(m_hWnd, WM_DUI_AFTER_CREATE, 0, 0);
    return DefaultProc(WM_CREATE, wParam, lParam);
}

LRESULT CDuiWindow::OnAfterCreateMessage(WPARAM, LPARAM) {
    OnAfterCreate();
    return 0;
}

LRESULT CDuiWindow::OnShowWindow(WPARAM wParam, LPARAM lParam) { return DefaultProc(WM_SHOWWINDOW, wParam, lParam); }

LRESULT CDuiWindow::OnTimerMessage(WPARAM wParam, LPARAM) {
    // The window's own SetTimer ids sit below the pool and never reach a
    // control; an id no longer in the map belongs to a killed timer whose
    // last tick was already queued.
    if (static_cast<uint32_t>(wParam) < NumberPoolT::kFirst) return 0;
    auto found = m_timers.find(wParam);
    if (found == m_timers.end()) return 0;
    found->second.control->OnTimer(found->second.localId);
    return 0;
}

void CDuiWindow::ForgetRequests() {
    SetRectRgn(m_requested, 0, 0, 0, 0);
    SetRectRgn(m_copyOnly, 0, 0, 0, 0);
}

void CDuiWindow::RequestArea(const RECT& area) {
    if (!m_hWnd || IsRectEmpty(&area)) return;
    SetRectRgn(m_scratch, area.left, area.top, area.right, area.bottom);
    if (CombineRgn(m_scratch, m_scratch, m_requested, RGN_DIFF) == NULLREGION) return;
    ::InvalidateRect(m_hWnd, &area, FALSE);
    SetRectRgn(m_scratch, area.left, area.top, area.right, area.bottom);
    CombineRgn(m_requested, m_requested, m_scratch, RGN_OR);
}

void CDuiWindow::InvalidateArea(const RECT& area) {
    if (!m_hWnd || IsRectEmpty(&area)) return;
    SetRectRgn(m_scratch, area.left, area.top, area.right, area.bottom);
    CombineRgn(m_copyOnly, m_copyOnly, m_scratch, RGN_DIFF);
    RequestArea(area);
}

void CDuiWindow::ScrollArea(const RECT& area, int dy) {
    if (!m_hWnd || IsRectEmpty(&area) || dy == 0) return;
    // A layered window pushes its whole surface from its own paint; a move
    // as far as the area is high leaves nothing to keep.
    if (!m_offscreen.GetBits() || std::abs(dy) >= area.bottom - area.top ||
        (GetWindowLongW(m_hWnd, GWL_EXSTYLE) & WS_EX_LAYERED)) {
        InvalidateArea(area);
        return;
    }
    HRGN whole = CreateRectRgnIndirect(&area);
    // What the surface still had to paint there moves with the pixels: what
    // was asked for and not yet painted (the system's own requests, for
    // parts that were covered, find the surface as it was and need only
    // copying), and what was never painted.
    HRGN stale = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(stale, m_requested, m_copyOnly, RGN_DIFF);
    CombineRgn(stale, stale, m_unpainted, RGN_OR);
    CombineRgn(stale, stale, whole, RGN_AND);
    OffsetRgn(stale, 0, dy);
    CombineRgn(stale, stale, whole, RGN_AND);
    m_offscreen.MoveRows(area, dy);
    // To paint: the strip that comes into view and the stale parts.
    RECT strip = area;
    if (dy > 0) {
        strip.bottom = area.top + dy;
    } else {
        strip.top = area.bottom + dy;
    }
    SetRectRgn(m_scratch, strip.left, strip.top, strip.right, strip.bottom);
    CombineRgn(stale, stale, m_scratch, RGN_OR);
    CombineRgn(m_copyOnly, m_copyOnly, whole, RGN_OR);
    CombineRgn(m_copyOnly, m_copyOnly, stale, RGN_DIFF);
    CombineRgn(m_unpainted, m_unpainted, whole, RGN_DIFF);
    DeleteObject(stale);
    DeleteObject(whole);
    // The screen takes the whole area.
    RequestArea(area);
}

void CDuiWindow::PaintRegion(HRGN region) {
    HDC dc = m_offscreen.GetDC();
    const DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<char> buffer(size > sizeof(RGNDATAHEADER) ? size : sizeof(RGNDATAHEADER) + sizeof(RECT));
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (size == 0 || !GetRegionData(region, size, data)) return;
    const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
    // A few parts one by one (a scrolled strip, a thumb); many at once.
    constexpr DWORD kFewParts = 8;
    if (data->rdh.nCount > kFewParts) {
        PaintWindow(dc, data->rdh.rcBound);
        return;
    }
    // A region is cut into bands: a strip with a thumb beside it comes as
    // two or three parts. Parts whose bounding box is not much larger than
    // they are are painted as one, since every paint walks the tree and
    // draws whole rows of text however little of them it shows.
    std::vector<RECT> parts(rects, rects + data->rdh.nCount);
    auto area = [](const RECT& r) { return static_cast<int64_t>(r.right - r.left) * (r.bottom - r.top); };
    for (size_t i = 0; i < parts.size(); ++i) {
        for (size_t j = i + 1; j < parts.size(); ++j) {
            RECT both;
            UnionRect(&both, &parts[i], &parts[j]);
            if (area(both) * 4 > (area(parts[i]) + area(parts[j])) * 5) continue;
            parts[i] = both;
            parts.erase(parts.begin() + j);
            j = i;  // the larger part may now take ones passed over
        }
    }
    for (const RECT& part : parts) PaintWindow(dc, part);
}

LRESULT CDuiWindow::OnPaintMessage(WPARAM, LPARAM) {
    // What is to be shown: the update region itself, not its bounding box,
    // which for a scrolled list and its thumb takes in the header between.
    HRGN paint = CreateRectRgn(0, 0, 0, 0);
    const bool exact = GetUpdateRgn(m_hWnd, paint, FALSE) != ERROR;
    PAINTSTRUCT ps;
    HDC screen = BeginPaint(m_hWnd, &ps);
    if (!exact) SetRectRgn(paint, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom);
    // Moved pixels only need copying; the rest is painted.
    CombineRgn(paint, paint, m_copyOnly, RGN_DIFF);
    ForgetRequests();
    HDC offscreen = m_offscreen.GetBitmap() ? m_offscreen.GetDC() : NULL;
    if (offscreen) {
        PaintRegion(paint);
        CombineRgn(m_unpainted, m_unpainted, paint, RGN_DIFF);
        // The paint DC is clipped to the update region.
        BitBlt(screen, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
               ps.rcPaint.bottom - ps.rcPaint.top, offscreen, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    }
    EndPaint(m_hWnd, &ps);
    DeleteObject(paint);
    return 0;
}

LRESULT CDuiWindow::OnEraseBackground(WPARAM, LPARAM) { return 1; }

LRESULT CDuiWindow::OnSizeMessage(WPARAM wParam, LPARAM lParam) {
    if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) {
        const int width = LOWORD(lParam);
        const int height = HIWORD(lParam);
        m_offscreen.Resize(width, height);
        // A new surface: nothing in it is painted, nothing is there to copy.
        SetRectRgn(m_unpainted, 0, 0, width, height);
        SetRectRgn(m_copyOnly, 0, 0, 0, 0);
        if (m_root) {
            if (m_root->GetFlags() & kControlRectInPixels) {
                m_root->SetPos(UIRect(0, 0, width, height));
            } else {
                m_root->SetPos(UIRect(0, 0, DpiScale(static_cast<float>(width)), DpiScale(static_cast<float>(height))));
            }
        }
    }
    return DefaultProc(WM_SIZE, wParam, lParam);
}

LRESULT CDuiWindow::OnMoveMessage(WPARAM wParam, LPARAM lParam) { return DefaultProc(WM_MOVE, wParam, lParam); }

LRESULT CDuiWindow::OnDestroyMessage(WPARAM wParam, LPARAM lParam) {
    TearDown();
    return DefaultProc(WM_DESTROY, wParam, lParam);
}

LRESULT CDuiWindow::OnLButtonDownMessage(WPARAM wParam, LPARAM lParam) {
    SetCapture(m_hWnd);
    if (!m_root) return 0;
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    CUIControl* hit = nullptr;
    if (m_root->HitTest(x, y, hit) == kHitClient && hit) hit->SetFocus(kFocusByMouse);
    // A focus handler may have closed the window, taking the tree with it.
    if (m_root) m_root->OnLButtonDown(wParam, x, y);
    return 0;
}

LRESULT CDuiWindow::OnLButtonDblClkMessage(WPARAM wParam, LPARAM lParam) {
    SetCapture(m_hWnd);
    return MouseToRoot(&CUIControl::OnLButtonDblClk, wParam, lParam);
}

LRESULT CDuiWindow::OnLButtonUpMessage(WPARAM wParam, LPARAM lParam) {
    ReleaseCapture();
    return MouseToRoot(&CUIControl::OnLButtonUp, wParam, lParam);
}

LRESULT CDuiWindow::MouseToRoot(MouseSlot slot, WPARAM wParam, LPARAM lParam) {
    if (m_root) (m_root->*slot)(wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    return 0;
}

LRESULT CDuiWindow::KeyToRoot(KeySlot slot, WPARAM wParam, LPARAM lParam) {
    if (m_root) (m_root->*slot)(wParam, LOWORD(lParam), lParam);
    return 0;
}

LRESULT CDuiWindow::OnMButtonDownMessage(WPARAM wParam, LPARAM lParam) {
    return MouseToRoot(&CUIControl::OnMButtonDown, wParam, lParam);
}

LRESULT CDuiWindow::OnMButtonUpMessage(WPARAM wParam, LPARAM lParam) {
    return MouseToRoot(&CUIControl::OnMButtonUp, wParam, lParam);
}

LRESULT CDuiWindow::OnRButtonDownMessage(WPARAM wParam, LPARAM lParam) {
    return MouseToRoot(&CUIControl::OnRButtonDown, wParam, lParam);
}

LRESULT CDuiWindow::OnRButtonUpMessage(WPARAM wParam, LPARAM lParam) {
    return MouseToRoot(&CUIControl::OnRButtonUp, wParam, lParam);
}

LRESULT CDuiWindow::OnMouseMoveMessage(WPARAM wParam, LPARAM lParam) {
    if (!m_trackingMouse) {
        TRACKMOUSEEVENT track = {sizeof track, TME_HOVER | TME_LEAVE, m_hWnd, kMouseHoverMs};
        TrackMouseEvent(&track);
        m_trackingMouse = true;
    }
    return MouseToRoot(&CUIControl::OnMouseMove, wParam, lParam);
}

LRESULT CDuiWindow::OnSetCursorMessage(WPARAM wParam, LPARAM lParam) {
    if (m_root && m_root->OnSetCursor()) return 1;
    return DefaultProc(WM_SETCURSOR, wParam, lParam);
}

LRESULT CDuiWindow::OnNcHitTestMessage(WPARAM wParam, LPARAM lParam) {
    if (m_root) {
        const POINT pt = ScreenToClientPoint(lParam);
        CUIControl* hit = nullptr;
        if (m_root->HitTest(pt.x, pt.y, hit) == kHitCaption) return HTCAPTION;
    }
    return DefaultProc(WM_NCHITTEST, wParam, lParam);
}

LRESULT CDuiWindow::OnMouseLeaveMessage(WPARAM, LPARAM) {
    m_trackingMouse = false;
    if (m_root) m_root->OnMouseLeave();
    return 0;
}

LRESULT CDuiWindow::OnMouseHoverMessage(WPARAM wParam, LPARAM lParam) {
    m_trackingMouse = false;
    return MouseToRoot(&CUIControl::OnMouseHover, wParam, lParam);
}

LRESULT CDuiWindow::OnMouseWheelMessage(WPARAM wParam, LPARAM lParam) {
    if (!IsWindowEnabled(m_hWnd) || !m_root) return 0;
    const POINT pt = ScreenToClientPoint(lParam);
    m_root->OnMouseWheel(LOWORD(wParam), static_cast<short>(HIWORD(wParam)), pt.x, pt.y);
    return 0;
}

LRESULT CDuiWindow::OnKeyDownMessage(WPARAM wParam, LPARAM lParam) {
    return KeyToRoot(&CUIControl::OnKeyDown, wParam, lParam);
}

LRESULT CDuiWindow::OnKeyUpMessage(WPARAM wParam, LPARAM lParam) {
    return KeyToRoot(&CUIControl::OnKeyUp, wParam, lParam);
}

LRESULT CDuiWindow::OnCharMessage(WPARAM wParam, LPARAM lParam) {
    return KeyToRoot(&CUIControl::OnChar, wParam, lParam);
}

LRESULT CDuiWindow::OnSysKeyUpMessage(WPARAM wParam, LPARAM lParam) {
    if (m_root && m_root->OnSysKeyUp(wParam, LOWORD(lParam), lParam)) return 0;
    return DefaultProc(WM_SYSKEYUP, wParam, lParam);
}

LRESULT CDuiWindow::OnSysKeyDownMessage(WPARAM wParam, LPARAM lParam) {
    if (m_root && m_root->OnSysKeyDown(wParam, LOWORD(lParam), lParam)) return 0;
    return DefaultProc(WM_SYSKEYDOWN, wParam, lParam);
}

LRESULT CDuiWindow::OnMouseActivateMessage(WPARAM wParam, LPARAM lParam) {
    m_hasFocus = true;
    bool focused = false;
    if (m_root) {
        const POINT pt = ScreenToClientPoint(static_cast<LPARAM>(GetMessagePos()));
        CUIControl* hit = nullptr;
        if (m_root->HitTest(pt.x, pt.y, hit) == kHitClient && hit) focused = hit->SetFocus(kFocusByMouse);
    }
    if (!focused) RestoreSavedFocus();
    m_savedFocus = nullptr;
    return DefaultProc(WM_MOUSEACTIVATE, wParam, lParam);
}

LRESULT CDuiWindow::OnSetFocusMessage(WPARAM wParam, LPARAM lParam) {
    m_hasFocus = true;
    RestoreSavedFocus();
    return DefaultProc(WM_SETFOCUS, wParam, lParam);
}

void CDuiWindow::RestoreSavedFocus() {
    CUIControl* saved = m_savedFocus;
    m_savedFocus = nullptr;
    // A control disabled or hidden while the window was inactive lost no
    // focus then (the window held none); it must not get the keys now.
    if (saved && saved->IsEffectivelyEnabled() && saved->IsEffectivelyVisible()) saved->SetFocus(m_savedFocusReason);
}

LRESULT CDuiWindow::OnKillFocusMessage(WPARAM wParam, LPARAM lParam) {
    m_hasFocus = false;
    if (m_root) {
        CUIControl* focused = m_root->GetFocusedControl();
        m_savedFocus = focused;
        m_savedFocusReason = focused == m_root || !focused->GetParent() ? kFocusByProgram
                                                                         : focused->GetParent()->GetFocusReason();
        m_root->SetFocusedChild(nullptr, kFocusByProgram);
    }
    return DefaultProc(WM_KILLFOCUS, wParam, lParam);
}

}  // namespace wendaldui
