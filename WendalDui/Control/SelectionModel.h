// The selection of a list of rows as one bit per row, with the current row
// that Shift extends from. Single mode keeps only the current row (the bits
// stay clear); multiple mode follows the usual click, Ctrl+click and
// Shift+click rules. The list control keeps one per body.
#pragma once

#include <cstdint>
#include <vector>

namespace wendaldui {

class CSelectionModel {
public:
    enum Flags : uint32_t {
        kSelectionDisabled = 0x1,
        kSelectionMultiple = 0x2,
        kSelectionCtrlClearsLast = 0x4,  // Ctrl+click may deselect the only selected row
    };

    // What a click changed. A simple change touched only the rows oldIndex
    // and newIndex (those that are >= 0), so only they need repainting.
    struct SelectResult {
        bool changed = false;
        bool simple = false;
        int32_t oldIndex = -1;
        int32_t newIndex = -1;
    };

    // Single mode: the current row. Multiple: the lowest selected row; -1 for none.
    int GetFirstSelected() const;
    // A clear bit at index; the current row moves with the rows after it.
    void InsertItem(int index);
    // Removes the rows [first, first + n) and their bits.
    void Remove(int first, int n);
    // Multiple: adds first..last to the selection and makes first current.
    // Single: only one row (first == last) is accepted.
    bool SelectRange(int first, int last);
    // A click on index with the modifiers held; an index outside the rows changes nothing.
    SelectResult Select(int index, bool shift, bool ctrl);
    // Clears every bit; the count is left to the caller (SetCount).
    void ClearAll();

    bool IsSelected(int index) const;
    int GetSize() const { return static_cast<int>(m_bits.size()); }
    int GetCurrent() const { return m_current; }
    int GetCount() const { return m_count; }
    void SetCount(int count) { m_count = count; }
    uint32_t GetFlags() const { return m_flags; }
    void SetFlags(uint32_t flags) { m_flags = flags; }
    bool IsMultiple() const { return (m_flags & kSelectionMultiple) != 0; }

private:
    // Sets the bits lo..hi (either order) and returns how many were clear.
    int SetBits(int a, int b);
    void ClearBits();

    std::vector<bool> m_bits;
    int32_t m_current = -1;
    int32_t m_count = 0;
    uint32_t m_flags = 0;
};

}  // namespace wendaldui
