// Box sizes, blur passes, cover sizes and the shadow's alpha profile, on raw
// B, G, R, A buffers.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "WendalDui/Core/ImageProcessing.h"

namespace {

using wendaldui::BlurPixels;
using wendaldui::BlurPixelsGrey;
using wendaldui::ClampBlurRadius;
using wendaldui::ComputeBoxSizes;
using wendaldui::RenderShadowPixels;
using wendaldui::ShadowStyle;
using wendaldui::UIRect;

struct Image {
    int width, height;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, which is B, G, R, A in memory
    Image(int w, int h, uint32_t fill = 0) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
    uint8_t* Bits() { return reinterpret_cast<uint8_t*>(pixels.data()); }
    int Stride() const { return width * 4; }
    uint32_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    uint8_t Alpha(int x, int y) { return At(x, y) >> 24; }
};

TEST(BlurBoxes, SizesAndRadiusClamp) {
    EXPECT_EQ((std::vector<int>{7, 9}), ComputeBoxSizes(3, 2));
    EXPECT_EQ((std::vector<int>{5, 7, 7}), ComputeBoxSizes(3, 3));
    EXPECT_EQ((std::vector<int>{35}), ComputeBoxSizes(10, 1));
    EXPECT_EQ((std::vector<int>{1, 3}), ComputeBoxSizes(0, 2));

    const int cases[][3] = {// radius, line length, clamped
                            {5, 1, 0}, {5, 2, 0}, {5, 3, 0}, {5, 4, 1}, {5, 100, 5}, {-3, 10, 0}, {0, 0, 0}};
    for (const auto& c : cases) EXPECT_EQ(c[2], ClampBlurRadius(c[0], c[1])) << c[0] << " in " << c[1];
}

TEST(Blur, ConstantImagesStayConstant) {
    const int sizes[][2] = {{1, 1}, {1, 9}, {9, 1}, {17, 11}, {64, 3}};
    for (const auto& size : sizes) {
        for (int sigma : {0, 1, 3, 40}) {
            for (int passes : {-5, 0, 1, 2, 3, 10, 99}) {
                Image image(size[0], size[1], 0x80C06030);
                BlurPixels(image.Bits(), image.width, image.height, image.Stride(), sigma, passes);
                for (uint32_t pixel : image.pixels) ASSERT_EQ(0x80C06030u, pixel) << size[0] << "x" << size[1];
            }
            Image grey(size[0], size[1], 0x80303030);
            BlurPixelsGrey(grey.Bits(), grey.width, grey.height, grey.Stride(), sigma);
            for (uint32_t pixel : grey.pixels) ASSERT_EQ(0x80303030u, pixel);
        }
    }
}

TEST(Blur, ShortLinesTakeNoMoreThanTheyCan) {
    // Three pixels allow no radius at all: the spike stays.
    Image three(3, 1);
    three.At(1, 0) = 0xFFFFFFFF;
    BlurPixels(three.Bits(), 3, 1, three.Stride(), 20, 1);
    EXPECT_EQ((std::vector<uint32_t>{0, 0xFFFFFFFF, 0}), three.pixels);

    // Four allow radius 1 (edges repeated): every channel is the window mean.
    Image four(4, 1);
    four.At(1, 0) = 0xFFFFFFFF;
    BlurPixels(four.Bits(), 4, 1, four.Stride(), 20, 1);
    EXPECT_EQ((std::vector<uint32_t>{0x55555555, 0x55555555, 0x55555555, 0}), four.pixels);

    // A column one pixel wide is blurred only vertically.
    Image column(1, 4);
    column.At(0, 1) = 0xFFFFFFFF;
    BlurPixels(column.Bits(), 1, 4, column.Stride(), 20, 1);
    EXPECT_EQ((std::vector<uint32_t>{0x55555555, 0x55555555, 0x55555555, 0}), column.pixels);
}

TEST(Blur, GreyVariantRoundsAlphaButNotGrey) {
    // A value of 2 over a window of 3: 1 when rounded, 0 when not.
    Image row(4, 1);
    row.At(1, 0) = 0x02000002;
    BlurPixelsGrey(row.Bits(), 4, 1, row.Stride(), 20);
    EXPECT_EQ((std::vector<uint32_t>{0x01000000, 0x01000000, 0x01000000, 0}), row.pixels);
    // The blurred blue becomes the grey of all three colour bytes.
    Image spike(4, 1);
    spike.At(1, 0) = 0xFF0000FF;
    BlurPixelsGrey(spike.Bits(), 4, 1, spike.Stride(), 20);
    EXPECT_EQ(0x55555555u, spike.At(0, 0));
}

TEST(CoverSize, CoversTheTargetWithTheImageAspect) {
    struct Case {
        int iw, ih, tw, th;
        LONG w, h;
    } cases[] = {
        {100, 100, 160, 90, 160, 160},   // square into 16:9: target width, larger height
        {1600, 900, 800, 600, 1067, 600},
        {1600, 900, 1600, 900, 1600, 900},
        {3, 1, 10, 10, 30, 10},
        {0, 100, 50, 40, 50, 40},  // no aspect to keep
        {100, 0, 50, 40, 50, 40},
    };
    for (const Case& c : cases) {
        const SIZE size = wendaldui::CalcCoverSize(c.iw, c.ih, c.tw, c.th);
        EXPECT_EQ(c.w, size.cx) << c.iw << "x" << c.ih << " into " << c.tw << "x" << c.th;
        EXPECT_EQ(c.h, size.cy) << c.iw << "x" << c.ih << " into " << c.tw << "x" << c.th;
    }
}

TEST(Shadow, AlphaFallsOffOutwardAndRoundsTheCorners) {
    // The skin's small record at 96 DPI: r = 12, bitmap 38 x 38, shape {6, 6, 26, 26}.
    const int r = 12, size = 3 * r + 2;
    ShadowStyle style;
    style.opacity = 0.3f;
    style.blurSize = r;
    style.color = 0xFF102030;
    Image image(size, size, 0xDEADBEEF);
    RenderShadowPixels(image.Bits(), size, size, image.Stride(), UIRect(6, 6, 26, 26), style);

    // Top band: rows 0 to 11, innermost row 11 at 0.3 x 255 rounded.
    const int mid = size / 2;
    EXPECT_EQ(77, image.Alpha(mid, 11));
    EXPECT_EQ(0, image.Alpha(mid, 0));
    for (int y = 1; y < 12; ++y) EXPECT_GE(image.Alpha(mid, y), image.Alpha(mid, y - 1)) << "row " << y;
    EXPECT_EQ(0x102030u, image.At(mid, 5) & 0xFFFFFF);
    // The four bands are mirror images of each other.
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(image.Alpha(mid, 11 - k), image.Alpha(mid, 26 + k));
        EXPECT_EQ(image.Alpha(mid, 11 - k), image.Alpha(11 - k, mid));
        EXPECT_EQ(image.Alpha(mid, 11 - k), image.Alpha(26 + k, mid));
    }
    // Corners fall off with the distance from the crossing of the inner lines.
    EXPECT_EQ(77, image.Alpha(11, 11));
    EXPECT_EQ(image.Alpha(mid, 11 - 5), image.Alpha(11 - 3, 11 - 4));  // k = 5
    EXPECT_EQ(image.Alpha(mid, 11 - 5), image.Alpha(26 + 4, 26 + 3));
    EXPECT_EQ(0, image.Alpha(0, 0));
    // The inside is not written.
    EXPECT_EQ(0xDEADBEEFu, image.At(mid, mid));

    // A hard edge is flat; full opacity reaches 255.
    style.hardness = 1.0f;
    style.opacity = 1.0f;
    Image hard(size, size);
    RenderShadowPixels(hard.Bits(), size, size, hard.Stride(), UIRect(6, 6, 26, 26), style);
    EXPECT_EQ(255, hard.Alpha(mid, 0));
    EXPECT_EQ(255, hard.Alpha(0, 0));
}

TEST(Shadow, OffsetAndBitmapEdgesAreRespected) {
    ShadowStyle style;
    style.blurSize = 8;
    style.distance = 100;  // pushed far out: every pixel is skipped
    Image image(20, 20);
    RenderShadowPixels(image.Bits(), 20, 20, image.Stride(), UIRect(4, 4, 12, 12), style);
    for (uint32_t pixel : image.pixels) ASSERT_EQ(0u, pixel);
    // The blur is limited by the shape's smaller side (6, even already).
    style.distance = 0;
    RenderShadowPixels(image.Bits(), 20, 20, image.Stride(), UIRect(4, 4, 12, 6), style);
    EXPECT_EQ(0u, image.At(10, 0));
    EXPECT_EQ(255, image.Alpha(10, 6));  // innermost top row: k = 0
}

}  // namespace
