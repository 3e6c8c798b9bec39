// The colour dialog's value fields: what their text means and what they show.
// The decimal fields hold one channel each; the hex field holds the whole
// colour.
#pragma once

#include <cstdint>

namespace wendaldui {

// A channel typed in a decimal field, read as a decimal integer is read in C:
// white space, a sign, then digits up to the first other character (" +5",
// "1a" is 1). Refused: no digit at all ("", "-"), or a value outside 0 to
// 255 ("300", "-5"), however many digits it has.
bool ParseDecimalChannel(const wchar_t* text, uint8_t& value);

// The hex field: a leading '#' skipped, then read as a hexadecimal number:
// white space, an optional "0x", digits up to the first other character
// ("12 3" is 0x12); rgb receives the low 24 bits (0x00RRGGBB). The digits are
// a number, not the CSS shorthand: "#fff" is 0x000FFF, as the field shows it
// back. Refused: no digit ("", "#", "#zz"), a sign, or more than 32 bits.
bool ParseHexColor(const wchar_t* text, uint32_t& rgb);

// The red, green and blue bytes the fields show for an HSL colour (hue in
// degrees, saturation and lightness in [0, 1], the order ArgbToHsl fills),
// rounded to nearest so that typed bytes survive the trip through HSL.
void HslToFieldBytes(const float hsl[3], uint8_t rgb[3]);

}  // namespace wendaldui
