#include "WendalDui/Core/ColorConvert.h"

#include <gtest/gtest.h>

#include <random>

namespace wendaldui {
namespace {

struct Rgb {
    double r, g, b;
};

uint32_t RoundTripHsl(uint32_t argb) {
    float hsl[3];
    ArgbToHsl(argb, hsl);
    double r, g, b;
    HslToRgb(static_cast<double>(hsl[0]), hsl[1], hsl[2], r, g, b);
    return MakeArgb(static_cast<uint8_t>(argb >> 24), r, g, b);
}

TEST(ColorConvert, KnownColoursBothWays) {
    struct Case {
        Rgb rgb;
        double h, s, l;  // HSL
        double hv, sv, v;  // HSV
    };
    const Case cases[] = {
        {{1, 0, 0}, 0, 1, 0.5, 0, 1, 1},
        {{0, 1, 0}, 120, 1, 0.5, 120, 1, 1},
        {{0, 0, 1}, 240, 1, 0.5, 240, 1, 1},
        {{1, 0, 1}, 300, 1, 0.5, 300, 1, 1},
        {{0.5, 0.25, 0.25}, 0, 1.0 / 3.0, 0.375, 0, 0.5, 0.5},
        {{0.2, 0.4, 0.6}, 210, 0.5, 0.4, 210, 2.0 / 3.0, 0.6},
        // Greys have no hue and no saturation in either form.
        {{0.3, 0.3, 0.3}, 0, 0, 0.3, 0, 0, 0.3},
        {{0, 0, 0}, 0, 0, 0, 0, 0, 0},
        {{1, 1, 1}, 0, 0, 1, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rgb.r << "," << c.rgb.g << "," << c.rgb.b);
        double h, s, l;
        RgbToHsl(c.rgb.r, c.rgb.g, c.rgb.b, h, s, l);
        EXPECT_NEAR(h, c.h, 1e-9);
        EXPECT_NEAR(s, c.s, 1e-9);
        EXPECT_NEAR(l, c.l, 1e-9);
        double r, g, b;
        HslToRgb(c.h, c.s, c.l, r, g, b);
        EXPECT_NEAR(r, c.rgb.r, 1e-9);
        EXPECT_NEAR(g, c.rgb.g, 1e-9);
        EXPECT_NEAR(b, c.rgb.b, 1e-9);

        RgbToHsv(c.rgb.r, c.rgb.g, c.rgb.b, h, s, l);
        EXPECT_NEAR(h, c.hv, 1e-9);
        EXPECT_NEAR(s, c.sv, 1e-9);
        EXPECT_NEAR(l, c.v, 1e-9);
        HsvToRgb(c.hv, c.sv, c.v, r, g, b);
        EXPECT_NEAR(r, c.rgb.r, 1e-9);
        EXPECT_NEAR(g, c.rgb.g, 1e-9);
        EXPECT_NEAR(b, c.rgb.b, 1e-9);
    }
}

TEST(ColorConvert, InputsAreClamped) {
    double h, s, l;
    RgbToHsl(1.5, -0.5, 0.0, h, s, l);  // clamps to pure red
    EXPECT_DOUBLE_EQ(h, 0.0);
    EXPECT_DOUBLE_EQ(s, 1.0);
    EXPECT_DOUBLE_EQ(l, 0.5);

    // A hue of 360 or more is the last hue before red wraps round, not blue.
    double r, g, b;
    HslToRgb(720.0, 1.0, 0.5, r, g, b);
    EXPECT_NEAR(r, 1.0, 1e-6);
    EXPECT_NEAR(g, 0.0, 1e-6);
    EXPECT_NEAR(b, 0.0, 1e-4);
    HsvToRgb(360.0, 1.0, 1.0, r, g, b);
    EXPECT_NEAR(r, 1.0, 1e-6);
    EXPECT_NEAR(b, 0.0, 1e-4);

    HslToRgb(200.0, 0.0, 0.7, r, g, b);  // no saturation: lightness everywhere
    EXPECT_DOUBLE_EQ(r, 0.7);
    EXPECT_DOUBLE_EQ(g, 0.7);
    EXPECT_DOUBLE_EQ(b, 0.7);

    EXPECT_EQ(ChannelToByte(-3.0), 0);
    EXPECT_EQ(ChannelToByte(7.0), 255);
    EXPECT_EQ(ChannelToByte(0.5), 128);
    EXPECT_EQ(ChannelToByte(127.4 / 255.0), 127);
}

TEST(ColorConvert, ByteRoundTripsAreExact) {
    for (uint32_t v = 0; v < 256; ++v) {
        const uint32_t grey = 0xFF000000u | (v << 16) | (v << 8) | v;
        EXPECT_EQ(RoundTripHsl(grey), grey) << std::hex << grey;
    }
    std::mt19937 random(20261207);
    int changed = 0;
    for (int i = 0; i < 20000; ++i) {
        const uint32_t argb = random();
        if (RoundTripHsl(argb) != argb) ++changed;
    }
    EXPECT_EQ(changed, 0);
}

}  // namespace
}  // namespace wendaldui
