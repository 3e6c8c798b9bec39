// The theme palette: 123 ARGB colours derived from one theme colour, and the
// "over" composition the skin and the controls blend colours with.
#pragma once

#include <cstdint>

namespace wendaldui {

constexpr int kPaletteSize = 123;

// The theme colour in the three models the palette needs. The HSV hue is the
// HSL hue, so a grey theme still carries the hue it was chosen with.
struct ThemeColor {
    double rgb[3];
    double hsl[3];
    double hsv[3];
};

// Hue 360 counts as 359.999999 (the conversions clamp every input).
ThemeColor MakeThemeColor(const double hsl[3]);

void BuildPalette(const ThemeColor& theme, uint32_t palette[kPaletteSize]);

// top over bottom, both 0xAARRGGBB with straight alpha; two fully transparent
// colours give transparent black.
uint32_t AlphaComposite(uint32_t top, uint32_t bottom);

}  // namespace wendaldui
