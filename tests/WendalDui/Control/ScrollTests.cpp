// Scroll bars and scroll containers: the thumb geometry and drag mapping as
// tables, then real windows driven by mouse messages and timers. Sizes are in
// pixels; bar thickness and minimum thumb follow the DPI of the run.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>

#include "WendalDui/Control/UIScrollBarBody.h"

namespace {

using namespace wendaldui;
using internal::CUIScrollBarBody;

TEST(ScrollGeometry, ThumbSpansAndTheMinimumLength) {
    struct Case {
        int length, min, max, page, pos;
        bool thumb;
        int start, end;
        const char* rule;
    } cases[] = {
        {100, 0, 1000, 200, 0, true, 0, 20, "natural length at the top"},
        {100, 0, 1000, 200, 800, true, 80, 100, "natural length at the end"},
        {100, 0, 10000, 200, 0, true, 0, 20, "short thumb drawn at the minimum"},
        {100, 0, 10000, 200, 4900, true, 40, 60, "minimum thumb travels length - minimum"},
        {100, 0, 10000, 200, 9800, true, 80, 100, "minimum thumb ends at the track's end"},
        {1000, 0, 100000000, 50000000, 40000000, true, 400, 900, "64-bit products"},
        {100, 100, 1100, 200, 900, true, 80, 100, "measured from min"},
        {100, 0, 100, 100, 0, false, 0, 0, "page covers the range"},
        {100, 0, 0, 0, 0, false, 0, 0, "empty range"},
        {20, 0, 1000, 100, 500, true, 0, 20, "track as long as the minimum: all thumb"},
        {10, 0, 1000, 100, 500, true, 0, 10, "track shorter than the minimum: all thumb, never backwards"},
    };
    for (const Case& c : cases) {
        int start = -1, end = -1;
        EXPECT_EQ(c.thumb, CUIScrollBarBody::CalcThumb(c.length, c.min, c.max, c.page, c.pos, 20, start, end))
            << c.rule;
        EXPECT_EQ(c.start, start) << c.rule;
        EXPECT_EQ(c.end, end) << c.rule;
    }
}

TEST(ScrollGeometry, DragMapsOverTheTrackAndSnaps) {
    struct Case {
        int length, min, max, page, startPos, distance, snap, expected;
        const char* rule;
    } cases[] = {
        {100, 0, 1000, 200, 0, 10, 1, 100, "natural thumb: range per track pixel"},
        {100, 0, 1000, 200, 0, 3, 24, 24, "snap rounds 30 to 24"},
        {100, 0, 1000, 200, 0, 5, 24, 48, "snap rounds 50 to 48"},
        {100, 10, 1010, 200, 10, 3, 24, 34, "snap counts from min"},
        {100, 0, 1000, 200, 0, 1000, 1, 800, "kept at max - page"},
        {100, 0, 1000, 200, 100, -50, 1, 0, "kept at min"},
        {100, 0, 10000, 200, 0, 8, 1, 980, "minimum thumb maps length - minimum"},
        {1000, 0, 100000000, 50000000, 0, 100, 1, 10000000, "64-bit products"},
        {20, 0, 1000, 100, 500, 5, 1, 500, "track as long as the minimum: no division by zero"},
        {10, 0, 1000, 100, 500, 5, 1, 500, "track shorter than the minimum does not drag"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, CUIScrollBarBody::CalcDragPos(c.length, c.min, c.max, c.page, c.startPos, c.distance,
                                                            c.snap, 20))
            << c.rule;
    }
}

}  // namespace
