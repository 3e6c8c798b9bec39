// Easing functions for tweens: f(t, b, c, d) with t the elapsed time, b the
// begin value, c the change and d the duration; all in single precision.
#pragma once

namespace wendaldui {

typedef float (*EasingFunction)(float t, float b, float c, float d);

enum EasingId {
    kEaseLinear = 1,
    kEaseInQuad = 2,
    kEaseOutQuad = 3,
    kEaseInOutQuad = 4,
    kEaseInCubic = 5,
    kEaseOutCubic = 6,
    kEaseInOutCubic = 7,
    kEaseInQuart = 8,
    kEaseOutQuart = 9,
    kEaseInOutQuart = 10,
    kEaseInQuint = 11,
    kEaseOutQuint = 12,
    kEaseInOutQuint = 13,
    kEaseInExpo = 14,
    kEaseOutExpo = 15,
    kEaseInOutExpo = 16,
    kEaseInSine = 17,
    kEaseOutSine = 18,
    kEaseInOutSine = 19,
    kEaseInCirc = 20,
    kEaseOutCirc = 21,
    kEaseInOutCirc = 22,
};

// Any id outside 2..22 (1 included) gives the linear function.
EasingFunction GetEasingFunction(int id);

}  // namespace wendaldui
