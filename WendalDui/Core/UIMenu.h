// The content of a menu pop-up: one item control per menu item (id = the
// item's index), the hot item, and the keys the owner window passes on.
#pragma once

#include <windows.h>

#include "WendalDui/Control/UIContainer.h"

namespace wendaldui {

class CMenu;

namespace internal {

class CDuiMenuWindow;

class CUIMenu : public CUIContainer {
public:
    // Lays the items out, places and sizes the pop-up and takes the focus.
    void OnCreate(void* arg) override;
    void OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) override;

    int GetHotItem() const { return m_hot; }
    // -1 clears it; the old and the new item repaint.
    void SetHotItem(int index);
    // Sends the item's command and closes the pop-up.
    void ChooseItem(int index);

    // The selectable item Down (or Up) moves to from the hot one, wrapping
    // round; the hot one unchanged when no other is selectable.
    static int NextSelectable(const CMenu& menu, int hot, bool backward);
    // The first selectable item whose mnemonic is the key ('A' to 'Z'), or -1.
    static int FindMnemonic(const CMenu& menu, WPARAM vk);
    // The top-left corner for a menu of that size requested at (x, y): moved
    // left to stay on the desktop, and above the point when it would pass the bottom.
    static POINT PlaceMenu(int x, int y, int width, int height, const RECT& desktop);

private:
    CDuiMenuWindow* MenuWindow() const;
    CMenu* Menu() const;

    int m_hot = -1;
};

}  // namespace internal
}  // namespace wendaldui
