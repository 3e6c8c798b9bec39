// The record an event delegate receives, and the event ids that the
// framework's controls raise.
#pragma once

#include <cstdint>

namespace wendaldui {

class CUIControl;

struct EventData {
    uint32_t p1 = 0;  // meaning set by the event: item index, scroll-bar code, ...
    uint32_t p2 = 0;  // 0 where the event has none
    CUIControl* sender = nullptr;
    int32_t id = 0;
};

// Button, check box (p1 = new checked value), link, list box (p1 = item),
// combo box; an editable combo box also raises it when the user edits the text.
constexpr int32_t kEventClick = 0;
// List box, list control, combo box: p1 = the new index. CUIContainer2 raises
// the same id when resized (p1 = width, p2 = height).
constexpr int32_t kEventSelectionChanged = 1;
// The rich edit's own notifications.
constexpr int32_t kEventRichEditSelectionChanged = 2;
constexpr int32_t kEventRichEditEnter = 3;
constexpr int32_t kEventRichEditScrolled = 4;
// Scroll bars reuse the window messages' numbers (WM_HSCROLL, WM_VSCROLL):
// p1 = the SB_ code in the low word, the thumb position in the high word.
constexpr int32_t kEventHScroll = 276;
constexpr int32_t kEventVScroll = 277;
constexpr int32_t kEventKillFocus = -255;
constexpr int32_t kEventSetFocus = -256;

}  // namespace wendaldui
