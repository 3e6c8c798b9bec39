// Base of every window object: binds a window handle to the object and routes
// its messages through static message maps, derived class first.
#pragma once

#include <windows.h>

#include "WendalDui/Core/WindowMessageMap.h"
#include "core/WString.h"
#include "core/noncopyable.h"

namespace wendaldui {

class CWindowBase : private wendal_::noncopyable {
public:
    CWindowBase();
    virtual ~CWindowBase();

    virtual const MessageMap* GetMessageMap() const;
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // After WM_NCDESTROY; self-owned windows delete themselves here.
    virtual void OnFinalMessage() {}

    static const MessageMap* GetThisMessageMap();

    HWND GetHWND() const { return m_hWnd; }
    // Called by the shared window procedure on WM_NCCREATE.
    void Attach(HWND hwnd) { m_hWnd = hwnd; }

    // Looks the message up in the map chain; false when no entry takes it.
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Centres on the other window, or on the desktop when null.
    bool CenterWindow(HWND other);
    int GetWindowText(WString& text) const;

    int GetModalResult() const { return m_modalResult; }
    void SetModalResult(int result) { m_modalResult = result; }

protected:
    // The previous procedure of a subclassed foreign window, else DefWindowProcW.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT OnNcDestroy(WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = NULL;
    WNDPROC m_previousProc = nullptr;

private:
    const MessageMapEntry* FindEntry(UINT message, WPARAM wParam);

    static constexpr int kCacheSlots = 19;
    struct CacheSlot {
        UINT message;
        const MessageMapEntry* entry;
    };
    CacheSlot m_cache[kCacheSlots];
    int m_modalResult = -1;
};

}  // namespace wendaldui
