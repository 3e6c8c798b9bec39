// A drop-down selector: the chosen item (or, with kComboEditable, a one-line
// rich edit) beside an arrow button, and a list box in a pop-up window that
// opens under the box, or above it where the screen ends. The pop-up never
// takes activation, so while it shows the combo box watches its own window's
// messages: a click elsewhere closes the list, keys and the wheel go on to it.
// Subclasses make the list box and say how its items read as text.
//
// Events: kEventClick (0) the user edited the text (editable only; the list
// selection is cleared), kEventSelectionChanged (1) an item was chosen
// (p1 = index), kEventKillFocus / kEventSetFocus.
#pragma once

#include <windows.h>

#include <cstdint>

#include "WendalDui/Control/UIContainer.h"
#include "WendalDui/Control/UIListBoxViewBase.h"
#include "WendalDui/Core/MessageFilter.h"
#include "WendalDui/Utils/Tween.h"
#include "core/WString.h"

namespace wendaldui {

class CUIListBoxBase;
class CUIRichEdit;

namespace internal {
class CComboxDropListWindow;
}

enum ComboBoxStyle : uint32_t {
    kComboEditable = 0x10000,
    // Editable: opening with nothing selected selects the item that reads as the edit text.
    kComboSelectEditText = 0x20000,
};

class CUIComboBoxBase : public CUIContainer, public IMessageFilter {
public:
    static constexpr int kEditId = 1;
    static constexpr int kButtonId = 2;
    // Posted to itself when a click elsewhere closed the list.
    static constexpr UINT kClosedCall = 1;

    ~CUIComboBoxBase() override;

    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    void OnCreate(void* arg) override;
    void OnDestroy() override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnLButtonDblClk(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnMouseWheel(WPARAM keys, int delta, int x, int y) override;
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) override;
    bool OnSysKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) override;
    void OnPaint(PaintContext& context) override;
    void OnTimer(UINT localId) override;
    void OnKillFocus() override;
    void OnSetFocus(int reason) override;
    void OnEnable(bool enabled) override;
    int HitTest(int x, int y, CUIControl*& out) override;
    void OnSkinChanged(uint32_t bits) override;
    void OnPostedCall(UINT code, WPARAM argument1, LPARAM argument2) override;

    // A new, not yet created list box for the pop-up.
    virtual CUIListBoxBase* CreateListBox() = 0;
    virtual void GetItemText(CUIListBoxViewBase::LBItemBase* item, WString& text) const = 0;
    // The first item that reads as text, -1 when none.
    virtual int FindItemByText(CUIListBoxBase* list, const wchar_t* text) const = 0;

    LRESULT MessageFilter(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

    CUIListBoxBase* GetListBox() const;
    void ShowDropDown(bool show);
    // -1 clears; false out of range. Raises no event.
    bool SetCurSel(int index);
    int GetCurSel() const;
    // Editable only: replaces the text without a change event and selects the
    // item that reads the same (none when no item does).
    void SetEditText(const wchar_t* text);
    void GetEditText(WString& text) const;
    // The edit text, or the selected item's text (empty without one).
    void GetText(WString& text) const;
    void ResetContent();
    // The list's place on the screen.
    void CalcDropListRect(UIRect& out, bool& above);
    // Below the control (screen coordinates), else above it, else from the
    // desktop's top; width and height as the list wants them, within the desktop.
    static UIRect PlaceDropList(const UIRect& control, const RECT& desktop, int desiredWidth, int itemHeight,
                                int itemCount, int visibleItems, bool& above);
    // Rows shown without scrolling; below 1 means 15.
    void SetVisibleItems(int count) { m_visibleItems = count; }

    bool IsEditable() const { return (m_flags & kComboEditable) != 0; }
    bool IsDropDownOpen() const { return m_open; }
    int GetVisualState() const { return m_visualState; }
    CUIRichEdit* GetEdit() const;
    internal::CComboxDropListWindow* GetDropWindow() const { return m_drop; }

    // From the pop-up: an item was chosen in the list, or the list closed itself.
    void OnListSelection(int index);
    void OnDropDownClosed() { m_open = false; }

private:
    void SetVisualState(int state);
    void RestColors();
    int BackgroundEntry() const;
    UIRect TextArea() const;
    void OnEditChanged(EventData& e);
    // The text of the item at index; false without one.
    bool ItemText(int index, WString& text) const;
    // The edit takes the item's text, all selected; a plain box repaints.
    void ShowChosenItem(int index);
    // Removes the filter and destroys the pop-up; safe to call twice.
    void ReleaseDropDown();

    CUIRichEdit* m_edit = nullptr;
    internal::CComboxDropListWindow* m_drop = nullptr;
    int m_visualState = 0;
    int m_visibleItems = -1;
    CTween<ARGB> m_border;
    CTween<ARGB> m_background;
    bool m_open = false;
};

}  // namespace wendaldui
