#include "WendalDui/Core/SkinPalette.h"

#include <algorithm>
#include <cmath>

#include "WendalDui/Core/ColorConvert.h"

namespace wendaldui {

namespace {

constexpr uint8_t kAlphaControl = 0xBF;
constexpr uint8_t kAlphaTitle = 0xAA;

double Unit(double value) { return std::max(0.0, std::min(1.0, value)); }

class PaletteBuilder {
public:
    explicit PaletteBuilder(const ThemeColor& theme) : m_theme(theme) {}

    // The theme hue at saturation s and value v, both clamped after any offset.
    uint32_t Hsv(double s, double v, uint8_t alpha) const {
        double r, g, b;
        HsvToRgb(m_theme.hsl[0], Unit(s), Unit(v), r, g, b);
        return MakeArgb(alpha, r, g, b);
    }
    // Offsets from the theme's own saturation and value.
    uint32_t Own(float ds, float dv, uint8_t alpha) const {
        return Hsv(m_theme.hsv[1] + ds, m_theme.hsv[2] + dv, alpha);
    }
    uint32_t Hsl(double ds, double dl, uint8_t alpha) const {
        double r, g, b;
        HslToRgb(m_theme.hsl[0], Unit(m_theme.hsl[1] + ds), Unit(m_theme.hsl[2] + dl), r, g, b);
        return MakeArgb(alpha, r, g, b);
    }
    uint32_t HslLightness(double l, uint8_t alpha) const {
        double r, g, b;
        HslToRgb(m_theme.hsl[0], m_theme.hsl[1], l, r, g, b);
        return MakeArgb(alpha, r, g, b);
    }
    uint32_t Rgb(uint8_t alpha) const { return MakeArgb(alpha, m_theme.rgb[0], m_theme.rgb[1], m_theme.rgb[2]); }

private:
    const ThemeColor& m_theme;
};

uint32_t WithAlpha(uint32_t argb, uint8_t alpha) { return (argb & 0x00FFFFFFu) | (static_cast<uint32_t>(alpha) << 24); }

void Fill(uint32_t* palette, int first, int count, uint32_t argb) { std::fill(palette + first, palette + first + count, argb); }

void Copy(uint32_t* palette, int first, int from, int count) {
    std::copy(palette + from, palette + from + count, palette + first);
}

}  // namespace

ThemeColor MakeThemeColor(const double hsl[3]) {
    ThemeColor theme;
    theme.hsl[0] = std::max(0.0, std::min(kMaxHue, hsl[0]));
    theme.hsl[1] = Unit(hsl[1]);
    theme.hsl[2] = Unit(hsl[2]);
    HslToRgb(theme.hsl[0], theme.hsl[1], theme.hsl[2], theme.rgb[0], theme.rgb[1], theme.rgb[2]);
    RgbToHsv(theme.rgb[0], theme.rgb[1], theme.rgb[2], theme.hsv[0], theme.hsv[1], theme.hsv[2]);
    theme.hsv[0] = theme.hsl[0];
    return theme;
}

void BuildPalette(const ThemeColor& theme, uint32_t p[kPaletteSize]) {
    const PaletteBuilder t(theme);
    const uint8_t A = kAlphaControl;
    Fill(p, 0, 3, 0xFE262626);
    p[3] = 0xFEA5A5A5;
    p[4] = t.Own(0.0f, -0.05f, A);
    p[5] = t.Own(0.0f, 0.05f, A);
    p[6] = t.Own(0.1f, 0.1f, A);
    p[7] = t.Hsv(0.1f, 0.6f, A);
    Fill(p, 8, 3, 0xBFFFFFFF);
    p[11] = 0xBFE5E5E5;
    Copy(p, 12, 4, 4);
    p[16] = t.Hsv(0.02f, 1.0f, A);
    p[17] = t.Hsv(0.1f, 1.0f, A);
    p[18] = t.Hsv(0.16f, 0.95f, A);
    p[19] = t.Hsv(0.02f, 0.9f, A);
    const uint32_t greys20[] = {0xBFF0F0F0, 0xBFC8C8C8, 0xBF969696, 0xBFF0F0F0, 0xBF646464, 0xBF505050,
                                0xBF505050, 0xBFAAAAAA, 0xBFF0F0F0, 0xBFF0F0F0, 0xBFF0F0F0, 0xBFF0F0F0,
                                0xBFB5B5B5, 0xBF8E8E8E, 0xBF484848, 0xBF969696};
    std::copy(greys20, greys20 + 16, p + 20);
    for (int group : {36, 40}) {
        p[group] = t.Hsv(0.03f, 0.99f, A);
        p[group + 1] = t.Hsv(0.1f, 1.0f, A);
        p[group + 2] = t.Hsv(0.15f, 1.0f, A);
        p[group + 3] = p[11];
    }
    p[44] = WithAlpha(p[4], 0);
    p[45] = p[5];
    p[46] = p[6];
    p[47] = WithAlpha(p[7], 0);
    p[48] = t.Own(0.0f, -0.05f, A);
    p[49] = t.Own(0.0f, 0.05f, A);
    p[50] = t.Own(0.1f, 0.1f, A);
    p[51] = t.Hsv(0.1f, 0.6f, A);
    p[52] = t.Hsv(0.15f, 1.0f, 0);
    p[53] = t.Hsv(0.15f, 1.0f, A);
    p[54] = t.Hsv(0.2f, 1.0f, A);
    p[55] = t.Hsv(0.1f, 0.85f, 0);
    p[56] = 0xFE000000;
    p[57] = 0xFEFFFFFF;
    p[58] = 0x00FFFFFF;
    p[59] = t.Rgb(A);
    Copy(p, 60, 4, 4);
    p[64] = t.Rgb(A);
    p[65] = t.Own(0.0f, 0.1f, A);
    p[66] = t.Own(0.0f, -0.05f, A);
    p[67] = 0xBFDCDCDC;
    p[68] = 0xBFFFFFFF;
    p[69] = t.Hsv(0.3f, 1.0f, A);
    p[70] = t.Own(0.0f, 0.2f, A);
    p[71] = 0xBFDCDCDC;
    Fill(p, 72, 3, 0xBFFFFFFF);
    p[75] = 0xBFAAAAAA;
    p[76] = 0xBFCCCCCC;
    p[77] = p[4];
    p[78] = p[6];
    p[79] = p[7];
    Copy(p, 80, 4, 4);
    p[84] = 0xBFFFFFFF;
    p[85] = 0xBFFFFFFF;
    p[86] = t.Hsv(0.16f, 0.95f, A);
    p[87] = 0xBFFFFFFF;
    p[88] = t.Hsv(0.16f, 0.95f, A);
    p[89] = t.Hsv(0.13f, 0.95f, A);
    p[90] = t.Hsv(0.1f, 0.95f, A);
    p[91] = t.Hsv(0.1f, 0.6f, A);
    p[92] = t.Rgb(kAlphaTitle);
    p[93] = t.Hsl(0.0, -0.08, kAlphaTitle);
    p[94] = 0xFEFFFFFF;
    p[95] = 0x80000000;
    Fill(p, 96, 3, 0xD9FFFFFF);
    const uint32_t whites99[] = {0x66FFFFFF, 0x00FFFFFF, 0x80FFFFFF, 0xCCFFFFFF, 0x00FFFFFF};
    std::copy(whites99, whites99 + 5, p + 99);
    p[104] = p[0];
    p[105] = 0xFEFFFFFF;
    p[106] = 0xFEFFFFFF;
    p[107] = p[3];
    p[108] = 0x00FFFFFF;
    p[109] = t.Hsl(-0.05, -0.05, 0xCC);
    p[110] = p[109];
    p[111] = 0x00FFFFFF;
    p[112] = 0xFF788592;
    p[113] = 0x80788592;
    p[114] = 0xFFC7D4E0;
    p[115] = 0xECFFFFFF;
    p[116] = AlphaComposite(t.Hsv(1.0f, 0.84f, 0x66), 0xFFFFFFFF);
    p[117] = p[0];
    p[118] = t.HslLightness(0.93, 0xD8);
    p[119] = 0x1A000000;
    p[120] = 0xBFFFFFFF;
    p[121] = 0xBFF7F7F7;
    p[122] = 0xBF83BFF0;
}

uint32_t AlphaComposite(uint32_t top, uint32_t bottom) {
    const double at = (top >> 24) / 255.0;
    const double ab = (bottom >> 24) / 255.0;
    const double a = 1.0 - (1.0 - at) * (1.0 - ab);
    if (a <= 0.0) return 0;  // nothing to divide by: both are fully transparent
    uint32_t result = static_cast<uint32_t>(std::lround(a * 255.0)) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const double ct = (top >> shift) & 0xFF;
        const double cb = (bottom >> shift) & 0xFF;
        const double c = (cb * ab * (1.0 - at) + ct * at) / a;
        result |= static_cast<uint32_t>(std::lround(std::min(255.0, c))) << shift;
    }
    return result;
}

}  // namespace wendaldui
