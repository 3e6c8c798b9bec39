// The body of the list control of texts: each cell is one line of text,
// cut with an ellipsis when the column is too narrow.
#pragma once

#include "WendalDui/Control/UIListBodyBase.h"
#include "core/WString.h"

namespace wendaldui {
namespace internal {

class CUIListBodyString : public CUIListBodyBase {
public:
    struct Item : ItemBase {
        explicit Item(const wchar_t* text_) : text(text_ ? text_ : L"") {}
        WString text;
    };

    void DrawCell(const CellPaintInfo& info) override;
};

}  // namespace internal
}  // namespace wendaldui
