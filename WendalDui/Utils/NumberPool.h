// Hands out the window-wide ids of control timers. Ids come from a range no
// window's own SetTimer uses, so WM_TIMER can tell the two apart.
#pragma once

#include <cstdint>
#include <deque>

#include "WendalDui/Core/dui_exception.h"

namespace wendaldui {

class NumberPoolT {
public:
    static constexpr uint32_t kFirst = 0xFFFF0000u;
    static constexpr uint32_t kLast = 0xFFFFFFFFu;
    static constexpr uint32_t kCapacity = 0x10000u;

    NumberPoolT() { m_free.push_back({kFirst, kLast}); }

    // Upward from kFirst; released numbers come back only once that first
    // range is used up. Throws when every number is in use.
    uint32_t AllocateNumber() {
        if (m_used >= kCapacity || m_free.empty()) {
            throw dui_exception(0, 100, "NumberPoolT allocate failure", "NumberPool.h", "AllocateNumber");
        }
        Range& first = m_free.front();
        const uint32_t n = first.low;
        if (first.low == first.high) {
            m_free.pop_front();
        } else {
            ++first.low;
        }
        ++m_used;
        return n;
    }

    // Ranges are not merged: a released number waits at the end of the list.
    bool ReleaseNumber(uint32_t n) {
        m_free.push_back({n, n});
        if (m_used > 0) --m_used;
        return true;
    }

    uint32_t InUse() const { return m_used; }

private:
    struct Range {
        uint32_t low;
        uint32_t high;
    };
    std::deque<Range> m_free;
    uint32_t m_used = 0;
};

}  // namespace wendaldui
