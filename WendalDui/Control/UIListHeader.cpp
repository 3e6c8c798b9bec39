#include "WendalDui/Control/UIListHeader.h"

#include <gdiplus.h>

#include <cstdlib>

#include "WendalDui/Control/UIListBodyBase.h"
#include "WendalDui/Control/UIListCtrlBase.h"
#include "WendalDui/Control/UIListBoxViewString.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ImageProcessing.h"

namespace wendaldui {
namespace internal {

namespace {

constexpr int kHeaderEntry = 118;
constexpr int kGridEntry = 119;

int GrabDistance() { return static_cast<int>(6 * g_dpiFactor); }

}  // namespace

void CUIListHeader::OnCreate(void*) {
    m_owner = dynamic_cast<CUIListCtrlBase*>(m_parent ? m_parent->GetParent() : nullptr);
}

CUIListBodyBase* CUIListHeader::GetBody() const { return m_owner ? m_owner->GetBody() : nullptr; }

int CUIListHeader::DividerFromX(int x) const {
    const CUIListBodyBase* body = GetBody();
    if (!body) return -1;
    int right = -body->ScrollX();
    for (int i = 0; i < body->GetColumnCount(); ++i) {
        right += body->GetColumn(i)->width;
        if (std::abs(right - x) <= GrabDistance()) return i;
    }
    return -1;
}

void CUIListHeader::OnMouseMove(WPARAM keys, int x, int) {
    if (keys & MK_LBUTTON) {
        CUIListBodyBase* body = GetBody();
        if (body && m_sizingColumn >= 0) body->SetColumnWidth(m_sizingColumn, m_startWidth + (x - m_dragOrigin));
        return;
    }
    m_sizingColumn = DividerFromX(x);
    m_overDivider = m_sizingColumn >= 0;
}

void CUIListHeader::OnLButtonDown(WPARAM, int x, int) {
    const CUIListBodyBase* body = GetBody();
    const CUIListBodyBase::Column* column = body ? body->GetColumn(m_sizingColumn) : nullptr;
    if (!column) return;
    m_dragOrigin = x;
    m_startWidth = column->width;
}

void CUIListHeader::OnMouseLeave() { m_overDivider = false; }

bool CUIListHeader::OnSetCursor() {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (!m_overDivider || !skin) return false;
    SetCursor(skin->GetResizeCursor());
    return true;
}

void CUIListHeader::OnPaint(PaintContext& context) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    const CUIListBodyBase* body = GetBody();
    if (!skin || !body) return;
    const UIRect& rect = context.rect;
    const ARGB text = skin->GetColor(IsEffectivelyEnabled() ? 0 : 3);
    const int indent = CUIListBoxViewString::TextGap();
    Gdiplus::SolidBrush fill{Gdiplus::Color(skin->GetColor(kHeaderEntry))};
    Gdiplus::Pen grid(Gdiplus::Color(skin->GetColor(kGridEntry)), 1.0f);
    int x = rect.x - body->ScrollX();
    for (int i = 0; i < body->GetColumnCount(); ++i) {
        const CUIListBodyBase::Column& column = *body->GetColumn(i);
        const UIRect cell(x, rect.y, column.width, rect.height);
        x += column.width;
        if (!cell.Intersects(context.dirty)) continue;
        context.graphics->FillRectangle(&fill, cell.x, cell.y, cell.width, cell.height);
        const Gdiplus::RectF box(static_cast<float>(cell.x + indent), static_cast<float>(cell.y),
                                 static_cast<float>(cell.width - 2 * indent), static_cast<float>(cell.height));
        DrawTextInRect(context.graphics, column.title.GetString(), static_cast<int>(column.title.GetLength()),
                       skin->GetFont(1), box, text, skin->GetStringFormat(6));
        const int right = cell.x + cell.width - 1;
        context.graphics->DrawLine(&grid, right, cell.y, right, cell.y + cell.height);
    }
}

}  // namespace internal
}  // namespace wendaldui
