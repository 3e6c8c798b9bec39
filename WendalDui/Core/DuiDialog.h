// The framed top-level window of every dialog and of the main window: a
// borderless popup whose root holds a drawn title bar and a client area,
// resizable from a thin border, with a soft drop shadow made of four layered
// side windows (or, when the skin asks for it, the system's frame).
#pragma once

#include <windows.h>

#include "WendalDui/Core/DuiWindow.h"

namespace wendaldui {

class CUITitleBar;
struct EventData;

namespace internal {
class CShadowWindow;
}

// Whether desktop composition is on; tests replace it, since Wine always
// reports it off.
typedef bool (*CompositionQuery)();
CompositionQuery SetCompositionQuery(CompositionQuery query);

class CDuiDialog : public CDuiWindow {
public:
    // The dialog's client container (null for a plain one); owned from here on.
    explicit CDuiDialog(CUIContainer* client = nullptr);
    ~CDuiDialog() override;

    CUITitleBar* GetTitleBar() const;
    CUIContainer* GetClientContainer() const;

    // Every dialog calls this first from its own OnCreate.
    void OnCreate() override;

    // The resizing border code (HTLEFT ... HTBOTTOMRIGHT) of a screen point
    // in the window rect, or 0 when it is inside; corners win over edges.
    static int BorderHitTest(const RECT& window, POINT pt, int border);

    // The maximised size and position for a monitor and its work area: the
    // work area less its last row, placed relative to the monitor so that a
    // taskbar at the left or top stays uncovered.
    static void PlaceMaximized(const RECT& monitor, const RECT& work, MINMAXINFO& info);

    // Makes the shadow of a dialog whose first frame has not yet brought it,
    // before a window it will own is made: strips made later lie over that
    // window (under Wine they are stacked by when they were made). Anything
    // but such a dialog of this thread is left alone.
    static void MakePendingShadows(HWND dialog);

    internal::CShadowWindow* GetShadowWindow(int side) const { return side >= 0 && side < 4 ? m_shadows[side] : nullptr; }
    bool IsResizable() const { return m_resizable; }

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnDialogCreate(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcHitTest(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcCalcSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcActivate(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetText(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam);
    LRESULT OnDialogSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnDialogMove(WPARAM wParam, LPARAM lParam);
    LRESULT OnDialogShowWindow(WPARAM wParam, LPARAM lParam);
    LRESULT OnDialogDestroy(WPARAM wParam, LPARAM lParam);
    LRESULT OnDialogPaint(WPARAM wParam, LPARAM lParam);

    void OnTitleBarButton(EventData& event);

private:
    // The four shadow windows, placed and shown when the dialog is.
    void MakeShadows();
    static void CALLBACK MakeShadowsLater(HWND hwnd, UINT, UINT_PTR timer, DWORD);
    void SyncShadows();
    void DestroyShadows();

    // Shadows are made after the dialog's first frame: four more windows
    // would hold its first picture back.
    bool m_shadowsWanted = false;

    internal::CShadowWindow* m_shadows[4] = {};  // top, right, bottom, left
    int m_maxTrackWidth = -1;
    int m_maxTrackHeight = -1;
    int m_minTrackWidth = -1;
    int m_minTrackHeight = -1;
    bool m_resizable = true;
};

}  // namespace wendaldui
