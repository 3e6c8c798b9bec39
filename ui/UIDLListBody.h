// The rows of the download list: text cells (file, source, state) and a
// progress cell that shows the percentage beside a thin bar in the theme's
// colours.
#pragma once

#include <cstdint>

#include "WendalDui/Control/UIListBodyBase.h"
#include "core/WString.h"

namespace trelm {
namespace ui {
namespace internal {

class CUIDLListBody : public wendaldui::internal::CUIListBodyBase {
public:
    enum ItemKind { kItemString = 0, kItemProgress = 1 };

    struct ItemBase : wendaldui::internal::CUIListBodyBase::ItemBase {
        explicit ItemBase(int kind_) : kind(kind_) {}
        const int kind;
    };
    struct ItemString : ItemBase {
        ItemString(const wchar_t* text_, uint32_t color_)
            : ItemBase(kItemString), text(text_ ? text_ : L""), color(color_) {}
        WString text;
        uint32_t color;  // ARGB; 0: the skin's normal text colour
    };
    struct ItemProgress : ItemBase {
        explicit ItemProgress(double fraction_) : ItemBase(kItemProgress), fraction(fraction_) {}
        double fraction;  // 0.0 to 1.0
    };

    ~CUIDLListBody() override = default;

    void OnCreate(void* arg) override;
    void OnSkinChanged(uint32_t bits) override;
    void DrawCell(const CellPaintInfo& info) override;

    uint32_t GetBarOutlineColor() const { return m_outlineColor; }
    uint32_t GetBarFillColor() const { return m_fillColor; }

private:
    // Both bar colours follow the theme colour.
    void UpdateBarColors();
    void DrawProgress(const CellPaintInfo& info, double fraction);

    uint32_t m_outlineColor = 0;
    uint32_t m_fillColor = 0;
};

}  // namespace internal
}  // namespace ui
}  // namespace trelm
