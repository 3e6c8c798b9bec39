// The items area of a list box: a column of items of one fixed height, drawn
// and measured by the subclass through DrawItem and MeasureItem, with the
// selected, hot and pressed items, mouse and keyboard selection and the
// scrolling done by the list box that owns it (its parent).
//
// OnItemClick raises the list box's events and then scrolls the item into
// view: an event handler must not destroy the list box before it returns.
#pragma once

#include <cstdint>
#include <vector>

#include "WendalDui/Control/UIControl.h"

namespace wendaldui {

class CUIScrollContainer2;

// View styles (the list box passes its kListBoxHoverSelects on).
constexpr uint32_t kListBoxNoSelectionDrawn = 0x80000;
constexpr uint32_t kListBoxHoverSelects = 0x100000;  // the item under the mouse is hot and drawn as selected

class CUIListBoxViewBase : public CUIControl {
public:
    struct LBItemBase {
        virtual ~LBItemBase() = default;
    };
    enum ItemState : uint32_t { kItemHot = 0x1, kItemSelected = 0x2, kItemDisabled = 0x4 };
    struct DrawItemInfo {
        UIRect rect;  // window coordinates
        Gdiplus::Graphics* graphics;
        LBItemBase* item;
        int index;
        uint32_t state;  // ItemState bits
    };

    CUIListBoxViewBase();
    ~CUIListBoxViewBase() override;

    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    void OnCreate(void* arg) override;
    void OnDestroy() override;
    void OnSkinChanged(uint32_t bits) override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnMouseLeave() override;
    void OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) override;
    void OnPaint(PaintContext& context) override;

    virtual void DrawItem(const DrawItemInfo& info) = 0;
    // The width the item needs, in pixels.
    virtual int MeasureItem(Gdiplus::Graphics* graphics, LBItemBase* item) = 0;
    // Item hooks; y is relative to the item's top.
    virtual void OnItemMouseEnter(int index);
    virtual void OnItemMouseLeave(int index) {}
    virtual void OnItemMouseMove(int index, WPARAM keys, int x, int y) {}
    virtual void OnItemClick(int index, WPARAM keys, int x, int y);
    virtual void OnItemLButtonUp(int index, WPARAM keys, int x, int y) {}

    // Appends the items (pos is ignored) and takes ownership of them; the
    // first new index, -1 for a negative count.
    int InsertItems(int pos, LBItemBase** items, int count);
    // index -1 means the last item. Returns count, 0 (and nothing removed)
    // when the range does not fit.
    int RemoveItems(int index, int count);
    // View coordinates; false out of range (out is written all the same).
    bool GetItemRect(int index, UIRect& out) const;
    // The item at a point in view coordinates, -1 outside the items.
    int ItemFromPoint(POINT pt) const;
    // Store and repaint the old and the new item; false when unchanged.
    bool SetCurSel(int index);
    bool SetHotItem(int index);
    // Scrolls the least distance that shows the whole item; false out of range.
    bool EnsureVisible(int index, bool animate);
    // Keyboard selection: delta items on from the selection (see the keys).
    void MoveSelection(int delta, bool animate);
    // The widest MeasureItem over all items, 0 without items.
    int CalcMaxItemWidth();
    // The widest item, measured again only after a change.
    int GetMaxItemWidth();
    void ClearCachedWidth() { m_cachedWidth = -1; }

    int GetCurSel() const { return m_selected; }
    int GetHotItem() const { return m_hot; }
    int GetPressedItem() const { return m_pressed; }
    int GetItemCount() const { return static_cast<int>(m_items.size()); }
    int GetItemHeight() const { return m_itemHeight; }
    LBItemBase* GetItem(int index) const;
    // Repaints one item.
    void InvalidateItem(int index);

protected:
    // The list box around the view; null when the parent is no scroll container.
    CUIScrollContainer2* GetOwner() const { return m_owner; }
    int ScrollY() const;
    // The list box fires the list events.
    void FireListEvent(int id, int index);

private:
    // Content height and bars after the item count changed.
    void ItemsChanged();
    // Moves the selected or the hot mark, repainting both items; false when unchanged.
    bool MoveMark(int& mark, int index);

    int m_selected = -1;
    int m_hot = -1;
    int m_pressed = -1;
    int m_mouseItem = -1;
    int m_itemHeight;
    int m_cachedWidth = -1;
    std::vector<LBItemBase*> m_items;
    CUIScrollContainer2* m_owner = nullptr;
};

}  // namespace wendaldui
