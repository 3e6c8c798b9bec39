#include "WendalDui/Control/UIListBodyBase.h"

#include <gdiplus.h>

#include <algorithm>

#include "WendalDui/Control/UIButtonBase.h"
#include "WendalDui/Control/UIListCtrlBase.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/SkinPalette.h"

namespace wendaldui {
namespace internal {

namespace {

constexpr int kGridEntry = 119;
constexpr int kOddRowEntry = 120;
constexpr int kEvenRowEntry = 121;
constexpr int kSelectedTintEntry = 122;

}  // namespace

CUIListBodyBase::CUIListBodyBase() : m_rowHeight(static_cast<int>(22 * g_dpiFactor)) {}

CUIListBodyBase::~CUIListBodyBase() { FreeRows(); }

void CUIListBodyBase::FreeRows() {
    for (std::vector<ItemBase*>& row : m_rows) {
        for (ItemBase* cell : row) delete cell;
    }
    m_rows.clear();
}

void CUIListBodyBase::OnCreate(void*) {
    m_owner = dynamic_cast<CUIListCtrlBase*>(m_parent ? m_parent->GetParent() : nullptr);
    m_selection.SetFlags((m_flags >> 20) & 3);
    if (!m_owner) return;
    m_owner->SetLineStep(m_rowHeight);
    m_owner->SetLineCounts(1, 3, 3);
    const int line = static_cast<int>(40 * g_dpiFactor), page = static_cast<int>(80 * g_dpiFactor);
    m_owner->SetHorizontalSteps(line, page, page);
}

void CUIListBodyBase::OnDestroy() {
    FreeRows();
    m_columns.clear();
    m_selection.Remove(0, m_selection.GetSize());
}

int CUIListBodyBase::ScrollX() const { return m_owner ? m_owner->GetScrollX() : 0; }

int CUIListBodyBase::ScrollY() const { return m_owner ? m_owner->GetScrollY() : 0; }

const CUIListBodyBase::Column* CUIListBodyBase::GetColumn(int column) const {
    return column >= 0 && column < GetColumnCount() ? &m_columns[column] : nullptr;
}

void CUIListBodyBase::UpdateContent() {
    if (!m_owner) return;
    m_owner->SetContentWidth(m_totalWidth);
    m_owner->SetContentHeight(GetRowCount() * m_rowHeight);
    m_owner->UpdateScrollBars();
}

void CUIListBodyBase::InvalidateView() {
    if (m_parent) {
        m_parent->Invalidate();
    } else {
        Invalidate();
    }
}

int CUIListBodyBase::InsertColumn(int index, const wchar_t* title, int width, int minWidth) {
    if (index == -1) index = GetColumnCount();
    if (index < 0 || index > GetColumnCount()) return -1;
    Column column;
    column.title = title ? title : L"";
    column.minWidth = std::max(minWidth, static_cast<int>(kMinColumnWidth));
    column.width = std::max(width, column.minWidth);
    m_columns.insert(m_columns.begin() + index, column);
    for (std::vector<ItemBase*>& row : m_rows) row.insert(row.begin() + index, nullptr);
    m_totalWidth += column.width;
    UpdateContent();
    InvalidateView();
    return index;
}

int CUIListBodyBase::InsertRow(int) {
    if (m_columns.empty()) return -1;
    const int row = GetRowCount();
    m_rows.emplace_back(m_columns.size(), nullptr);
    m_selection.InsertItem(row);
    UpdateContent();
    Invalidate();
    return row;
}

CUIListBodyBase::ItemBase* CUIListBodyBase::GetCell(int column, int row) const {
    if (row < 0 || row >= GetRowCount() || column < 0 || column >= GetColumnCount()) return nullptr;
    return m_rows[row][column];
}

bool CUIListBodyBase::SetCell(int column, int row, ItemBase* item) {
    if (row < 0 || row >= GetRowCount() || column < 0 || column >= GetColumnCount()) return false;
    ItemBase*& cell = m_rows[row][column];
    // Deleting the cell's own item would leave it holding freed memory.
    if (cell != item) {
        delete cell;
        cell = item;
    }
    InvalidateCell(column, row);
    return true;
}

bool CUIListBodyBase::GetCellRect(int column, int row, UIRect& out) const {
    int x = 0;
    for (int i = 0; i < column && i < GetColumnCount(); ++i) x += m_columns[i].width;
    const bool valid = row >= 0 && row < GetRowCount() && column >= 0 && column < GetColumnCount();
    out = UIRect(x - ScrollX(), row * m_rowHeight - ScrollY(), valid ? m_columns[column].width : 0, m_rowHeight);
    return valid;
}

bool CUIListBodyBase::GetRowRect(int row, UIRect& out) const {
    out = UIRect(-ScrollX(), row * m_rowHeight - ScrollY(), m_totalWidth, m_rowHeight);
    return row >= 0 && row < GetRowCount();
}

void CUIListBodyBase::InvalidateCell(int column, int row) {
    UIRect rect;
    if (GetCellRect(column, row, rect)) InvalidateRect(rect);
}

void CUIListBodyBase::InvalidateRow(int row) {
    UIRect rect;
    if (GetRowRect(row, rect)) InvalidateRect(rect);
}

void CUIListBodyBase::CellFromPoint(POINT pt, int& column, int& row) const {
    column = row = -1;
    const int y = pt.y + ScrollY();
    const int x = pt.x + ScrollX();
    if (y < 0 || x < 0 || x >= m_totalWidth || m_rowHeight < 1 || y / m_rowHeight >= GetRowCount()) return;
    int right = 0;
    for (int i = 0; i < GetColumnCount(); ++i) {
        right += m_columns[i].width;
        if (right > x) {
            column = i;
            row = y / m_rowHeight;
            return;
        }
    }
}

bool CUIListBodyBase::SetColumnWidth(int column, int width) {
    if (column < 0 || column >= GetColumnCount()) return false;
    Column& c = m_columns[column];
    if (width < 0 && column == GetColumnCount() - 1) width = c.width - m_totalWidth + m_rect.width;
    width = std::max(width, c.minWidth);
    m_totalWidth += width - c.width;
    c.width = width;
    UpdateContent();
    InvalidateView();
    return true;
}

void CUIListBodyBase::DeleteAllRows() {
    FreeRows();
    m_selection.Remove(0, m_selection.GetSize());
    UpdateContent();
    if (IsEffectivelyVisible()) Invalidate();
}

bool CUIListBodyBase::IsRowSelected(int row) const { return m_selection.IsSelected(row); }

void CUIListBodyBase::OnLButtonDown(WPARAM keys, int x, int y) {
    int column = -1, row = -1;
    CellFromPoint(POINT{x, y}, column, row);
    if (row < 0) return;
    const CSelectionModel::SelectResult result =
        m_selection.Select(row, (keys & MK_SHIFT) != 0, (keys & MK_CONTROL) != 0);
    if (!result.changed) return;
    if (result.simple) {
        InvalidateRow(result.oldIndex);
        InvalidateRow(result.newIndex);
    } else {
        Invalidate();
    }
    // The handler reads the selection from the body.
    if (m_owner) m_owner->FireEvent(kEventSelectionChanged, 0, 0);
}

void CUIListBodyBase::DrawRowBackground(const RowPaintInfo& info) {
    ARGB color = PaletteColor(info.row % 2 == 0 ? kEvenRowEntry : kOddRowEntry);
    if (info.selected) color = AlphaComposite(PaletteColor(kSelectedTintEntry), color);
    Gdiplus::SolidBrush brush{Gdiplus::Color(color)};
    const UIRect& r = info.rect;
    info.graphics->FillRectangle(&brush, r.x, r.y, r.width, r.height);
}

void CUIListBodyBase::OnPaint(PaintContext& context) {
    const UIRect& dirty = context.dirty;
    const UIRect& rect = context.rect;
    const int h = m_rowHeight;
    if (h < 1 || m_columns.empty()) return;
    const int vy = ScrollY(), hx = ScrollX();
    // Only the rows and columns that meet the dirty rect.
    const int firstRow = std::min(std::max((dirty.y - rect.y + vy) / h, 0), GetRowCount());
    const int lastRow = std::min(std::max((vy - 1 + dirty.y - rect.y + dirty.height) / h + 1, 0), GetRowCount());
    std::vector<int> lefts;  // window x of each visible column, from firstColumn on
    int firstColumn = -1;
    int x = rect.x - hx;
    for (int i = 0; i < GetColumnCount(); ++i) {
        const int w = m_columns[i].width;
        if (x < dirty.x + dirty.width && x + w > dirty.x) {
            if (firstColumn < 0) firstColumn = i;
            lefts.push_back(x);
        } else if (firstColumn >= 0) {
            break;
        }
        x += w;
    }
    if (firstColumn < 0) return;
    const int columns = static_cast<int>(lefts.size());
    const int spanLeft = lefts.front();
    const int spanWidth = lefts.back() + m_columns[firstColumn + columns - 1].width - spanLeft;
    for (int row = firstRow; row < lastRow; ++row) {
        const int top = rect.y + row * h - vy;
        const bool selected = IsRowSelected(row);
        DrawRowBackground(RowPaintInfo{UIRect(spanLeft, top, spanWidth, h), context.graphics, row, selected});
        for (int i = 0; i < columns; ++i) {
            const int column = firstColumn + i;
            DrawCell(CellPaintInfo{UIRect(lefts[i], top, m_columns[column].width, h), context.graphics,
                                   m_rows[row][column], row, column, selected});
        }
    }
    Gdiplus::Pen grid(Gdiplus::Color(PaletteColor(kGridEntry)), 1.0f);
    for (int i = 0; i < columns; ++i) {
        const int right = lefts[i] + m_columns[firstColumn + i].width - 1;
        context.graphics->DrawLine(&grid, right, rect.y, right, rect.y + rect.height);
    }
}

}  // namespace internal
}  // namespace wendaldui
