// Bitmap work of the UI library: images from the program's resources, scaled
// copies, cover sizing, a running-sum approximation of the Gaussian blur and
// the soft rectangular shadow behind the skin's shadow records.
//
// The raw-buffer functions work on 32-bpp pixels stored B, G, R, A in memory
// (a bitmap locked as PixelFormat32bppARGB); stride is in bytes.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <vector>

#include "WendalDui/Utils/UIRect.h"

namespace wendaldui {

constexpr int kMaxBlurPasses = 10;

struct ShadowStyle {
    float angle = 0.0f;    // degrees
    int distance = 0;
    float opacity = 1.0f;  // 0 to 1
    float hardness = 0.0f; // 1 or more: a hard edge
    int blurSize = 0;
    uint32_t color = 0xFF000000;  // only the RGB is used
};

// Box widths of `passes` successive box blurs that approximate a Gaussian of
// the given sigma.
std::vector<int> ComputeBoxSizes(int sigma, int passes);
// The box radius a line of that length can take: max(0, min(r, L/2 - 1)).
int ClampBlurRadius(int radius, int length);

// All four channels, `passes` (clamped to 1..10) box passes each way.
void BlurPixels(uint8_t* bits, int width, int height, int stride, int sigma, int passes);
// One pass over the alpha and the blue byte; the blurred blue becomes the
// grey of red, green and blue alike.
void BlurPixelsGrey(uint8_t* bits, int width, int height, int stride, int sigma);
void RenderShadowPixels(uint8_t* bits, int width, int height, int stride, const UIRect& shape,
                        const ShadowStyle& style);
// The tail integral of the quadratic B-spline the shadow edge falls off with.
double ShadowFalloff(double t);

// The smallest size with the image's aspect ratio that covers the target.
SIZE CalcCoverSize(int imageWidth, int imageHeight, int targetWidth, int targetHeight);

// Decodes an encoded image (PNG, JPEG, ...) held in memory; null when the
// bytes are not an image GDI+ can read.
Gdiplus::Bitmap* LoadBitmapFromBytes(const void* bytes, size_t size);
// Null when the module has no such resource or it is no image.
Gdiplus::Bitmap* LoadResourceImage(const wchar_t* type, int id);
// ids for 96, 120, 144 and 192 DPI; other DPIs scale the last one to the
// logical size times the DPI factor.
Gdiplus::Bitmap* LoadDpiResourceImage(const int ids[4], SIZE logicalSize);
// Null when width or height is below 1.
Gdiplus::Bitmap* ScaleBitmap(Gdiplus::Bitmap* source, Gdiplus::PixelFormat format,
                             Gdiplus::InterpolationMode mode, int width, int height);

// A copy of `source` at width x height in 32bppPARGB: each pixel the
// average of the source area it covers when shrinking, interpolated
// linearly between the nearest source pixels when enlarging. A fraction of
// the cost of GDI+'s bicubic filters at like quality for pictures; null
// when width or height is below 1 or the source cannot be read.
Gdiplus::Bitmap* ResampleBitmap(Gdiplus::Bitmap* source, int width, int height);
// The same on raw pixels (B, G, R, A bytes): the source and the target
// areas do not overlap.
void ResamplePixels(const uint8_t* source, int sourceWidth, int sourceHeight, int sourceStride, uint8_t* target,
                    int width, int height, int stride);

bool BlurBitmap(Gdiplus::Bitmap* bitmap, int sigma);
bool BlurBitmapRect(Gdiplus::Bitmap* bitmap, const UIRect& rect, int sigma, int passes);
bool BlurBitmapRectGrey(Gdiplus::Bitmap* bitmap, const UIRect& rect, int sigma);
bool RenderShadow(Gdiplus::Bitmap* bitmap, const UIRect& shape, const ShadowStyle& style);

void DrawTextInRect(Gdiplus::Graphics* graphics, const wchar_t* text, int length, const Gdiplus::Font* font,
                    const Gdiplus::RectF& rect, uint32_t argb, const Gdiplus::StringFormat* format);

// How many leading characters of a one-line text to keep so that they and an
// ellipsis fit `width` pixels; `length` when the whole text fits. A surrogate
// pair is never split.
int FitTextBeforeEllipsis(Gdiplus::Graphics* graphics, const wchar_t* text, int length, const Gdiplus::Font* font,
                          float width, const Gdiplus::StringFormat* format);
// DrawTextInRect for one line that ends in an ellipsis when it is cut. The
// ellipsis-trimming string formats promise it, but Wine's GDI+ only clips, so
// "26.1-snapshot-10" and "26.1-snapshot-11" read alike there; the text is
// shortened here and fits, so GDI+ has nothing left to trim anywhere.
void DrawTextEllipsis(Gdiplus::Graphics* graphics, const wchar_t* text, int length, const Gdiplus::Font* font,
                      const Gdiplus::RectF& rect, uint32_t argb, const Gdiplus::StringFormat* format);

}  // namespace wendaldui
