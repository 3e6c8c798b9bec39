// The items area of the list of texts: each item is a text with a user
// value, drawn in the UI font with the palette's selection and hover fills.
#pragma once

#include <cstdint>

#include "WendalDui/Control/UIListBoxViewBase.h"
#include "core/WString.h"

namespace wendaldui {

class CUIListBoxViewString : public CUIListBoxViewBase {
public:
    struct Item : LBItemBase {
        uint32_t data = 0;
        WString text;
    };

    void DrawItem(const DrawItemInfo& info) override;
    int MeasureItem(Gdiplus::Graphics* graphics, LBItemBase* item) override;

    // The text's left gap: the skin's text indent times the DPI factor.
    static int TextGap();
};

}  // namespace wendaldui
