#include "WendalDui/Utils/Easing.h"

#include <cmath>

namespace wendaldui {

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kPi = 3.1415927f;

// Share of the duration elapsed; a duration of 0 counts as already over
// instead of dividing 0 by 0.
float Progress(float t, float d) { return d > 0.0f ? t / d : 1.0f; }

float Pow2(float x) { return std::pow(2.0f, x); }

float Linear(float t, float b, float c, float d) { return c * Progress(t, d) + b; }

float InQuad(float t, float b, float c, float d) {
    const float u = Progress(t, d);
    return c * u * u + b;
}
float OutQuad(float t, float b, float c, float d) {
    const float u = Progress(t, d);
    return b - c * u * (u - 2.0f);
}
float InOutQuad(float t, float b, float c, float d) {
    const float v = 2.0f * Progress(t, d);
    if (v < 1.0f) return c / 2.0f * v * v + b;
    return b - c / 2.0f * ((v - 1.0f) * (v - 3.0f) - 1.0f);
}

float InCubic(float t, float b, float c, float d) {
    const float u = Progress(t, d);
    return c * u * u * u + b;
}
float OutCubic(float t, float b, float c, float d) {
    const float w = Progress(t, d) - 1.0f;
    return c * (w * w * w + 1.0f) + b;
}
float InOutCubic(float t, float b, float c, float d) {
    const float v = 2.0f * Progress(t, d);
    if (v < 1.0f) return c / 2.0f * v * v * v + b;
    const float w = v - 2.0f;
    return c / 2.0f * (w * w * w + 2.0f) + b;
}

float InQuart(float t, float b, float c, float d) {
    const float u = Progress(t, d);
    return c * u * u * u * u + b;
}
float OutQuart(float t, float b, float c, float d) {
    const float w = Progress(t, d) - 1.0f;
    return b - c * (w * w * w * w - 1.0f);
}
float InOutQuart(float t, float b, float c, float d) {
    const float v = 2.0f * Progress(t, d);
    if (v < 1.0f) return c / 2.0f * v * v * v * v + b;
    const float w = v - 2.0f;
    return b - c / 2.0f * (w * w * w * w - 2.0f);
}

float InQuint(float t, float b, float c, float d) {
    const float u = Progress(t, d);
    return c * u * u * u * u * u + b;
}
float OutQuint(float t, float b, float c, float d) {
    const float w = Progress(t, d) - 1.0f;
    return c * (w * w * w * w * w + 1.0f) + b;
}
float InOutQuint(float t, float b, float c, float d) {
    const float v = 2.0f * Progress(t, d);
    if (v < 1.0f) return c / 2.0f * v * v * v * v * v + b;
    const float w = v - 2.0f;
    return c / 2.0f * (w * w * w * w * w + 2.0f) + b;
}

// Not clamped at the ends: exponential-in starts at b + c * 2^-10.
float InExpo(float t, float b, float c, float d) { return c * Pow2(10.0f * (Progress(t, d) - 1.0f)) + b; }
float OutExpo(float t, float b, float c, float d) { return c * (1.0f - Pow2(-10.0f * Progress(t, d))) + b; }
float InOutExpo(float t, float b, float c, float d) {
    const float v = 2.0f * Progress(t, d);
    if (v < 1.0f) return c / 2.0f * Pow2(10.0f * (v - 1.0f)) + b;
    return c / 2.0f * (2.0f - Pow2(-10.0f * (v - 1.0f))) + b;
}

float InSine(float t, float b, float c, float d) {
    return c - c * std::cos(Progress(t, d) * kHalfPi) + b;
}
float OutSine(float t, float b, float c, float d) { return c * std::sin(Progress(t, d) * kHalfPi) + b; }
float InOutSine(float t, float b, float c, float d) {
    return b - c / 2.0f * (std::cos(kPi * Progress(t, d)) - 1.0f);
}

float InCirc(float t, float b, float c, float d) {
    const float u = Progress(t, d);
    return b - c * (std::sqrt(1.0f - u * u) - 1.0f);
}
float OutCirc(float t, float b, float c, float d) {
    const float w = Progress(t, d) - 1.0f;
    return c * std::sqrt(1.0f - w * w) + b;
}
float InOutCirc(float t, float b, float c, float d) {
    const float v = 2.0f * Progress(t, d);
    if (v < 1.0f) return b - c / 2.0f * (std::sqrt(1.0f - v * v) - 1.0f);
    const float w = v - 2.0f;
    return c / 2.0f * (std::sqrt(1.0f - w * w) + 1.0f) + b;
}

// Indexed by id - 1.
constexpr EasingFunction kEasings[] = {
    Linear,                                // 1
    InQuad,    OutQuad,    InOutQuad,      // 2-4
    InCubic,   OutCubic,   InOutCubic,     // 5-7
    InQuart,   OutQuart,   InOutQuart,     // 8-10
    InQuint,   OutQuint,   InOutQuint,     // 11-13
    InExpo,    OutExpo,    InOutExpo,      // 14-16
    InSine,    OutSine,    InOutSine,      // 17-19
    InCirc,    OutCirc,    InOutCirc,      // 20-22
};
static_assert(sizeof(kEasings) / sizeof(kEasings[0]) == kEaseInOutCirc, "one entry per easing id");

}  // namespace

EasingFunction GetEasingFunction(int id) {
    constexpr int count = static_cast<int>(sizeof(kEasings) / sizeof(kEasings[0]));
    if (id < 1 || id > count) return Linear;
    return kEasings[id - 1];
}

}  // namespace wendaldui
