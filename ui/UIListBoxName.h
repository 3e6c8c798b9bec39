// The list of remembered account names. A click on a row's delete box raises
// kEventDeleteName (p1 = the row) instead of selecting the row.
#pragma once

#include "WendalDui/Control/UIListBoxString.h"

namespace trelm {
namespace ui {
namespace internal {

constexpr int32_t kEventDeleteName = 100;

class CUIListBoxName : public wendaldui::CUIListBoxString {
public:
    wendaldui::CUIControl* CreateView(const wendaldui::ViewCreateInfo& info) override;

    // Appends the name (index is ignored) with its delete box at rest; the new index.
    int InsertString(int index, const wchar_t* name);
};

}  // namespace internal
}  // namespace ui
}  // namespace trelm
