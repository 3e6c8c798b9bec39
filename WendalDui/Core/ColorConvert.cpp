#include "WendalDui/Core/ColorConvert.h"

#include <algorithm>
#include <cmath>

namespace wendaldui {
namespace {

double Unit(double v) {
    // NaN compares false everywhere; treat it as 0 rather than let it spread.
    if (!(v > 0.0)) return 0.0;
    return v > 1.0 ? 1.0 : v;
}

double Hue(double h) {
    if (!(h > 0.0)) return 0.0;
    return h > kMaxHue ? kMaxHue : h;
}

// Hue shared by the HSL and HSV forms; d = max - min > 0.
double HueOf(double r, double g, double b, double max, double d) {
    double h;
    if (max == r) {
        h = 60.0 * (g - b) / d;
        if (h < 0.0) h += 360.0;
    } else if (max == g) {
        h = 60.0 * (b - r) / d + 120.0;
    } else {
        h = 60.0 * (r - g) / d + 240.0;
    }
    return Hue(h);
}

// The clamped channels with their extremes, shared by the HSL and HSV forms.
struct Extremes {
    double r, g, b, max, min;
    Extremes(double red, double green, double blue) : r(Unit(red)), g(Unit(green)), b(Unit(blue)) {
        max = std::max(r, std::max(g, b));
        min = std::min(r, std::min(g, b));
    }
    double Hue() const { return max == min ? 0.0 : HueOf(r, g, b, max, max - min); }
};

double HueChannel(double p, double q, double t) {
    if (t < 0.0) t += 1.0;
    if (t > 1.0) t -= 1.0;
    if (t < 1.0 / 6.0) return p + (q - p) * 6.0 * t;
    if (t < 0.5) return q;
    if (t < 2.0 / 3.0) return p + (q - p) * 6.0 * (2.0 / 3.0 - t);
    return p;
}

}  // namespace

void RgbToHsl(double r, double g, double b, double& h, double& s, double& l) {
    const Extremes c(r, g, b);
    const double d = c.max - c.min;
    l = Unit((c.max + c.min) / 2.0);
    s = d == 0.0 ? 0.0 : Unit(l <= 0.5 ? d / (2.0 * l) : d / (2.0 - 2.0 * l));
    h = c.Hue();
}

void HslToRgb(double h, double s, double l, double& r, double& g, double& b) {
    h = Hue(h);
    s = Unit(s);
    l = Unit(l);
    if (s == 0.0) {
        r = g = b = l;
        return;
    }
    const double q = l < 0.5 ? l * (1.0 + s) : l + s - l * s;
    const double p = 2.0 * l - q;
    const double t = h / 360.0;
    r = Unit(HueChannel(p, q, t + 1.0 / 3.0));
    g = Unit(HueChannel(p, q, t));
    b = Unit(HueChannel(p, q, t - 1.0 / 3.0));
}

void HslToRgb(float h, float s, float l, float& r, float& g, float& b) {
    double dr, dg, db;
    HslToRgb(static_cast<double>(h), static_cast<double>(s), static_cast<double>(l), dr, dg, db);
    r = static_cast<float>(dr);
    g = static_cast<float>(dg);
    b = static_cast<float>(db);
}

void RgbToHsv(double r, double g, double b, double& h, double& s, double& v) {
    const Extremes c(r, g, b);
    v = c.max;
    s = c.max == 0.0 ? 0.0 : Unit(1.0 - c.min / c.max);
    h = c.Hue();
}

void HsvToRgb(double h, double s, double v, double& r, double& g, double& b) {
    h = Hue(h);
    s = Unit(s);
    v = Unit(v);
    const double sector = std::floor(h / 60.0);
    const int i = static_cast<int>(sector) % 6;
    const double f = h / 60.0 - sector;
    const double p = v * (1.0 - s);
    const double q = v * (1.0 - s * f);
    const double t = v * (1.0 - s * (1.0 - f));
    switch (i) {
        case 0: r = v; g = t; b = p; break;
        case 1: r = q; g = v; b = p; break;
        case 2: r = p; g = v; b = t; break;
        case 3: r = p; g = q; b = v; break;
        case 4: r = t; g = p; b = v; break;
        default: r = v; g = p; b = q; break;
    }
    r = Unit(r);
    g = Unit(g);
    b = Unit(b);
}

void ArgbToHsl(uint32_t argb, float hsl[3]) {
    double h, s, l;
    RgbToHsl(((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
             h, s, l);
    hsl[0] = static_cast<float>(h);
    hsl[1] = static_cast<float>(s);
    hsl[2] = static_cast<float>(l);
}

void HslToDoubles(const float hsl[3], double out[3]) {
    for (int i = 0; i < 3; ++i) out[i] = hsl[i];
}

uint8_t ChannelToByte(double value) {
    return static_cast<uint8_t>(std::lround(Unit(value) * 255.0));
}

uint32_t MakeArgb(uint8_t alpha, double r, double g, double b) {
    return (static_cast<uint32_t>(alpha) << 24) | (static_cast<uint32_t>(ChannelToByte(r)) << 16) |
           (static_cast<uint32_t>(ChannelToByte(g)) << 8) | ChannelToByte(b);
}

}  // namespace wendaldui
