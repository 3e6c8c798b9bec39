#include "WendalDui/Control/UIListBoxViewBase.h"

#include <gdiplus.h>

#include <algorithm>

#include "WendalDui/Control/UIButtonBase.h"
#include "WendalDui/Control/UIScrollContainer2.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"

namespace wendaldui {

namespace {

constexpr uint32_t kViewStyles = kListBoxNoSelectionDrawn | kListBoxHoverSelects;
constexpr int kPageItems = 3;

// After removing [first, first + count): an index inside is gone, one after it moves down.
int IndexAfterRemove(int index, int first, int count) {
    if (index < first) return index;
    return index < first + count ? -1 : index - count;
}

}  // namespace

CUIListBoxViewBase::CUIListBoxViewBase() : m_itemHeight(static_cast<int>(24 * g_dpiFactor)) {}

CUIListBoxViewBase::~CUIListBoxViewBase() {
    for (LBItemBase* item : m_items) delete item;
}

void CUIListBoxViewBase::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIControl::OnFlagChange(newFlags, bit, value, accepted);
    if (bit & kViewStyles) {
        accepted = true;
        Invalidate();
    }
}

void CUIListBoxViewBase::OnCreate(void*) {
    m_owner = dynamic_cast<CUIScrollContainer2*>(m_parent);
    if (!m_owner) return;
    m_owner->SetLineStep(m_itemHeight);
    m_owner->SetLineCounts(1, kPageItems, 3);
    m_owner->SetHorizontalSteps(0, 0, 0);
}

void CUIListBoxViewBase::OnDestroy() {
    for (LBItemBase* item : m_items) delete item;
    m_items.clear();
}

void CUIListBoxViewBase::OnSkinChanged(uint32_t bits) {
    if (bits & kSkinChangedFont) m_cachedWidth = -1;
}

int CUIListBoxViewBase::ScrollY() const { return m_owner ? m_owner->GetScrollY() : 0; }

void CUIListBoxViewBase::FireListEvent(int id, int index) {
    if (m_parent) m_parent->FireEvent(id, static_cast<uint32_t>(index));
}

CUIListBoxViewBase::LBItemBase* CUIListBoxViewBase::GetItem(int index) const {
    return index >= 0 && index < GetItemCount() ? m_items[index] : nullptr;
}

void CUIListBoxViewBase::ItemsChanged() {
    m_cachedWidth = -1;
    if (m_owner) {
        m_owner->SetContentHeight(GetItemCount() * m_itemHeight);
        m_owner->UpdateScrollBars();
    }
    Invalidate();
}

int CUIListBoxViewBase::InsertItems(int, LBItemBase** items, int count) {
    if (count < 0) return -1;
    const int first = GetItemCount();
    m_items.insert(m_items.end(), items, items + count);
    ItemsChanged();
    return first;
}

int CUIListBoxViewBase::RemoveItems(int index, int count) {
    if (index == -1) index = GetItemCount() - 1;
    if (index < 0 || count <= 0 || count > GetItemCount() - index) return 0;
    for (int i = index; i < index + count; ++i) delete m_items[i];
    m_items.erase(m_items.begin() + index, m_items.begin() + index + count);
    for (int* item : {&m_selected, &m_hot, &m_pressed, &m_mouseItem}) *item = IndexAfterRemove(*item, index, count);
    ItemsChanged();
    return count;
}

bool CUIListBoxViewBase::GetItemRect(int index, UIRect& out) const {
    out = UIRect(0, index * m_itemHeight - ScrollY(), m_rect.width, m_itemHeight);
    return index >= 0 && index < GetItemCount();
}

int CUIListBoxViewBase::ItemFromPoint(POINT pt) const {
    // Integer division rounds toward zero: a point just above the first row
    // would otherwise land on item 0.
    const int y = pt.y + ScrollY();
    if (y < 0 || m_itemHeight < 1) return -1;
    const int index = y / m_itemHeight;
    return index < GetItemCount() ? index : -1;
}

void CUIListBoxViewBase::InvalidateItem(int index) {
    UIRect rect;
    if (GetItemRect(index, rect)) InvalidateRect(rect);
}

bool CUIListBoxViewBase::MoveMark(int& mark, int index) {
    if (index == mark) return false;
    InvalidateItem(mark);
    mark = index;
    InvalidateItem(index);
    return true;
}

bool CUIListBoxViewBase::SetCurSel(int index) { return MoveMark(m_selected, index); }

bool CUIListBoxViewBase::SetHotItem(int index) { return MoveMark(m_hot, index); }

bool CUIListBoxViewBase::EnsureVisible(int index, bool animate) {
    UIRect rect;
    if (!GetItemRect(index, rect)) return false;
    if (UIRect(0, 0, m_rect.width, m_rect.height).Contains(rect) || !m_owner) return true;
    if (rect.y < 0) {
        m_owner->ScrollToY(index * m_itemHeight, animate);
    } else {
        m_owner->ScrollToY((index + 1) * m_itemHeight - m_rect.height, animate);
    }
    return true;
}

