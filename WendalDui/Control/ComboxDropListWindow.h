// The pop-up of a combo box: a layered, shadowed, topmost window without an
// owner that never takes activation. It fades in and slides a few pixels away
// from the box as it opens. The combo box owns it for its whole life and only
// shows and hides it; its content is a CComboxDropListContainer, made with
// the box, and its window is made when the list first opens.
#pragma once

#include "WendalDui/Core/DuiLayeredShadowedWindow.h"
#include "WendalDui/Utils/Tween.h"

namespace wendaldui {

class CUIComboBoxBase;
class CUIListBoxBase;

namespace internal {

class CComboxDropListWindow : public CDuiLayeredShadowedWindow {
public:
    static constexpr int kListId = 1;
    static constexpr int kAnimationFrames = 12;

    explicit CComboxDropListWindow(CUIComboBoxBase* combo);

    // The list and its frame, before the window.
    void MakeControls();
    // The window, unless it exists already; false when it cannot be made.
    bool MakeWindow();
    // rect: the list in screen coordinates. Sizes the hidden window, so that
    // the list can scroll within its real height before it shows.
    void Place(const UIRect& rect);
    // Fades in and slides from 6 logical pixels nearer the box (above: the
    // list rises) to rect.
    void Show(const UIRect& rect, bool above);
    void Hide();

    void OnCreate() override;

    CUIComboBoxBase* GetCombo() const { return m_combo; }
    CUIListBoxBase* GetListBox() const;
    bool IsShown() const { return m_visible; }
    const CTween<UIRect>& GetSlideTween() const { return m_slide; }

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnDropTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnDropMouseActivate(WPARAM wParam, LPARAM lParam);
    LRESULT OnDropClose(WPARAM wParam, LPARAM lParam);

private:
    // The window around the list rect, shadow included, topmost.
    void MoveTo(const UIRect& rect);
    void OnListClick(EventData& e);
    void OnListSelection(EventData& e);

    CTween<int> m_alpha;
    CTween<UIRect> m_slide;
    CUIComboBoxBase* m_combo;
    bool m_visible = false;
};

}  // namespace internal
}  // namespace wendaldui
