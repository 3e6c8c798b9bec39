// The palette against its table, for themes that reach the clamps.
#include <gtest/gtest.h>

#include <cstdio>

#include "WendalDui/Core/ColorConvert.h"
#include "WendalDui/Core/SkinPalette.h"

namespace {

using wendaldui::AlphaComposite;
using wendaldui::BuildPalette;
using wendaldui::kPaletteSize;
using wendaldui::MakeThemeColor;
using wendaldui::ThemeColor;

std::vector<uint32_t> PaletteOf(double h, double s, double l) {
    const double hsl[3] = {h, s, l};
    std::vector<uint32_t> palette(kPaletteSize);
    BuildPalette(MakeThemeColor(hsl), palette.data());
    return palette;
}

uint32_t Rgb(uint32_t argb) { return argb & 0xFFFFFFu; }
bool IsGrey(uint32_t argb) {
    return ((argb >> 16) & 0xFF) == ((argb >> 8) & 0xFF) && ((argb >> 8) & 0xFF) == (argb & 0xFF);
}

// theme(s, v): the theme hue at that HSV saturation and value.
struct HsvEntry {
    int index;
    bool own;  // s and v are offsets from the theme's own S and V
    float s, v;
    uint32_t alpha;
};

const HsvEntry kHsvEntries[] = {
    {4, true, 0, -0.05f, 0xBF},    {5, true, 0, 0.05f, 0xBF},     {6, true, 0.1f, 0.1f, 0xBF},
    {7, false, 0.1f, 0.6f, 0xBF},  {16, false, 0.02f, 1, 0xBF},   {17, false, 0.1f, 1, 0xBF},
    {18, false, 0.16f, 0.95f, 0xBF}, {19, false, 0.02f, 0.9f, 0xBF}, {36, false, 0.03f, 0.99f, 0xBF},
    {37, false, 0.1f, 1, 0xBF},    {38, false, 0.15f, 1, 0xBF},   {40, false, 0.03f, 0.99f, 0xBF},
    {41, false, 0.1f, 1, 0xBF},    {42, false, 0.15f, 1, 0xBF},   {44, true, 0, -0.05f, 0x00},
    {47, false, 0.1f, 0.6f, 0x00}, {48, true, 0, -0.05f, 0xBF},   {49, true, 0, 0.05f, 0xBF},
    {50, true, 0.1f, 0.1f, 0xBF},  {51, false, 0.1f, 0.6f, 0xBF}, {52, false, 0.15f, 1, 0x00},
    {53, false, 0.15f, 1, 0xBF},   {54, false, 0.2f, 1, 0xBF},    {55, false, 0.1f, 0.85f, 0x00},
    {65, true, 0, 0.1f, 0xBF},     {66, true, 0, -0.05f, 0xBF},   {69, false, 0.3f, 1, 0xBF},
    {70, true, 0, 0.2f, 0xBF},     {86, false, 0.16f, 0.95f, 0xBF}, {88, false, 0.16f, 0.95f, 0xBF},
    {89, false, 0.13f, 0.95f, 0xBF}, {90, false, 0.1f, 0.95f, 0xBF}, {91, false, 0.1f, 0.6f, 0xBF},
};

const std::pair<int, uint32_t> kFixedEntries[] = {
    {0, 0xFE262626},   {2, 0xFE262626},   {3, 0xFEA5A5A5},   {8, 0xBFFFFFFF},   {11, 0xBFE5E5E5},
    {21, 0xBFC8C8C8},  {27, 0xBFAAAAAA},  {31, 0xBFF0F0F0},  {34, 0xBF484848},  {39, 0xBFE5E5E5},
    {43, 0xBFE5E5E5},  {56, 0xFE000000},  {58, 0x00FFFFFF},  {67, 0xBFDCDCDC},  {75, 0xBFAAAAAA},
    {76, 0xBFCCCCCC},  {85, 0xBFFFFFFF},  {87, 0xBFFFFFFF},  {94, 0xFEFFFFFF},  {95, 0x80000000},
    {98, 0xD9FFFFFF},  {99, 0x66FFFFFF},  {101, 0x80FFFFFF}, {102, 0xCCFFFFFF}, {104, 0xFE262626},
    {107, 0xFEA5A5A5}, {111, 0x00FFFFFF}, {112, 0xFF788592}, {113, 0x80788592}, {114, 0xFFC7D4E0},
    {115, 0xECFFFFFF}, {117, 0xFE262626}, {119, 0x1A000000}, {122, 0xBF83BFF0},
};

// Themes: an ordinary blue, a grey (saturation 0) and a full-value orange
// whose V + offsets pass 1.
const double kThemes[][3] = {{210, 0.5, 0.4}, {120, 0, 0.5}, {30, 1, 0.5}, {360, 0.6, 0.3}};

TEST(SkinPalette, EveryEntryFollowsTheTable) {
    for (const auto& hsl : kThemes) {
        SCOPED_TRACE(testing::Message() << "theme " << hsl[0] << "," << hsl[1] << "," << hsl[2]);
        const ThemeColor theme = MakeThemeColor(hsl);
        const std::vector<uint32_t> p = PaletteOf(hsl[0], hsl[1], hsl[2]);
        for (const HsvEntry& e : kHsvEntries) {
            double s = e.s, v = e.v;
            if (e.own) {
                s += theme.hsv[1];
                v += theme.hsv[2];
            }
            double r, g, b;
            wendaldui::HsvToRgb(std::min(wendaldui::kMaxHue, hsl[0]), std::max(0.0, std::min(1.0, s)),
                                std::max(0.0, std::min(1.0, v)), r, g, b);
            EXPECT_EQ(wendaldui::MakeArgb(static_cast<uint8_t>(e.alpha), r, g, b), p[e.index]) << "entry " << e.index;
        }
        for (const auto& fixed : kFixedEntries) EXPECT_EQ(fixed.second, p[fixed.first]) << "entry " << fixed.first;
        for (int group : {12, 60, 80}) {
            for (int i = 0; i < 4; ++i) EXPECT_EQ(p[4 + i], p[group + i]) << "entry " << group + i;
        }
        EXPECT_EQ(p[4], p[77]);
        EXPECT_EQ(p[6], p[78]);
        EXPECT_EQ(p[7], p[79]);
        EXPECT_EQ(p[109], p[110]);
        const uint32_t themeRgb = wendaldui::MakeArgb(0, theme.rgb[0], theme.rgb[1], theme.rgb[2]);
        EXPECT_EQ(0xBF000000 | themeRgb, p[59]);
        EXPECT_EQ(0xBF000000 | themeRgb, p[64]);
        EXPECT_EQ(0xAA000000 | themeRgb, p[92]);
        EXPECT_EQ(0xAAu, p[93] >> 24);
        EXPECT_EQ(0xCCu, p[109] >> 24);
        EXPECT_EQ(0xD8u, p[118] >> 24);
    }
}

TEST(SkinPalette, KnownThemeGivesKnownColours) {
    // HSL(210, 0.5, 0.4) is #336699: HSV saturation 2/3, value 0.6.
    const std::vector<uint32_t> p = PaletteOf(210, 0.5, 0.4);
    EXPECT_EQ(0xBF336699u, p[59]);
    EXPECT_EQ(0xAA336699u, p[92]);
    EXPECT_EQ(0xAA29527Au, p[93]);  // lightness 0.32
    // Entry 116: 40 % of theme(1, 0.84) (#006BD6) over white, opaque.
    EXPECT_EQ(AlphaComposite(0x66006BD6, 0xFFFFFFFF), p[116]);
    EXPECT_EQ(0xFF99C4EFu, p[116]);
}

TEST(SkinPalette, GreyThemeKeepsItsHueInFixedSaturationEntries) {
    const std::vector<uint32_t> p = PaletteOf(120, 0, 0.5);
    for (int own : {4, 5, 59, 64, 65, 92, 93}) EXPECT_TRUE(IsGrey(p[own])) << "entry " << own;
    for (int fixed : {7, 16, 17, 53, 69, 88, 116}) {
        EXPECT_FALSE(IsGrey(p[fixed])) << "entry " << fixed;
        EXPECT_GT((p[fixed] >> 8) & 0xFF, p[fixed] & 0xFF) << "entry " << fixed << " is green";
    }
}

TEST(SkinPalette, ValueAboveOneIsClampedAndHue360IsAlmost360) {
    // HSL(30, 1, 0.5) has HSV value 1: V + 0.05 and V + 0.2 stay at 1.
    const std::vector<uint32_t> p = PaletteOf(30, 1, 0.5);
    EXPECT_EQ(Rgb(p[59]), Rgb(p[5]));
    EXPECT_EQ(Rgb(p[59]), Rgb(p[70]));
    EXPECT_EQ(0xBFFF8000u, p[5]);
    EXPECT_EQ(PaletteOf(359.999999, 0.6, 0.3), PaletteOf(360, 0.6, 0.3));
    EXPECT_EQ(PaletteOf(359.999999, 0.6, 0.3), PaletteOf(400, 0.6, 0.3));
}

TEST(SkinPalette, FadeEntriesAreTransparentCopies) {
    const std::vector<uint32_t> p = PaletteOf(210, 0.5, 0.4);
    EXPECT_EQ(Rgb(p[4]), p[44]);
    EXPECT_EQ(Rgb(p[7]), p[47]);
    EXPECT_EQ(Rgb(p[53]), p[52]);
    EXPECT_EQ(0xFFu, p[116] >> 24);
}

TEST(AlphaComposite, BlendsOver) {
    struct Case {
        uint32_t top, bottom, expected;
    } cases[] = {
        {0x00000000, 0x00000000, 0x00000000},  // both transparent: no division by zero
        {0x00FF0000, 0x0000FF00, 0x00000000},
        {0xFF123456, 0xFF654321, 0xFF123456},  // opaque top wins
        {0x00123456, 0x80654321, 0x80654321},  // transparent top leaves the bottom
        {0x80FFFFFF, 0xFF000000, 0xFF808080},
        {0x80FF0000, 0x800000FF, 0xC0AA0055},
        {0xBF336699, 0xFFFFFFFF, 0xFF668CB3},
    };
    for (const Case& c : cases) {
        char label[64];
        snprintf(label, sizeof label, "%08X over %08X", c.top, c.bottom);
        EXPECT_EQ(c.expected, AlphaComposite(c.top, c.bottom)) << label;
    }
}

}  // namespace
