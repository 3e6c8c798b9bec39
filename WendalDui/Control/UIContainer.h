// A control that holds the focus path of its children. The window core needs
// it as the root of every window; children, routing and paint of the tree
// come with the control library.
#pragma once

#include "WendalDui/Control/UIControl.h"

namespace wendaldui {

class CUIContainer : public CUIControl {
public:
    CUIControl* GetFocusedControl() override;
    int HitTest(int x, int y, CUIControl*& out) override;

    // Gives the focus to child (null clears it); the old child is told first.
    void SetFocusedChild(CUIControl* child, int reason);
    CUIControl* GetFocusedChild() const { return m_focused; }
    int GetFocusReason() const { return m_focusReason; }

    // Whether the focus path reaches this container.
    bool HoldsFocus() const;

private:
    CUIControl* m_focused = nullptr;
    int m_focusReason = kFocusByProgram;
};

}  // namespace wendaldui
