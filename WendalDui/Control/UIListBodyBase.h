// The rows area of a list control: the columns, the rows of cells, the
// selection and the geometry, scrolled by the list control (the view's
// parent). Cells are objects of the subclass's kinds, drawn by its DrawCell;
// the body owns every cell it holds. Only the rows and columns that meet the
// dirty rect are painted, so a repaint costs one screen at any row count.
#pragma once

#include <cstdint>
#include <vector>

#include "WendalDui/Control/SelectionModel.h"
#include "WendalDui/Control/UIControl.h"
#include "core/WString.h"

namespace wendaldui {

// List control styles, passed on to the body at creation.
constexpr uint32_t kListCtrlNoSelection = 0x100000;
constexpr uint32_t kListCtrlMultipleSelection = 0x200000;

namespace internal {

class CUIListCtrlBase;

class CUIListBodyBase : public CUIControl {
public:
    struct ItemBase {
        virtual ~ItemBase() = default;
    };
    struct Column {
        WString title;
        int32_t width;     // pixels
        int32_t minWidth;  // pixels, at least kMinColumnWidth
    };
    struct RowPaintInfo {
        UIRect rect;  // window coordinates: the visible columns, one row high
        Gdiplus::Graphics* graphics;
        int row;
        bool selected;
    };
    struct CellPaintInfo {
        UIRect rect;  // window coordinates
        Gdiplus::Graphics* graphics;
        ItemBase* item;  // null for an empty cell
        int row;
        int column;
        bool selected;
    };
    static constexpr int kMinColumnWidth = 20;

    CUIListBodyBase();
    ~CUIListBodyBase() override;

    void OnCreate(void* arg) override;
    void OnDestroy() override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnPaint(PaintContext& context) override;

    // Stripes in the palette's row colours, the selection's tint over them.
    virtual void DrawRowBackground(const RowPaintInfo& info);
    virtual void DrawCell(const CellPaintInfo& info) = 0;

    // index -1 appends. The width is raised to the minimum, the minimum to
    // kMinColumnWidth. The column's index, or -1 for an index beyond the columns or below -1.
    int InsertColumn(int index, const wchar_t* title, int width, int minWidth);
    // Appends a row of empty cells (index is ignored); -1 while there is no column.
    int InsertRow(int index);
    // Null out of range or for an empty cell.
    ItemBase* GetCell(int column, int row) const;
    // The cell takes ownership of item and deletes the one it held; setting
    // the item the cell already holds only repaints it. False out of range:
    // then the item is still the caller's, to delete.
    bool SetCell(int column, int row, ItemBase* item);
    void InvalidateCell(int column, int row);
    void InvalidateRow(int row);
    // Never below the column's minimum. A negative width for the last column
    // makes the columns fill the body. False out of range.
    bool SetColumnWidth(int column, int width);
    void DeleteAllRows();
    // Body coordinates, scrolled; false out of range (out is written all the same).
    bool GetCellRect(int column, int row, UIRect& out) const;
    bool GetRowRect(int row, UIRect& out) const;
    // The cell at a point in body coordinates; (-1, -1) outside the cells.
    void CellFromPoint(POINT pt, int& column, int& row) const;

    int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
    const Column* GetColumn(int column) const;
    int GetRowCount() const { return static_cast<int>(m_rows.size()); }
    int GetRowHeight() const { return m_rowHeight; }
    int GetTotalWidth() const { return m_totalWidth; }
    CSelectionModel& GetSelection() { return m_selection; }
    const CSelectionModel& GetSelection() const { return m_selection; }
    // Whether the row is drawn as selected.
    bool IsRowSelected(int row) const;
    // The list control's scroll positions (0 without one).
    int ScrollX() const;
    int ScrollY() const;

protected:
    CUIListCtrlBase* GetOwner() const { return m_owner; }

private:
    // The list control's content size and bars after a change of size.
    void UpdateContent();
    // The list control's view: the header and the body.
    void InvalidateView();
    void FreeRows();

    std::vector<Column> m_columns;
    std::vector<std::vector<ItemBase*>> m_rows;
    CSelectionModel m_selection;
    int m_rowHeight;
    int m_totalWidth = 0;
    CUIListCtrlBase* m_owner = nullptr;
};

}  // namespace internal
}  // namespace wendaldui
