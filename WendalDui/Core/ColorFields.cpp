#include "WendalDui/Core/ColorFields.h"

#include "WendalDui/Core/ColorConvert.h"

namespace wendaldui {

namespace {

bool IsSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

int DigitValue(wchar_t c, int base) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (base == 16 && c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (base == 16 && c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// The digits in `base` from text up to the first other character; false
// without one or when the number passes `limit`.
bool ReadDigits(const wchar_t* text, int base, uint64_t limit, uint64_t& value) {
    value = 0;
    const wchar_t* start = text;
    for (int digit; (digit = DigitValue(*text, base)) >= 0; ++text) {
        value = value * base + digit;
        if (value > limit) return false;
    }
    return text != start;
}

}  // namespace

bool ParseDecimalChannel(const wchar_t* text, uint8_t& value) {
    if (!text) return false;
    while (IsSpace(*text)) ++text;
    const bool negative = *text == L'-';
    if (*text == L'-' || *text == L'+') ++text;
    uint64_t parsed;
    if (!ReadDigits(text, 10, 255, parsed) || (negative && parsed != 0)) return false;
    value = static_cast<uint8_t>(parsed);
    return true;
}

bool ParseHexColor(const wchar_t* text, uint32_t& rgb) {
    if (!text) return false;
    if (*text == L'#') ++text;
    while (IsSpace(*text)) ++text;
    if (text[0] == L'0' && (text[1] == L'x' || text[1] == L'X') && DigitValue(text[2], 16) >= 0) text += 2;
    uint64_t parsed;
    if (!ReadDigits(text, 16, 0xFFFFFFFFu, parsed)) return false;
    rgb = static_cast<uint32_t>(parsed) & 0xFFFFFF;
    return true;
}

void HslToFieldBytes(const float hsl[3], uint8_t rgb[3]) {
    double r, g, b;
    HslToRgb(static_cast<double>(hsl[0]), static_cast<double>(hsl[1]), static_cast<double>(hsl[2]), r, g, b);
    rgb[0] = ChannelToByte(r);
    rgb[1] = ChannelToByte(g);
    rgb[2] = ChannelToByte(b);
}

}  // namespace wendaldui
