// The combo box of the installed font families, sorted by name, each drawn in
// its own face. Vertical families ("@" names) are left out unless the box has
// kComboFontVertical.
#pragma once

#include <string>
#include <vector>

#include "WendalDui/Control/UIComboBoxBase.h"

namespace wendaldui {

constexpr uint32_t kComboFontVertical = 0x1000000;

class CUIComboBoxFont : public CUIComboBoxBase {
public:
    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    void OnCreate(void* arg) override;
    CUIListBoxBase* CreateListBox() override;
    void GetItemText(CUIListBoxViewBase::LBItemBase* item, WString& text) const override;
    // The first family whose name is exactly equal.
    int FindItemByText(CUIListBoxBase* list, const wchar_t* text) const override;

    // The family names the device context knows, each once, in ascending order.
    static std::vector<std::wstring> EnumFamilies(HDC dc, bool vertical);
};

}  // namespace wendaldui
