#include "ui/UIMenuTitleButton.h"

#include <gdiplus.h>

#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ImageProcessing.h"

namespace trelm {
namespace ui {

namespace {

void PaintCaption(wendaldui::CUITitleBarButton*, Gdiplus::Graphics* graphics, const wendaldui::UIRect& rect,
                  wendaldui::ARGB argb) {
    wendaldui::CDuiSkinManager* skin = wendaldui::CDuiSkinManager::GetInstance();
    if (!skin) return;
    const Gdiplus::RectF box(static_cast<float>(rect.x), static_cast<float>(rect.y), static_cast<float>(rect.width),
                             static_cast<float>(rect.height));
    wendaldui::DrawTextInRect(graphics, CUIMenuTitleButton::kCaption, 2, skin->GetFont(1), box, argb,
                              skin->GetStringFormat(1));
}

}  // namespace

const wchar_t CUIMenuTitleButton::kCaption[] = L"菜单";

CUIMenuTitleButton::CUIMenuTitleButton() : CUITitleBarButton(&PaintCaption) {}

}  // namespace ui
}  // namespace trelm
