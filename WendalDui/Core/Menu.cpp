#include "WendalDui/Core/Menu.h"

#include <cwchar>

#include "WendalDui/Control/UIControl.h"
#include "WendalDui/Core/DuiMenuWindow.h"
#include "WendalDui/Core/DuiWindow.h"

namespace wendaldui {

CMenu::~CMenu() { ClosePopup(); }

bool CMenu::InsertItem(int, const wchar_t* text, int commandId, uint32_t flags) {
    std::unique_ptr<MenuItem> item(new MenuItem);
    item->commandId = commandId;
    item->flags = flags;
    if (text) {
        item->text = text;
        // "撤销(&U)": the text keeps the four characters; the paint's hotkey
        // prefix underlines the letter and hides the ampersand.
        const size_t length = wcslen(text);
        if (length >= 4 && text[length - 4] == L'(' && text[length - 3] == L'&' && text[length - 1] == L')') {
            item->mnemonic = text[length - 2];
        }
    }
    m_items.push_back(std::move(item));
    return true;
}

void CMenu::EnableItem(int commandId, bool enable) {
    for (const auto& item : m_items) {
        if (item->commandId != commandId) continue;
        item->flags = enable ? (item->flags & ~kMenuItemDisabled) : (item->flags | kMenuItemDisabled);
    }
}

void CMenu::SetTargetWindow(HWND window) {
    m_targetWindow = window;
    m_targetControl = nullptr;
    m_delivery = kMenuDeliveryWindow;
}

void CMenu::SetTargetControl(CUIControl* control) {
    m_targetControl = control;
    m_targetWindow = NULL;
    m_delivery = kMenuDeliveryControl;
}

void CMenu::SendCommand(int commandId) {
    const WPARAM self = reinterpret_cast<WPARAM>(this);
    if (m_delivery == kMenuDeliveryWindow && m_targetWindow) {
        PostMessageW(m_targetWindow, WM_DUI_MENU_COMMAND, self, static_cast<LPARAM>(commandId));
    } else if (m_delivery == kMenuDeliveryControl && m_targetControl && m_targetControl->GetWindow()) {
        m_targetControl->GetWindow()->PostControlCall(m_targetControl, kMenuCommandCall, self,
                                                      static_cast<LPARAM>(commandId));
    }
}

bool CMenu::Popup(CDuiWindow* owner, int x, int y) {
    if (m_window || !owner) return false;
    internal::CDuiMenuWindow* window = new internal::CDuiMenuWindow;
    if (!window->Create(owner, this, x, y)) {
        // A window that got as far as WM_NCDESTROY deleted itself and cleared
        // the field; one that never got a message is still ours.
        if (m_window == window) {
            m_window = nullptr;
            delete window;
        }
        return false;
    }
    window->Show();
    return true;
}

void CMenu::ClosePopup() {
    internal::CDuiMenuWindow* window = m_window;
    if (!window) return;
    m_window = nullptr;
    window->DetachMenu();
    // Synchronous: the item controls go before any record can.
    if (window->GetHWND()) DestroyWindow(window->GetHWND());
}

}  // namespace wendaldui
