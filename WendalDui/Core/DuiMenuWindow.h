// The pop-up of a CMenu: a layered, shadowed, topmost window that never takes
// activation and fades in. It watches its owner window through a message
// filter, so the owner keeps the focus while its keys drive the menu and a
// click in it closes the menu. It deletes itself once its window is gone.
#pragma once

#include "WendalDui/Core/DuiLayeredShadowedWindow.h"
#include "WendalDui/Core/MessageFilter.h"
#include "WendalDui/Utils/Tween.h"

namespace wendaldui {

class CMenu;

namespace internal {

class CDuiMenuWindow : public CDuiLayeredShadowedWindow, public IMessageFilter {
public:
    CDuiMenuWindow();
    ~CDuiMenuWindow() override;

    // (x, y): the requested top-left corner in screen coordinates. The
    // window registers with the menu as its open pop-up; false when the
    // menu already has one or the window cannot be made.
    bool Create(CDuiWindow* owner, CMenu* menu, int x, int y);
    // Shows it without activation, fading in over ten 6 ms frames.
    void Show();

    // Null once the menu let go of it (the menu is being destroyed).
    CMenu* GetMenu() const { return m_menu; }
    void DetachMenu() { m_menu = nullptr; }
    CDuiWindow* GetOwner() const { return m_owner; }
    int GetRequestedX() const { return m_x; }
    int GetRequestedY() const { return m_y; }

    LRESULT MessageFilter(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void OnFinalMessage() override;

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnMenuCreate(WPARAM wParam, LPARAM lParam);
    LRESULT OnMenuTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnMenuMouseActivate(WPARAM wParam, LPARAM lParam);

private:
    CMenu* m_menu = nullptr;
    CDuiWindow* m_owner = nullptr;
    int m_x = 0;
    int m_y = 0;
    CTween<int> m_fade;
};

}  // namespace internal
}  // namespace wendaldui
