// Rectangle algebra: half-open areas, the empty rect, and edges near the
// int32 limits.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

#include "WendalDui/Utils/UIRect.h"

namespace wendaldui {
void PrintTo(const UIRect& r, std::ostream* os) {
    *os << "(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ")";
}
}  // namespace wendaldui

namespace {

using testing::PrintToString;
using wendaldui::UIRect;

const UIRect kEmpty;  // (0, 0, -1, -1)

TEST(UIRect, PointsAreInsideOnlyBeforeTheRightAndBottomEdges) {
    struct {
        UIRect rect;
        int32_t x, y;
        bool inside;
    } cases[] = {
        {UIRect(0, 0, 10, 10), 9, 9, true},
        {UIRect(0, 0, 10, 10), 10, 0, false},
        {UIRect(0, 0, 10, 10), 0, 10, false},
        {UIRect(3, 3, 0, 0), 3, 3, false},  // zero size covers no point
        {kEmpty, 0, 0, false},
        {UIRect(INT32_MAX - 5, 0, 10, 10), INT32_MAX, 5, true},  // the right edge lies past INT32_MAX
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.inside, c.rect.PtInRect(c.x, c.y)) << PrintToString(c.rect) << " " << c.x << "," << c.y;
    }
}

TEST(UIRect, IntersectionOfHalfOpenAreas) {
    const UIRect kUntouched(7, 7, -1, -1);  // out's position stays, its size becomes -1
    struct {
        UIRect a, b, out;
    } cases[] = {
        {UIRect(0, 0, 10, 10), UIRect(5, 5, 10, 10), UIRect(5, 5, 5, 5)},
        {UIRect(0, 0, 10, 10), UIRect(10, 0, 5, 5), kUntouched},  // edges only touch
        {UIRect(0, 0, 10, 10), UIRect(5, 5, 0, 0), kUntouched},
        {UIRect(0, 0, 10, 10), kEmpty, kUntouched},
        {kEmpty, UIRect(-5, -5, 10, 10), kUntouched},
        {UIRect(INT32_MAX - 5, 0, 10, 10), UIRect(INT32_MAX - 1, 0, 10, 10), UIRect(INT32_MAX - 1, 0, 6, 10)},
    };
    for (const auto& c : cases) {
        UIRect out(7, 7, 7, 7);
        const bool overlap = !(c.out == kUntouched);
        EXPECT_EQ(overlap, c.a.Intersect(c.b, out)) << PrintToString(c.a) << PrintToString(c.b);
        EXPECT_EQ(c.out, out) << PrintToString(c.a) << PrintToString(c.b);
        EXPECT_EQ(overlap, c.b.Intersects(c.a)) << PrintToString(c.a) << PrintToString(c.b);
    }
}

TEST(UIRect, UnionContainsInflateOffset) {
    struct {
        UIRect a, b, both;
    } unions[] = {
        {UIRect(0, 0, 2, 2), UIRect(5, 6, 2, 2), UIRect(0, 0, 7, 8)},
        {kEmpty, UIRect(5, 5, 2, 2), UIRect(5, 5, 2, 2)},
        {UIRect(5, 5, 2, 2), kEmpty, UIRect(5, 5, 2, 2)},
    };
    for (const auto& c : unions) {
        UIRect r = c.a;
        r.Union(c.b);
        EXPECT_EQ(c.both, r) << PrintToString(c.a) << PrintToString(c.b);
    }

    const UIRect r(0, 0, 10, 10);
    EXPECT_TRUE(r.Contains(r));
    EXPECT_FALSE(r.Contains(UIRect(2, 2, 9, 8)));
    EXPECT_FALSE(r.Contains(kEmpty));

    EXPECT_EQ(UIRect(8, 8, 12, 12), UIRect(10, 10, 8, 8).Inflate(2));
    EXPECT_EQ(UIRect(10, 10, 0, 0), UIRect(0, 0, 8, 8).Inflate(-10)) << "sizes clamp at 0";
    EXPECT_EQ(UIRect(9, 13, 10, 2), UIRect(10, 10, 8, 8).InflateXY(1, -3));
    EXPECT_EQ(kEmpty, kEmpty.Inflate(5)) << "an empty rect has no place to grow from";
    EXPECT_EQ(UIRect(0, 12, 3, 4), UIRect(1, 2, 3, 4).Offset(-1, 10));
    EXPECT_EQ(UIRect(3, 3, -1, -1), UIRect(3, 3, -1, -1).Offset(5, 5));
}

}  // namespace