void CUIListBoxViewBase::MoveSelection(int delta, bool animate) {
    const int count = GetItemCount();
    if (count == 0) return;
    int target = m_selected >= 0 ? m_selected + delta : (delta < 1 ? count - 1 : 0);
    target = std::max(0, std::min(target, count - 1));
    if (target == m_selected) return;
    SetCurSel(target);
    if (m_flags & kListBoxHoverSelects) SetHotItem(target);
    CUIControlWatch watch(this);
    FireListEvent(kEventSelectionChanged, target);
    if (watch.Alive()) EnsureVisible(target, animate);
}

void CUIListBoxViewBase::OnItemMouseEnter(int index) {
    if (!(m_flags & kListBoxHoverSelects)) return;
    SetHotItem(index);
    EnsureVisible(index, true);
}

void CUIListBoxViewBase::OnItemClick(int index, WPARAM, int, int) {
    const bool changed = SetCurSel(index);
    // A handler may destroy the list, or the combo box or window it is in.
    CUIControlWatch watch(this);
    FireListEvent(kEventClick, index);
    if (changed && watch.Alive()) FireListEvent(kEventSelectionChanged, index);
    if (watch.Alive()) EnsureVisible(index, true);
}

void CUIListBoxViewBase::OnLButtonDown(WPARAM keys, int x, int y) {
    m_pressed = ItemFromPoint(POINT{x, y});
    if (m_pressed >= 0) OnItemClick(m_pressed, keys, x, y - (m_pressed * m_itemHeight - ScrollY()));
}

void CUIListBoxViewBase::OnLButtonUp(WPARAM keys, int x, int y) {
    const int pressed = m_pressed;
    m_pressed = -1;
    if (pressed >= 0) OnItemLButtonUp(pressed, keys, x, y - (pressed * m_itemHeight - ScrollY()));
}

void CUIListBoxViewBase::OnMouseMove(WPARAM keys, int x, int y) {
    int index = m_pressed;
    if (index < 0) {
        index = ItemFromPoint(POINT{x, y});
        if (index != m_mouseItem) {
            const int old = m_mouseItem;
            m_mouseItem = index;
            if (old >= 0) OnItemMouseLeave(old);
            if (index >= 0) OnItemMouseEnter(index);
        }
        if (index < 0) return;
    }
    OnItemMouseMove(index, keys, x, y - (index * m_itemHeight - ScrollY()));
}

void CUIListBoxViewBase::OnMouseLeave() {
    const int old = m_mouseItem;
    m_mouseItem = -1;
    if (old >= 0) OnItemMouseLeave(old);
}

void CUIListBoxViewBase::OnKeyDown(WPARAM vk, UINT, LPARAM) {
    switch (vk) {
    case VK_PRIOR: MoveSelection(-kPageItems, true); break;
    case VK_NEXT: MoveSelection(kPageItems, true); break;
    case VK_UP: MoveSelection(-1, true); break;
    case VK_DOWN: MoveSelection(1, true); break;
    default: break;
    }
}

int CUIListBoxViewBase::CalcMaxItemWidth() {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    Gdiplus::Graphics* graphics = skin ? skin->GetMeasureGraphics() : nullptr;
    int widest = 0;
    for (LBItemBase* item : m_items) widest = std::max(widest, MeasureItem(graphics, item));
    return widest;
}

int CUIListBoxViewBase::GetMaxItemWidth() {
    if (m_cachedWidth < 0) m_cachedWidth = CalcMaxItemWidth();
    return m_cachedWidth;
}

void CUIListBoxViewBase::OnPaint(PaintContext& context) {
    const bool enabled = IsEffectivelyEnabled();
    const UIRect& dirty = context.dirty;
    Gdiplus::SolidBrush background{Gdiplus::Color(internal::PaletteColor(enabled ? 8 : 11))};
    context.graphics->FillRectangle(&background, dirty.x, dirty.y, dirty.width, dirty.height);
    const int h = m_itemHeight, s = ScrollY(), count = GetItemCount();
    if (h < 1) return;
    // Only the items that meet the dirty rect: the cost is one screen at any item count.
    const int first = std::min(std::max((dirty.y - context.rect.y + s) / h, 0), count);
    const int last = std::min(std::max((s - 1 + dirty.y - context.rect.y + dirty.height) / h + 1, 0), count);
    for (int i = first; i < last; ++i) {
        uint32_t state = enabled ? 0u : static_cast<uint32_t>(kItemDisabled);
        if (i == m_hot) state |= (m_flags & kListBoxHoverSelects) ? kItemSelected : kItemHot;
        if (i == m_selected && !(m_flags & kListBoxNoSelectionDrawn)) state |= kItemSelected;
        DrawItem(DrawItemInfo{UIRect(context.rect.x, context.rect.y + i * h - s, context.rect.width, h),
                              context.graphics, m_items[i], i, state});
    }
}

}  // namespace wendaldui
