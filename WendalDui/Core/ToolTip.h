// The tooltip window of one DirectUI window: a common-controls tooltip whose
// tools are windowless controls, identified by their address.
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
};

}  // namespace wendaldui
