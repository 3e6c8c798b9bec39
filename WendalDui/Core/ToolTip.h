// The tooltip window of one DirectUI window: a common-controls tooltip whose
// tools are windowless controls, identified by their address. Every call
// passes the full tool record, which common controls 6 (named by the
// program's manifest) takes; version 5 would refuse some calls and keep a
// removed control registered.
#pragma once

#include <windows.h>

#include "WendalDui/Core/WindowBase.h"
#include "WendalDui/Utils/UIRect.h"

namespace wendaldui {

class CDuiWindow;
class CUIControl;

class CToolTip : public CWindowBase {
public:
    bool Create(CDuiWindow* owner);
    bool AddTool(HWND owner, CUIControl* control, const UIRect& rect, const wchar_t* text);
    void UpdateToolRect(HWND owner, CUIControl* control, const UIRect& rect);
    void UpdateToolText(HWND owner, CUIControl* control, const wchar_t* text);
    void RemoveTool(HWND owner, CUIControl* control);
    int GetToolCount() const;
};

}  // namespace wendaldui
