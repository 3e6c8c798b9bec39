// The items area of the font list: each item is a font family, its name
// drawn in that family's own face.
#pragma once

#include "WendalDui/Control/UIListBoxViewBase.h"
#include "core/WString.h"

namespace Gdiplus {
class Font;
}

namespace wendaldui {
namespace internal {

class CUIListBoxViewFont : public CUIListBoxViewBase {
public:
    struct Item : LBItemBase {
        // A regular face of the family at the skin's font size; a family
        // without a usable regular face is drawn in the UI font.
        explicit Item(const wchar_t* family);
        ~Item() override;
        Item(const Item&) = delete;
        Item& operator=(const Item&) = delete;

        WString family;
        Gdiplus::Font* font = nullptr;
    };

    void DrawItem(const DrawItemInfo& info) override;
    int MeasureItem(Gdiplus::Graphics* graphics, LBItemBase* item) override;
};

}  // namespace internal
}  // namespace wendaldui
