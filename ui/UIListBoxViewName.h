// The rows of the account-name list: the name, and at the row's left edge a
// delete box with a cross that lights up under the mouse. A press on the box
// never selects the row; a click on it (pressed and released there) asks the
// list's owner to forget the name.
#pragma once

#include "WendalDui/Control/UIListBoxViewString.h"

namespace trelm {
namespace ui {
namespace internal {

class CUIListBoxViewName : public wendaldui::CUIListBoxViewString {
public:
    enum DeleteState { kDeleteNone = 0, kDeleteHot = 1, kDeletePressed = 2 };
    struct Item : wendaldui::CUIListBoxViewString::Item {
        int deleteState = kDeleteNone;
    };

    void DrawItem(const DrawItemInfo& info) override;
    int MeasureItem(Gdiplus::Graphics* graphics, LBItemBase* item) override;
    void OnItemMouseLeave(int index) override;
    void OnItemMouseMove(int index, WPARAM keys, int x, int y) override;
    void OnItemClick(int index, WPARAM keys, int x, int y) override;
    void OnItemLButtonUp(int index, WPARAM keys, int x, int y) override;

    // The delete box's width: 15 logical pixels.
    static int DeleteBoxWidth();
    // Item coordinates: whether the point is on the row's delete box.
    bool OnDeleteBox(int x, int y) const;

private:
    // Stores the state and repaints the row when it changed.
    void SetDeleteState(int index, int state);
};

}  // namespace internal
}  // namespace ui
}  // namespace trelm
