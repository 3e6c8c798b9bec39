// A scroll bar: an arrow button at each end and the track with its thumb
// between them. Its requests reach the owner as event 277 (vertical) or 276
// (horizontal) with an SB_ code in the low word of p1 and, for the thumb
// codes, the position in the high word; the bar is the sender.
#pragma once

#include <algorithm>
#include <cstdint>

#include "WendalDui/Control/UIContainer.h"

namespace wendaldui {

// The bar lies horizontally.
constexpr uint32_t kScrollBarHorizontal = 0x10000;

namespace internal {
class CUIScrollBarBody;
// Never std::clamp for scroll ranges: content shorter than a page gives
// hi < lo, and then lo wins.
inline int64_t ClampScroll(int64_t value, int64_t lo, int64_t hi) { return std::max(lo, std::min(value, hi)); }
}  // namespace internal

class CUIScrollBar : public CUIContainer {
public:
    static constexpr int kFirstButtonId = 0;
    static constexpr int kBodyId = 1;
    static constexpr int kSecondButtonId = 2;

    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    void OnCreate(void* arg) override;
    void OnSize(int width, int height) override;

    bool IsHorizontal() const { return (m_flags & kScrollBarHorizontal) != 0; }
    internal::CUIScrollBarBody* GetBody() const;
    // The thumb's range, page and position, as the body keeps them; true
    // (and the body repainted) when something changed.
    bool SetScrollRange(int min, int max, int page);
    bool SetScrollPos(int pos);
    int GetScrollPos() const;

    // Raises the bar's event with an SB_ code and, for the thumb codes, the position.
    void SendRequest(int code, int pos = 0);

private:
    // Rects of the first button, the body and the second button, in that order.
    void Layout(int width, int height, UIRect rects[3]) const;
};

}  // namespace wendaldui
