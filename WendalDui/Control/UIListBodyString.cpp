#include "WendalDui/Control/UIListBodyString.h"

#include <gdiplus.h>

#include "WendalDui/Control/UIListBoxViewString.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ImageProcessing.h"

namespace wendaldui {
namespace internal {

void CUIListBodyString::DrawCell(const CellPaintInfo& info) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    const Item* item = dynamic_cast<const Item*>(info.item);
    if (!skin || !item) return;
    const int indent = CUIListBoxViewString::TextGap();
    const UIRect& r = info.rect;
    const Gdiplus::RectF box(static_cast<float>(r.x + indent), static_cast<float>(r.y),
                             static_cast<float>(r.width - 2 * indent), static_cast<float>(r.height));
    DrawTextEllipsis(info.graphics, item->text.GetString(), static_cast<int>(item->text.GetLength()),
                     skin->GetFont(1), box, skin->GetColor(IsEffectivelyEnabled() ? 0 : 3), skin->GetStringFormat(6));
}

}  // namespace internal
}  // namespace wendaldui
