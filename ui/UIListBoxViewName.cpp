#include "ui/UIListBoxViewName.h"

#include <gdiplus.h>

#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ImageProcessing.h"
#include "ui/UIListBoxName.h"

namespace trelm {
namespace ui {
namespace internal {

using wendaldui::ARGB;
using wendaldui::g_dpiFactor;

namespace {

constexpr int kDeleteBoxWidth = 15;  // logical pixels
constexpr float kCrossSide = 8.0f;   // logical pixels
constexpr float kCrossStroke = 2.0f;
// By delete-box state: none, hot, pressed.
constexpr ARGB kBoxFills[3] = {0x00FFFFFF, 0x4DFFFFFF, 0x4DDCDCDC};
constexpr ARGB kCrossColors[3] = {0x66FFFFFF, 0x80FF0000, 0x80FF0000};
constexpr int kHotFillEntry = 59;
constexpr int kHotTextEntry = 57;
constexpr int kSelectedFillEntry = 58;
constexpr int kSelectedTextEntry = 56;
constexpr int kTextEntry = 0;

void Fill(Gdiplus::Graphics* graphics, ARGB color, float x, float y, float width, float height) {
    Gdiplus::SolidBrush brush{Gdiplus::Color(color)};
    graphics->FillRectangle(&brush, x, y, width, height);
}

}  // namespace

int CUIListBoxViewName::DeleteBoxWidth() { return wendaldui::DpiScale(static_cast<float>(kDeleteBoxWidth)); }

bool CUIListBoxViewName::OnDeleteBox(int x, int y) const {
    return x >= 0 && x < DeleteBoxWidth() && y >= 0 && y < GetItemHeight();
}

void CUIListBoxViewName::DrawItem(const DrawItemInfo& info) {
    wendaldui::CDuiSkinManager* skin = wendaldui::CDuiSkinManager::GetInstance();
    const Item* item = dynamic_cast<const Item*>(info.item);
    if (!skin || !item) return;
    Gdiplus::Graphics* graphics = info.graphics;
    const float x = static_cast<float>(info.rect.x), y = static_cast<float>(info.rect.y);
    const float width = static_cast<float>(info.rect.width), height = static_cast<float>(info.rect.height);
    const float box = static_cast<float>(DeleteBoxWidth());
    ARGB text = skin->GetColor(kTextEntry);
    // The hot row is drawn marked (a hover-select list marks it selected);
    // the same item drawn unmarked, as the closed combo box does, is plain.
    const bool hot = (info.state & (kItemHot | kItemSelected)) && info.index == GetHotItem();
    if (hot) {
        const int state = item->deleteState;
        Fill(graphics, skin->GetColor(kHotFillEntry), x, y, width, height);
        Fill(graphics, kBoxFills[state], x, y, box, height);
        const float half = kCrossSide * g_dpiFactor / 2, cx = x + box / 2, cy = y + height / 2;
        const Gdiplus::SmoothingMode smoothing = graphics->GetSmoothingMode();
        graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        Gdiplus::Pen pen(Gdiplus::Color(kCrossColors[state]), kCrossStroke * g_dpiFactor);
        graphics->DrawLine(&pen, cx - half, cy - half, cx + half, cy + half);
        graphics->DrawLine(&pen, cx - half, cy + half, cx + half, cy - half);
        graphics->SetSmoothingMode(smoothing);
        text = skin->GetColor(kHotTextEntry);
    } else if (info.state & kItemSelected) {
        Fill(graphics, skin->GetColor(kSelectedFillEntry), x, y, width, height);
        text = skin->GetColor(kSelectedTextEntry);
    }
    const Gdiplus::RectF area(x + box, y, width - box, height);
    wendaldui::DrawTextInRect(graphics, item->text.GetString(), static_cast<int>(item->text.GetLength()),
                              skin->GetFont(1), area, text, skin->GetStringFormat(3));
}

int CUIListBoxViewName::MeasureItem(Gdiplus::Graphics* graphics, LBItemBase* item) {
    // The string view adds its text gap; a name row has the delete box instead.
    const int width = CUIListBoxViewString::MeasureItem(graphics, item);
    return width > 0 ? width - TextGap() + DeleteBoxWidth() : 0;
}

void CUIListBoxViewName::SetDeleteState(int index, int state) {
    Item* item = dynamic_cast<Item*>(GetItem(index));
    if (!item || item->deleteState == state) return;
    item->deleteState = state;
    InvalidateItem(index);
}

void CUIListBoxViewName::OnItemMouseLeave(int index) {
    CUIListBoxViewString::OnItemMouseLeave(index);
    SetDeleteState(index, kDeleteNone);
}

void CUIListBoxViewName::OnItemMouseMove(int index, WPARAM keys, int x, int y) {
    CUIListBoxViewString::OnItemMouseMove(index, keys, x, y);
    if (!(keys & MK_LBUTTON)) SetDeleteState(index, OnDeleteBox(x, y) ? kDeleteHot : kDeleteNone);
}

void CUIListBoxViewName::OnItemClick(int index, WPARAM keys, int x, int y) {
    if (!OnDeleteBox(x, y)) {
        CUIListBoxViewString::OnItemClick(index, keys, x, y);
        return;
    }
    // The press is the box's alone: the row is not selected (nor the list closed).
    SetDeleteState(index, kDeletePressed);
}

void CUIListBoxViewName::OnItemLButtonUp(int index, WPARAM keys, int x, int y) {
    CUIListBoxViewString::OnItemLButtonUp(index, keys, x, y);
    const Item* item = dynamic_cast<const Item*>(GetItem(index));
    // Only a press that began on the box deletes: a press on the name (which
    // chooses it) released over the box must not forget it.
    const bool pressed = item && item->deleteState == kDeletePressed;
    SetDeleteState(index, kDeleteHot);
    if (pressed && OnDeleteBox(x, y)) FireListEvent(kEventDeleteName, index);
}

}  // namespace internal
}  // namespace ui
}  // namespace trelm
