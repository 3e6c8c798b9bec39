// Tweens: the value at each tick in every mode, and the ends.
#include <gtest/gtest.h>

#include <vector>

#include "WendalDui/Utils/Tween.h"

namespace {

using wendaldui::ARGB;
using wendaldui::CTween;
using wendaldui::UIRect;

// The value before the first tick and after each of the next `ticks`.
template <typename T>
std::vector<T> Animate(int mode, int easing, T from, T to, int frames, int ticks) {
    CTween<T> t;
    t.SetMode(mode);
    t.SetEasing(easing);
    t.Start(from, to, frames);
    std::vector<T> values{t.GetValue()};
    for (int i = 0; i < ticks; ++i) {
        t.Step();
        values.push_back(t.GetValue());
    }
    return values;
}

TEST(Tween, ValuesTickByTickInEachMode) {
    struct {
        int mode, easing, frames;
        std::vector<int> values;
    } cases[] = {
        {1, 1, 5, {0, 25, 50, 75, 100, 100, 100}},  // once: holds its end
        {2, 1, 5, {0, 50, 100, 50, 0, 0}},          // there and back: the last frame is `from`
        {3, 1, 5, {0, 25, 50, 75, 100, 0, 25}},     // loop: the last frame shows `to`, then over
        {4, 1, 5, {0, 50, 100, 50, 0, 0, 50}},
        {1, 3, 5, {0, 43, 75, 93, 100}},  // quadratic out shapes the way, not the ends
        {1, 23, 3, {0, 50, 100}},         // unknown easing id: linear
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.values, Animate(c.mode, c.easing, 0, 100, c.frames, static_cast<int>(c.values.size()) - 1))
            << "mode " << c.mode << ", easing " << c.easing;
    }
}

// One frame leaves no span to divide by (0 / 0 in the loop modes): every mode
// shows its end value at once and after a tick, whatever the type and easing.
template <typename T>
void ExpectEndValueWithOneFrame(T from, T to) {
    for (int mode = 1; mode <= 4; ++mode) {
        for (int easing : {1, 20, 22}) {
            for (int frames : {1, 0, -5}) {
                const T end = mode == 2 ? from : to;  // there and back ends where it began
                EXPECT_EQ(std::vector<T>({end, end}), Animate(mode, easing, from, to, frames, 1))
                    << "mode " << mode << ", easing " << easing << ", frames " << frames;
            }
        }
    }
}

TEST(Tween, OneFrameShowsTheEndValueInEveryMode) {
    ExpectEndValueWithOneFrame(-7, 9);
    ExpectEndValueWithOneFrame(0.25f, 0.75f);
    ExpectEndValueWithOneFrame(UIRect(1, 2, 3, 4), UIRect(5, 6, 7, 8));
    ExpectEndValueWithOneFrame<ARGB>(0x11223344u, 0xAABBCCDDu);
}

TEST(Tween, EachValueTypeMovesFieldByField) {
    EXPECT_EQ(-1, Animate(1, 1, 0, -3, 3, 1)[1]) << "-1.5 truncates toward zero";
    EXPECT_EQ(UIRect(50, -25, 20, 4), Animate(1, 1, UIRect(0, 0, 10, 10), UIRect(101, -51, 30, -1), 3, 1)[1]);
    EXPECT_FLOAT_EQ(1.25f, Animate(1, 1, 1.0f, 2.0f, 5, 1)[1]);
    struct {
        ARGB from, to, half;
    } colours[] = {
        {0x00000000u, 0xFFFFFFFFu, 0x7F7F7F7Fu},
        {0xFFFFFFFFu, 0x00000000u, 0x7F7F7F7Fu},  // falling channels borrow nothing from their neighbours
        {0xFF000000u, 0x00FF0000u, 0x7F7F0000u},
    };
    for (const auto& c : colours) {
        EXPECT_EQ(std::vector<ARGB>({c.from, c.half, c.to}), Animate(1, 1, c.from, c.to, 3, 2)) << std::hex << c.from;
    }
}

// Single precision throughout: a linear 0..n-1 tween over n frames shows the
// frame number at every frame for these n. Extended-precision intermediates
// (the x87 unit) truncate some of them to one less.
TEST(Tween, LinearFramesLandOnWholeValues) {
    for (int frames = 2; frames <= 22; ++frames) {
        std::vector<int> expected;
        for (int i = 0; i < frames; ++i) expected.push_back(i);
        EXPECT_EQ(expected, Animate(3, 1, 0, frames - 1, frames, frames - 1)) << frames;
    }
}

}  // namespace
