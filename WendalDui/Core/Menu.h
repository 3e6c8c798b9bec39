// A pop-up menu: its items (text with an optional "(&X)" mnemonic, command
// id, flags) and where the chosen command goes. The pop-up that shows it is
// internal::CDuiMenuWindow; one is open per menu at most.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/WString.h"
#include "core/noncopyable.h"

namespace wendaldui {

class CDuiWindow;
class CUIControl;

namespace internal {
class CDuiMenuWindow;
}

// Posted to a menu's target window: wParam = the CMenu, lParam = the command id.
constexpr UINT WM_DUI_MENU_COMMAND = WM_APP + 3;
// The code of the posted call a target control gets: argument 1 = the CMenu,
// argument 2 = the command id.
constexpr UINT kMenuCommandCall = 1;

enum MenuItemFlags : uint32_t {
    kMenuItemDisabled = 0x2,
    kMenuItemSeparator = 0x4,
};

enum MenuDelivery : uint32_t {
    kMenuDeliveryNone = 0,
    kMenuDeliveryWindow = 1,   // WM_DUI_MENU_COMMAND posted to the target window
    kMenuDeliveryControl = 2,  // a posted call to the target control
};

constexpr wchar_t kNoMnemonic = 0xFFFF;

struct MenuItem {
    WString text;  // empty for a separator
    int commandId = -1;
    uint32_t flags = 0;
    wchar_t mnemonic = kNoMnemonic;  // as written, so a lower-case one never matches a key

    bool IsSelectable() const { return !(flags & (kMenuItemDisabled | kMenuItemSeparator)); }
};

class CMenu : private wendal_::noncopyable {
public:
    CMenu() = default;
    // Closes an open pop-up first: its items point into the records freed here.
    virtual ~CMenu();

    // Appends whatever the position; a separator is (null, -1, kMenuItemSeparator).
    bool InsertItem(int position, const wchar_t* text, int commandId, uint32_t flags);
    size_t GetItemCount() const { return m_items.size(); }
    const MenuItem& GetItem(size_t index) const { return *m_items[index]; }
    // Sets or clears the disabled flag of every item with that command id.
    void EnableItem(int commandId, bool enable);

    void SetTargetWindow(HWND window);
    void SetTargetControl(CUIControl* control);
    // Posts the command the way the delivery says; nothing without a target.
    void SendCommand(int commandId);

    // Opens the pop-up at a screen point over the owner; false when one is
    // already open or the window cannot be made.
    bool Popup(CDuiWindow* owner, int x, int y);
    // The open pop-up, or null.
    internal::CDuiMenuWindow* GetMenuWindow() const { return m_window; }
    // Destroys the open pop-up at once.
    void ClosePopup();

private:
    friend class internal::CDuiMenuWindow;  // registers itself and clears the field when it goes

    // Owned records at fixed addresses: the pop-up's item controls keep them.
    std::vector<std::unique_ptr<MenuItem>> m_items;
    HWND m_targetWindow = NULL;
    CUIControl* m_targetControl = nullptr;
    uint32_t m_delivery = kMenuDeliveryNone;
    internal::CDuiMenuWindow* m_window = nullptr;
};

}  // namespace wendaldui
