// The tooltip window of one DirectUI window: a common-controls tooltip whose
// tools are windowless controls, identified by their address. Every call
// passes the full tool record, which common controls 6 (named by the
// program's manifest) takes; version 5 would refuse some calls and keep a
// removed control registered.
//
// The tooltip is a top-level window of its own, which costs milliseconds to
// make: its window waits until the owner's first frame is on the screen
// (Open), and a window without tools (a drop-down list, say) never makes
// one. Tools registered before are kept and handed over then: until then
// the owner's window may not exist yet either.
#pragma once

#include <windows.h>

#include <vector>

#include "WendalDui/Core/WindowBase.h"
#include "WendalDui/Utils/UIRect.h"
#include "core/WString.h"

namespace wendaldui {

class CDuiWindow;
class CUIControl;

class CToolTip : public CWindowBase {
public:
    // From now on tools go to a tooltip window, made now for the tools kept
    // so far (for the owner's window, made by now) or with the first tool
    // added later.
    void Open(HWND owner);
    bool AddTool(HWND owner, CUIControl* control, const UIRect& rect, const wchar_t* text);
    void UpdateToolRect(HWND owner, CUIControl* control, const UIRect& rect);
    void UpdateToolText(HWND owner, CUIControl* control, const wchar_t* text);
    void RemoveTool(HWND owner, CUIControl* control);
    int GetToolCount() const;
    // The owner's window is going, and its controls: no tool is left, and
    // a window made again keeps its tools until its own first frame.
    void Close();

private:
    struct KeptTool {
        CUIControl* control;
        UIRect rect;
        WString text;
    };

    bool Create();
    bool SendAddTool(HWND owner, CUIControl* control, const UIRect& rect, const wchar_t* text);
    KeptTool* FindKept(CUIControl* control);

    bool m_open = false;
    std::vector<KeptTool> m_kept;
};

}  // namespace wendaldui
