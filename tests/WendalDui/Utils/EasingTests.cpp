// The 22 easing curves, sampled where a swapped or mistyped formula shows.
#include <gtest/gtest.h>

#include <cmath>

#include "WendalDui/Utils/Easing.h"

namespace {

using wendaldui::GetEasingFunction;

// b = 10, c = 20, d = 2 throughout, so that b, c and d all have to be used.
struct Sample {
    int id;
    float t;
    float expected;
};

const Sample kSamples[] = {
    // Start and end of the non-exponential kinds.
    {1, 0, 10}, {1, 2, 30}, {2, 0, 10}, {2, 2, 30}, {3, 0, 10}, {3, 2, 30}, {4, 0, 10}, {4, 2, 30},
    {5, 0, 10}, {5, 2, 30}, {6, 0, 10}, {6, 2, 30}, {7, 0, 10}, {7, 2, 30}, {8, 0, 10}, {8, 2, 30},
    {9, 0, 10}, {9, 2, 30}, {10, 0, 10}, {10, 2, 30}, {11, 0, 10}, {11, 2, 30}, {12, 0, 10}, {12, 2, 30},
    {13, 0, 10}, {13, 2, 30}, {17, 0, 10}, {17, 2, 30}, {18, 0, 10}, {18, 2, 30}, {19, 0, 10}, {19, 2, 30},
    {20, 0, 10}, {20, 2, 30}, {21, 0, 10}, {21, 2, 30}, {22, 0, 10}, {22, 2, 30},
    // The exponential kinds are not clamped at the ends.
    {14, 0, 10 + 20 / 1024.0f}, {14, 2, 30},
    {15, 0, 10}, {15, 2, 30 - 20 / 1024.0f},
    {16, 0, 10 + 10 / 1024.0f}, {16, 2, 30 - 10 / 1024.0f},
    // Half-way: tells in from out.
    {1, 1, 20}, {2, 1, 15}, {3, 1, 25}, {5, 1, 12.5f}, {6, 1, 27.5f}, {8, 1, 11.25f}, {9, 1, 28.75f},
    {11, 1, 10.625f}, {12, 1, 29.375f}, {14, 1, 10.625f}, {15, 1, 29.375f},
    {17, 1, 15.857864f}, {18, 1, 24.142136f}, {20, 1, 12.679492f}, {21, 1, 27.320508f},
    // The in-out kinds at a quarter, half and three quarters: both branches.
    {4, 0.5f, 12.5f}, {4, 1, 20}, {4, 1.5f, 27.5f},
    {7, 0.5f, 11.25f}, {7, 1, 20}, {7, 1.5f, 28.75f},
    {10, 0.5f, 10.625f}, {10, 1, 20}, {10, 1.5f, 29.375f},
    {13, 0.5f, 10.3125f}, {13, 1, 20}, {13, 1.5f, 29.6875f},
    {16, 0.5f, 10.3125f}, {16, 1, 20}, {16, 1.5f, 29.6875f},
    {19, 0.5f, 12.928932f}, {19, 1, 20}, {19, 1.5f, 27.071068f},
    {22, 0.5f, 11.339746f}, {22, 1, 20}, {22, 1.5f, 28.660254f},
};

TEST(Easing, CurvesMatchTheirFormulas) {
    for (const Sample& s : kSamples) {
        const float value = GetEasingFunction(s.id)(s.t, 10, 20, 2);
        EXPECT_NEAR(s.expected, value, 1e-4) << "id " << s.id << " at t = " << s.t;
    }
}

TEST(Easing, IdsOutsideTheTableAreLinear) {
    const wendaldui::EasingFunction linear = GetEasingFunction(1);
    for (int id : {0, 1, 23, -1, 1000}) {
        EXPECT_EQ(linear, GetEasingFunction(id)) << id;
        EXPECT_FLOAT_EQ(17.5f, GetEasingFunction(id)(0.75f, 10, 10, 1)) << id;
    }
    for (int id = 2; id <= 22; ++id) EXPECT_NE(linear, GetEasingFunction(id)) << id;
}

TEST(Easing, ZeroDurationCountsAsFinishedRatherThanNaN) {
    for (int id = 1; id <= 22; ++id) {
        const float value = GetEasingFunction(id)(0, 10, 20, 0);
        EXPECT_TRUE(std::isfinite(value)) << id;
        EXPECT_NEAR(30, value, 0.02) << id;
    }
}

}  // namespace
