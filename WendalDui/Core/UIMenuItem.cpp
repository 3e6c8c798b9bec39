#include "WendalDui/Core/UIMenuItem.h"

#include <gdiplus.h>

#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ImageProcessing.h"
#include "WendalDui/Core/Menu.h"
#include "WendalDui/Core/UIMenu.h"

namespace wendaldui {
namespace internal {

namespace {

// Palette entries: backgrounds and text colours by state (rest 0, hot 1,
// disabled 3), the separator line.
constexpr int kBackgroundEntry = 108;
constexpr int kTextEntry = 104;
constexpr int kSeparatorEntry = 114;
constexpr int kDisabledState = 3;
constexpr int kHotState = 1;
// Vertically centred, left aligned, ellipsis, no wrap, hotkey prefix shown.
constexpr int kTextFormat = 4;
// Logical pixels: the text starts after a space for a mark and ends before
// a space on the right.
constexpr int kTextLeft = 24;
constexpr int kTextRightSpace = 20;

}  // namespace

void CUIMenuItem::OnCreate(void* arg) { m_item = static_cast<const MenuItem*>(arg); }

void CUIMenuItem::SetHot(bool hot) {
    if (hot == m_hot) return;
    m_hot = hot;
    Invalidate();
}

void CUIMenuItem::OnMouseEnter() {
    CUIMenu* menu = static_cast<CUIMenu*>(m_parent);
    if (menu && m_item) menu->SetHotItem(m_item->IsSelectable() ? m_id : -1);
}

void CUIMenuItem::OnLButtonUp(WPARAM, int x, int y) {
    // The release may come outside: the press captured this item.
    if (x < 0 || y < 0 || x >= m_rect.width || y >= m_rect.height) return;
    CUIMenu* menu = static_cast<CUIMenu*>(m_parent);
    if (menu && m_item && m_item->IsSelectable()) menu->ChooseItem(m_id);
}

void CUIMenuItem::OnPaint(PaintContext& context) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (!skin || !m_item) return;
    const UIRect& r = context.rect;
    const int textLeft = static_cast<int>(kTextLeft * g_dpiFactor);
    if (m_item->flags & kMenuItemSeparator) {
        Gdiplus::SolidBrush background{Gdiplus::Color(skin->GetColor(kBackgroundEntry))};
        context.graphics->FillRectangle(&background, r.x, r.y, r.width, r.height);
        Gdiplus::Pen line(Gdiplus::Color(skin->GetColor(kSeparatorEntry)), 1.0f * g_dpiFactor);
        const int middle = r.y + r.height / 2;
        context.graphics->DrawLine(&line, r.x + textLeft, middle, r.x + r.width, middle);
        return;
    }
    const int state = (m_item->flags & kMenuItemDisabled) ? kDisabledState : m_hot ? kHotState : 0;
    Gdiplus::SolidBrush background{Gdiplus::Color(skin->GetColor(kBackgroundEntry + state))};
    context.graphics->FillRectangle(&background, r.x, r.y, r.width, r.height);
    const float textWidth = static_cast<float>(r.width) - kTextRightSpace * g_dpiFactor - kTextLeft * g_dpiFactor;
    const Gdiplus::RectF box(static_cast<float>(r.x + textLeft), static_cast<float>(r.y), textWidth,
                             static_cast<float>(r.height));
    DrawTextInRect(context.graphics, m_item->text.GetString(), static_cast<int>(m_item->text.GetLength()),
                   skin->GetFont(1), box, skin->GetColor(kTextEntry + state), skin->GetStringFormat(kTextFormat));
}

}  // namespace internal
}  // namespace wendaldui
