#include "WendalDui/Control/SelectionModel.h"

#include <algorithm>
#include <cstdlib>

namespace wendaldui {

int CSelectionModel::GetFirstSelected() const {
    if (!IsMultiple()) return m_current;
    if (m_count < 1) return -1;
    for (size_t i = 0; i < m_bits.size(); ++i) {
        if (m_bits[i]) return static_cast<int>(i);
    }
    return -1;
}

bool CSelectionModel::IsSelected(int index) const {
    if (index < 0 || index >= GetSize()) return false;
    return IsMultiple() ? m_bits[index] : index == m_current;
}

void CSelectionModel::InsertItem(int index) {
    index = std::max(0, std::min(index, GetSize()));
    m_bits.insert(m_bits.begin() + index, false);
    // The row at index itself shifts too: the current row follows it.
    if (m_current >= index) ++m_current;
}

void CSelectionModel::Remove(int first, int n) {
    first = std::max(0, first);
    const int end = std::min(GetSize(), first + std::max(0, n));
    if (first >= end) return;
    n = end - first;
    m_count -= static_cast<int>(std::count(m_bits.begin() + first, m_bits.begin() + end, true));
    m_bits.erase(m_bits.begin() + first, m_bits.begin() + end);
    if (m_current >= end) {
        m_current -= n;
    } else if (m_current >= first) {
        m_current = -1;
        if (!IsMultiple()) m_count = 0;
    }
}

int CSelectionModel::SetBits(int a, int b) {
    int added = 0;
    for (int i = std::min(a, b); i <= std::max(a, b); ++i) {
        if (!m_bits[i]) {
            m_bits[i] = true;
            ++added;
        }
    }
    return added;
}

void CSelectionModel::ClearBits() { std::fill(m_bits.begin(), m_bits.end(), false); }

void CSelectionModel::ClearAll() { ClearBits(); }

bool CSelectionModel::SelectRange(int first, int last) {
    if (first < 0 || first > last || last >= GetSize()) return false;
    if (!IsMultiple()) {
        if (first != last) return false;
        m_current = first;
        m_count = 1;
        return true;
    }
    m_current = first;
    m_count += SetBits(first, last);
    return true;
}

CSelectionModel::SelectResult CSelectionModel::Select(int index, bool shift, bool ctrl) {
    SelectResult result;
    if ((m_flags & kSelectionDisabled) || index < 0 || index >= GetSize()) return result;
    if (!IsMultiple()) {
        if (m_current == index) return result;
        result = {true, true, m_current, index};
        m_current = index;
        m_count = 1;
        return result;
    }
    const int anchor = std::max(m_current, 0);
    if (shift && ctrl) {
        m_count += SetBits(anchor, index);
        result.changed = true;
    } else if (shift) {
        ClearBits();
        SetBits(anchor, index);
        m_current = index;
        m_count = std::abs(anchor - index) + 1;
        result.changed = true;
    } else if (ctrl) {
        if (m_count == 1 && m_bits[index] && !(m_flags & kSelectionCtrlClearsLast)) return result;
        m_bits[index] = !m_bits[index];
        m_count += m_bits[index] ? 1 : -1;
        m_current = index;
        result = {true, true, index, -1};
    } else {
        result.changed = m_count >= 2 || !m_bits[index];
        result.simple = m_count < 2;
        result.oldIndex = GetFirstSelected();
        result.newIndex = index;
        ClearBits();
        m_bits[index] = true;
        m_current = index;
        m_count = 1;
    }
    return result;
}

}  // namespace wendaldui
