#include "ui/UIDLListBody.h"

#include <gdiplus.h>

#include <algorithm>

#include "WendalDui/Control/UIListBoxViewString.h"
#include "WendalDui/Core/ColorConvert.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ImageProcessing.h"

namespace trelm {
namespace ui {
namespace internal {

namespace {

constexpr int kPercentWidth = 45;
constexpr int kBarInsetX = 4, kBarInsetY = 7;
constexpr int kMinBarHeight = 5;

double Unit(double value) { return std::max(0.0, std::min(1.0, value)); }

// The theme colour moved by ds and dl; the conversion keeps every component in range.
uint32_t ThemeShade(const wendaldui::ThemeColor& theme, double ds, double dl, uint8_t alpha) {
    double r, g, b;
    wendaldui::HslToRgb(theme.hsl[0], theme.hsl[1] + ds, theme.hsl[2] + dl, r, g, b);
    return wendaldui::MakeArgb(alpha, r, g, b);
}

void DrawCellText(const CUIDLListBody::CellPaintInfo& info, const wchar_t* text, int length, int width,
                  uint32_t color) {
    wendaldui::CDuiSkinManager* skin = wendaldui::CDuiSkinManager::GetInstance();
    const int gap = wendaldui::CUIListBoxViewString::TextGap();
    const wendaldui::UIRect& r = info.rect;
    const Gdiplus::RectF box(static_cast<float>(r.x + gap), static_cast<float>(r.y),
                             static_cast<float>(width - 2 * gap), static_cast<float>(r.height));
    wendaldui::DrawTextInRect(info.graphics, text, length, skin->GetFont(1), box, color ? color : skin->GetColor(0),
                              skin->GetStringFormat(6));
}

}  // namespace

void CUIDLListBody::OnCreate(void* arg) {
    CUIListBodyBase::OnCreate(arg);
    UpdateBarColors();
}

void CUIDLListBody::OnSkinChanged(uint32_t bits) {
    CUIListBodyBase::OnSkinChanged(bits);
    if (bits & wendaldui::kSkinChangedColors) {
        UpdateBarColors();
        Invalidate();
    }
}

void CUIDLListBody::UpdateBarColors() {
    wendaldui::CDuiSkinManager* skin = wendaldui::CDuiSkinManager::GetInstance();
    if (!skin) return;
    m_outlineColor = ThemeShade(skin->GetTheme(), -0.22, -0.02, 0xE5);
    m_fillColor = ThemeShade(skin->GetTheme(), -0.28, 0.05, 0xD8);
}

void CUIDLListBody::DrawCell(const CellPaintInfo& info) {
    const ItemBase* item = static_cast<const ItemBase*>(info.item);
    if (!item || !wendaldui::CDuiSkinManager::GetInstance()) return;
    if (item->kind == kItemString) {
        const ItemString* cell = static_cast<const ItemString*>(item);
        DrawCellText(info, cell->text.GetString(), cell->text.GetLength(), info.rect.width, cell->color);
    } else if (item->kind == kItemProgress) {
        DrawProgress(info, static_cast<const ItemProgress*>(item)->fraction);
    }
}

void CUIDLListBody::DrawProgress(const CellPaintInfo& info, double fraction) {
    fraction = Unit(fraction);
    const wendaldui::UIRect& r = info.rect;
    const int textWidth = std::min(r.width, wendaldui::DpiScale(kPercentWidth));
    WString percent;
    percent.Format(L"%d%%", static_cast<int>(fraction * 100));
    DrawCellText(info, percent.GetString(), percent.GetLength(), textWidth, 0);

    const int dx = wendaldui::DpiScale(kBarInsetX), dy = wendaldui::DpiScale(kBarInsetY);
    const int x = r.x + textWidth + dx, y = r.y + dy;
    const int width = r.width - textWidth - 2 * dx, height = r.height - 2 * dy;
    if (height < kMinBarHeight || width < 2) return;
    Gdiplus::Pen outline{Gdiplus::Color(m_outlineColor), 1.0f};
    info.graphics->DrawRectangle(&outline, x, y, width - 1, height - 1);
    // The inside stops short of the right edge of the outline.
    const int filled = std::min(static_cast<int>((width - 1) * fraction + 0.5), width - 2);
    if (filled <= 0) return;
    Gdiplus::SolidBrush fill{Gdiplus::Color(m_fillColor)};
    info.graphics->FillRectangle(&fill, x + 1, y + 1, filled, height - 2);
}

}  // namespace internal
}  // namespace ui
}  // namespace trelm
