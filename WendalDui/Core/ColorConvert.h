// Colour arithmetic shared by the skin, the settings and the colour pickers.
// Channels, saturation, lightness and value are doubles in [0, 1], hue is in
// degrees in [0, 359.999999]; every input and output is clamped to those
// ranges. An ARGB colour is 0xAARRGGBB.
#pragma once

#include <cstdint>

namespace wendaldui {

constexpr double kMaxHue = 359.999999;

void RgbToHsl(double r, double g, double b, double& h, double& s, double& l);
void HslToRgb(double h, double s, double l, double& r, double& g, double& b);
void HslToRgb(float h, float s, float l, float& r, float& g, float& b);
void RgbToHsv(double r, double g, double b, double& h, double& s, double& v);
void HsvToRgb(double h, double s, double v, double& r, double& g, double& b);

// Hue, saturation and lightness of the colour's RGB (alpha is ignored).
void ArgbToHsl(uint32_t argb, float hsl[3]);
void HslToDoubles(const float hsl[3], double out[3]);

// A [0, 1] channel as a byte, rounded to nearest: truncating would pull most
// colours one step darker on every RGB -> HSL -> RGB round trip.
uint8_t ChannelToByte(double value);

// 0xAARRGGBB from an alpha byte and [0, 1] channels.
uint32_t MakeArgb(uint8_t alpha, double r, double g, double b);

// The GDI colour (0x00BBGGRR) of an ARGB colour; alpha is dropped.
inline uint32_t ArgbToColorRef(uint32_t argb) {
    return ((argb >> 16) & 0xFF) | (argb & 0xFF00) | ((argb & 0xFF) << 16);
}

}  // namespace wendaldui
