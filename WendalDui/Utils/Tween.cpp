#include "WendalDui/Utils/Tween.h"

#include <cmath>

namespace wendaldui {
namespace tween_internal {

namespace {

// Truncates toward zero; a value beyond the int range (or NaN) would be
// undefined to convert, so it is pinned to the nearest limit (NaN to 0).
int TruncateToInt(float v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483648.0f) return INT32_MAX;
    if (v <= -2147483648.0f) return INT32_MIN;
    return static_cast<int>(v);
}

int Channel(ARGB colour, int shift) { return static_cast<int>((colour >> shift) & 0xFFu); }

}  // namespace

float EasedProgress(EasingFunction easing, int mode, int frame, int frames) {
    float p = static_cast<float>(frame) / static_cast<float>(frames - 1);
    // A loop whose frame count was lowered under a running frame would
    // otherwise overshoot its end (and the circular easings would take the
    // root of a negative number).
    if (p > 1.0f) p = 1.0f;
    if (p < 0.0f) p = 0.0f;
    if (mode == kTweenThereAndBack || mode == kTweenLoopThereAndBack) p = p > 0.5f ? 2.0f - 2.0f * p : 2.0f * p;
    return easing(p, 0.0f, 1.0f, 1.0f);
}

int Interpolate(int from, int to, float e) {
    const float f = static_cast<float>(from);
    return TruncateToInt(f + (static_cast<float>(to) - f) * e);
}

float Interpolate(float from, float to, float e) { return from + (to - from) * e; }

UIRect Interpolate(const UIRect& from, const UIRect& to, float e) {
    return UIRect(Interpolate(from.x, to.x, e), Interpolate(from.y, to.y, e), Interpolate(from.width, to.width, e),
                  Interpolate(from.height, to.height, e));
}

ARGB Interpolate(ARGB from, ARGB to, float e) {
    ARGB result = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const float f = static_cast<float>(Channel(from, shift)) / 255.0f;
        const float t = static_cast<float>(Channel(to, shift)) / 255.0f;
        int c = TruncateToInt(((t - f) * e + f) * 255.0f);
        // Keeps one channel from spilling into the next.
        c = c < 0 ? 0 : (c > 255 ? 255 : c);
        result |= static_cast<ARGB>(c) << shift;
    }
    return result;
}

}  // namespace tween_internal
}  // namespace wendaldui
