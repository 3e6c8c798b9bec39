// The colour dialog's value fields: what their text means and what they show.
// The decimal fields hold one channel each; the hex field holds the whole
// colour.
#pragma once

#include <cstdint>

namespace wendaldui {

// A channel typed in a decimal field: one or more digits and nothing else,
// 0 to 255. Anything else ("", "300", "-5", "+5", "1a") is refused, so a field
// cleared to type a new number does not turn its channel black on the way.
bool ParseDecimalChannel(const wchar_t* text, uint8_t& value);

// The hex field: an optional leading '#', then one or more hex digits and
// nothing else, up to 0xFFFFFFFF; rgb receives the low 24 bits (0x00RRGGBB).
// The digits are a number, not the CSS shorthand: "#fff" is 0x000FFF (blue
// 0xFF, green 0x0F), as the field shows it back. "", "#", "#zz" and "12 3"
// are refused, so half-typed text never reaches the colour.
bool ParseHexColor(const wchar_t* text, uint32_t& rgb);

// The red, green and blue bytes the fields show for an HSL colour (hue in
// degrees, saturation and lightness in [0, 1], the order ArgbToHsl fills),
// rounded to nearest so that typed bytes survive the trip through HSL.
void HslToFieldBytes(const float hsl[3], uint8_t rgb[3]);

}  // namespace wendaldui
