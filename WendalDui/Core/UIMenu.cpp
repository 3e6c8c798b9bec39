#include "WendalDui/Core/UIMenu.h"

#include <gdiplus.h>

#include <algorithm>

#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiMenuWindow.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/Menu.h"
#include "WendalDui/Core/UIMenuItem.h"

namespace wendaldui {
namespace internal {

namespace {

constexpr uint32_t kItemFlags = kControlVisible | kControlRectInPixels;
// Logical pixels.
constexpr int kTextPadding = 45;
constexpr int kMinWidth = 120;
constexpr int kMargin = 2;
constexpr int kItemHeight = 24;
constexpr int kSeparatorHeight = 5;

int TextWidth(CDuiSkinManager& skin, const WString& text) {
    Gdiplus::Graphics* graphics = skin.GetMeasureGraphics();
    const Gdiplus::Font* font = skin.GetFont(1);
    if (!graphics || !font || text.GetLength() == 0) return 0;
    Gdiplus::RectF box;
    graphics->MeasureString(text.GetString(), static_cast<INT>(text.GetLength()), font, Gdiplus::PointF(0, 0), &box);
    return static_cast<int>(box.Width);
}

}  // namespace

CDuiMenuWindow* CUIMenu::MenuWindow() const { return static_cast<CDuiMenuWindow*>(m_window); }

CMenu* CUIMenu::Menu() const { return m_window ? MenuWindow()->GetMenu() : nullptr; }

void CUIMenu::OnCreate(void*) {
    CDuiMenuWindow* window = MenuWindow();
    CMenu* menu = Menu();
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (!menu || !skin) return;
    RECT desktop;
    ::GetWindowRect(GetDesktopWindow(), &desktop);

    int width = -1;
    for (size_t i = 0; i < menu->GetItemCount(); ++i) {
        width = std::max(width, TextWidth(*skin, menu->GetItem(i).text) + DpiScale(kTextPadding));
    }
    width = std::max(std::min(width, static_cast<int>(desktop.right - desktop.left) / 3), DpiScale(kMinWidth));

    const int margin = DpiScale(kMargin);
    int y = margin;
    for (size_t i = 0; i < menu->GetItemCount(); ++i) {
        const MenuItem& item = menu->GetItem(i);
        const int height = DpiScale((item.flags & kMenuItemSeparator) ? kSeparatorHeight : kItemHeight);
        CUIMenuItem* control = new CUIMenuItem;
        if (!control->Create(this, kItemFlags, UIRect(margin, y, width, height), static_cast<int>(i),
                             const_cast<MenuItem*>(&item))) {
            delete control;
            continue;
        }
        y += height;
    }
    const int menuWidth = width + 2 * margin;
    const int menuHeight = y + margin;

    const POINT at = PlaceMenu(window->GetRequestedX(), window->GetRequestedY(), menuWidth, menuHeight, desktop);
    // The window takes in the shadow around the menu.
    const int shadow = window->ShadowMargin();
    SetWindowPos(window->GetHWND(), HWND_TOPMOST, at.x - shadow, at.y - shadow, menuWidth + 2 * shadow,
                 menuHeight + 2 * shadow, SWP_NOACTIVATE);

    // The pop-up never gets the real focus (its owner keeps it); it only
    // believes it has it, so that the keys the owner passes on reach the menu.
    SendMessageW(window->GetHWND(), WM_SETFOCUS, 0, 0);
    SetFocus(kFocusByProgram);
}

void CUIMenu::SetHotItem(int index) {
    if (index == m_hot) return;
    if (CUIMenuItem* old = static_cast<CUIMenuItem*>(GetChild(m_hot))) old->SetHot(false);
    m_hot = index;
    if (CUIMenuItem* hot = static_cast<CUIMenuItem*>(GetChild(m_hot))) hot->SetHot(true);
}

void CUIMenu::ChooseItem(int index) {
    CMenu* menu = Menu();
    if (!menu || index < 0 || static_cast<size_t>(index) >= menu->GetItemCount()) return;
    menu->SendCommand(menu->GetItem(static_cast<size_t>(index)).commandId);
    PostMessageW(MenuWindow()->GetHWND(), WM_CLOSE, 0, 0);
}

void CUIMenu::OnKeyDown(WPARAM vk, UINT, LPARAM) {
    CMenu* menu = Menu();
    if (!menu) return;
    switch (vk) {
        case VK_DOWN:
        case VK_UP:
            SetHotItem(NextSelectable(*menu, m_hot, vk == VK_UP));
            break;
        case VK_RETURN:
            if (m_hot >= 0) ChooseItem(m_hot);
            break;
        case VK_ESCAPE:
            PostMessageW(MenuWindow()->GetHWND(), WM_CLOSE, 0, 0);
            break;
        default:
        {
            const int found = FindMnemonic(*menu, vk);
            if (found >= 0) ChooseItem(found);
            break;
        }
    }
}

int CUIMenu::NextSelectable(const CMenu& menu, int hot, bool backward) {
    const int count = static_cast<int>(menu.GetItemCount());
    for (int step = 1; step <= count; ++step) {
        int index;
        if (hot < 0) {
            index = backward ? count - step : step - 1;
        } else {
            index = ((backward ? hot - step : hot + step) % count + count) % count;
        }
        if (menu.GetItem(static_cast<size_t>(index)).IsSelectable()) return index;
    }
    return hot;
}

int CUIMenu::FindMnemonic(const CMenu& menu, WPARAM vk) {
    if (vk < 'A' || vk > 'Z') return -1;
    for (size_t i = 0; i < menu.GetItemCount(); ++i) {
        const MenuItem& item = menu.GetItem(i);
        if (item.IsSelectable() && item.mnemonic == static_cast<wchar_t>(vk)) return static_cast<int>(i);
    }
    return -1;
}

POINT CUIMenu::PlaceMenu(int x, int y, int width, int height, const RECT& desktop) {
    if (x + width > desktop.right) x = desktop.right - width;
    if (y + height > desktop.bottom) y -= height;
    return {x, y};
}

}  // namespace internal
}  // namespace wendaldui
