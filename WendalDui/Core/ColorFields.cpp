#include "WendalDui/Core/ColorFields.h"

#include "WendalDui/Core/ColorConvert.h"

namespace wendaldui {

namespace {

// Digits in `base` (10 or 16) up to the end, at least one, and a value no
// greater than `max`.
bool ParseDigits(const wchar_t* text, int base, uint32_t max, uint32_t& value) {
    if (!text || !*text) return false;
    uint64_t result = 0;
    for (; *text; ++text) {
        const wchar_t c = *text;
        int digit;
        if (c >= L'0' && c <= L'9') {
            digit = c - L'0';
        } else if (base == 16 && c >= L'a' && c <= L'f') {
            digit = c - L'a' + 10;
        } else if (base == 16 && c >= L'A' && c <= L'F') {
            digit = c - L'A' + 10;
        } else {
            return false;
        }
        result = result * base + digit;
        if (result > max) return false;
    }
    value = static_cast<uint32_t>(result);
    return true;
}

}  // namespace

bool ParseDecimalChannel(const wchar_t* text, uint8_t& value) {
    uint32_t parsed;
    if (!ParseDigits(text, 10, 255, parsed)) return false;
    value = static_cast<uint8_t>(parsed);
    return true;
}

bool ParseHexColor(const wchar_t* text, uint32_t& rgb) {
    if (text && *text == L'#') ++text;
    uint32_t parsed;
    if (!ParseDigits(text, 16, 0xFFFFFFFF, parsed)) return false;
    rgb = parsed & 0xFFFFFF;
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
