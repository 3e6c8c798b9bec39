#include "WendalDui/Control/UIListBoxViewFont.h"

#include <gdiplus.h>

#include "WendalDui/Control/UIListBoxViewString.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ImageProcessing.h"
#include "WendalDui/Utils/Tween.h"

namespace wendaldui {
namespace internal {

namespace {

// The family's own font when it loaded, else the UI font.
const Gdiplus::Font* FontOf(const CUIListBoxViewFont::Item* item, const CDuiSkinManager& skin) {
    return item->font && item->font->IsAvailable() ? item->font : skin.GetFont(1);
}

}  // namespace

CUIListBoxViewFont::Item::Item(const wchar_t* name) : family(name) {
    const CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    const float size = (skin ? skin->GetFontSize() : 12.0f) * g_dpiFactor;
    font = new Gdiplus::Font(family.GetString(), size, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
}

CUIListBoxViewFont::Item::~Item() { delete font; }

void CUIListBoxViewFont::DrawItem(const DrawItemInfo& info) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    const Item* item = dynamic_cast<const Item*>(info.item);
    if (!skin || !item) return;
    const UIRect& r = info.rect;
    ARGB text = skin->GetColor((info.state & kItemDisabled) ? 3 : 0);
    if (info.state & kItemSelected) {
        Gdiplus::SolidBrush brush{Gdiplus::Color(skin->GetColor(59))};
        info.graphics->FillRectangle(&brush, r.x, r.y, r.width, r.height);
        text = skin->GetColor(57);
    } else if (info.state & kItemHot) {
        text = skin->GetColor(56);
    }
    const int gap = CUIListBoxViewString::TextGap();
    const Gdiplus::RectF box(static_cast<float>(r.x + gap), static_cast<float>(r.y), static_cast<float>(r.width - gap),
                             static_cast<float>(r.height));
    DrawTextInRect(info.graphics, item->family.GetString(), static_cast<int>(item->family.GetLength()),
                   FontOf(item, *skin), box, text, skin->GetStringFormat(3));
}

int CUIListBoxViewFont::MeasureItem(Gdiplus::Graphics* graphics, LBItemBase* item) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    const Item* font = dynamic_cast<const Item*>(item);
    if (!skin || !graphics || !font) return 0;
    Gdiplus::RectF box;
    graphics->MeasureString(font->family.GetString(), static_cast<INT>(font->family.GetLength()), FontOf(font, *skin),
                            Gdiplus::PointF(0.0f, 0.0f), &box);
    return static_cast<int>(box.Width) + 2 + CUIListBoxViewString::TextGap();
}

}  // namespace internal
}  // namespace wendaldui
