#include "WendalDui/Control/UIListBoxViewString.h"

#include <gdiplus.h>

#include "WendalDui/Control/UIButtonBase.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ImageProcessing.h"

namespace wendaldui {

int CUIListBoxViewString::TextGap() {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    return static_cast<int>(static_cast<float>(skin ? skin->GetTextIndent() : 4) * g_dpiFactor);
}

void CUIListBoxViewString::DrawItem(const DrawItemInfo& info) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    const Item* item = dynamic_cast<const Item*>(info.item);
    if (!skin || !item) return;
    const UIRect& r = info.rect;
    ARGB text = skin->GetColor((info.state & kItemDisabled) ? 3 : 0);
    int fill = -1;
    if (info.state & kItemSelected) {
        fill = 59;
        text = skin->GetColor(57);
    } else if (info.state & kItemHot) {
        fill = 58;
        text = skin->GetColor(56);
    }
    if (fill >= 0) {
        Gdiplus::SolidBrush brush{Gdiplus::Color(skin->GetColor(fill))};
        info.graphics->FillRectangle(&brush, r.x, r.y, r.width, r.height);
    }
    const int g = TextGap();
    const Gdiplus::RectF box(static_cast<float>(r.x + g), static_cast<float>(r.y), static_cast<float>(r.width - g),
                             static_cast<float>(r.height));
    DrawTextEllipsis(info.graphics, item->text.GetString(), static_cast<int>(item->text.GetLength()),
                     skin->GetFont(1), box, text, skin->GetStringFormat(3));
}

int CUIListBoxViewString::MeasureItem(Gdiplus::Graphics* graphics, LBItemBase* item) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    const Item* textItem = dynamic_cast<const Item*>(item);
    if (!skin || !graphics || !textItem) return 0;
    Gdiplus::RectF box;
    graphics->MeasureString(textItem->text.GetString(), static_cast<INT>(textItem->text.GetLength()), skin->GetFont(1),
                            Gdiplus::PointF(0.0f, 0.0f), &box);
    return static_cast<int>(box.Width) + 2 + TextGap();
}

}  // namespace wendaldui
