#include "WendalDui/Core/ImageProcessing.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"

namespace wendaldui {

namespace {

// Byte offsets of the channels in a B, G, R, A pixel.
constexpr int kBlue = 0, kGreen = 1, kRed = 2, kAlpha = 3;

// One line of `length` values `step` bytes apart, blurred with a box of
// 2r + 1 whose edges repeat the first and last value; a running sum keeps the
// cost independent of the radius.
void BoxBlurLine(const uint8_t* src, uint8_t* dst, int length, int step, int radius, bool rounded,
                 const int* alsoWrite = nullptr) {
    if (length <= 0) return;
    const int r = ClampBlurRadius(radius, length);
    const int window = 2 * r + 1;
    const int half = rounded ? window / 2 : 0;
    auto at = [&](int i) { return static_cast<int>(src[std::max(0, std::min(i, length - 1)) * step]); };
    int sum = (r + 1) * at(0);
    for (int j = 0; j < r; ++j) sum += at(j);
    for (int i = 0; i < length; ++i) {
        sum += at(i + r) - at(i - r - 1);
        const uint8_t value = static_cast<uint8_t>((sum + half) / window);
        dst[i * step] = value;
        // The grey variant writes its blurred blue into green and red too.
        if (alsoWrite) {
            for (const int* offset = alsoWrite; *offset; ++offset) dst[i * step + *offset] = value;
        }
    }
}

struct Area {
    uint8_t* bits;
    int width;
    int height;
    int stride;
};

void HorizontalPass(const Area& from, const Area& to, int channel, int radius, bool rounded) {
    for (int y = 0; y < from.height; ++y) {
        BoxBlurLine(from.bits + y * from.stride + channel, to.bits + y * to.stride + channel, from.width, 4, radius,
                    rounded);
    }
}

void VerticalPass(const Area& from, const Area& to, int channel, int radius, bool rounded,
                  const int* alsoWrite = nullptr) {
    for (int x = 0; x < from.width; ++x) {
        BoxBlurLine(from.bits + x * 4 + channel, to.bits + x * 4 + channel, from.height, from.stride, radius, rounded,
                    alsoWrite);
    }
}

std::vector<uint8_t> ScratchFor(int stride, int height) {
    return std::vector<uint8_t>(static_cast<size_t>(stride / 4) * 4 * std::max(0, height), 0);
}

// The Gdiplus::Bitmap locked as 32bppARGB for the time of one call.
class LockedBits {
public:
    LockedBits(Gdiplus::Bitmap* bitmap, const UIRect& rect) : m_bitmap(bitmap) {
        Gdiplus::Rect area(rect.x, rect.y, rect.width, rect.height);
        m_locked = bitmap && bitmap->LockBits(&area, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite,
                                              PixelFormat32bppARGB, &m_data) == Gdiplus::Ok;
    }
    ~LockedBits() {
        if (m_locked) m_bitmap->UnlockBits(&m_data);
    }
    LockedBits(const LockedBits&) = delete;
    LockedBits& operator=(const LockedBits&) = delete;

    bool IsLocked() const { return m_locked; }
    bool Unlock() {
        const bool ok = m_locked && m_bitmap->UnlockBits(&m_data) == Gdiplus::Ok;
        m_locked = false;
        return ok;
    }
    uint8_t* Bits() const { return static_cast<uint8_t*>(m_data.Scan0); }
    int Width() const { return static_cast<int>(m_data.Width); }
    int Height() const { return static_cast<int>(m_data.Height); }
    int Stride() const { return m_data.Stride; }

private:
    Gdiplus::Bitmap* m_bitmap;
    Gdiplus::BitmapData m_data = {};
    bool m_locked = false;
};

// The weights of one axis of a resampling: for each target pixel the first
// source pixel it reads and how much of each following one, in units of
// 1 / kWeightOne (they add up to kWeightOne).
constexpr int kWeightShift = 14;
constexpr int kWeightOne = 1 << kWeightShift;

struct AxisWeights {
    std::vector<int> first;   // per target pixel
    std::vector<int> count;   // per target pixel
    std::vector<int> weights; // count[i] weights per target pixel, in order
    std::vector<int> offset;  // where target pixel i's weights start
};

AxisWeights MakeAxisWeights(int from, int to) {
    AxisWeights axis;
    axis.first.resize(to);
    axis.count.resize(to);
    axis.offset.resize(to);
    const double scale = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        axis.offset[i] = static_cast<int>(axis.weights.size());
        std::vector<double> shares;
        int first;
        if (scale >= 1.0) {
            // Shrinking: the source span [i s, (i + 1) s) averaged by overlap.
            const double lo = i * scale, hi = std::min(static_cast<double>(from), (i + 1) * scale);
            first = static_cast<int>(lo);
            for (int j = first; j < from && j < hi; ++j) {
                shares.push_back(std::min(hi, j + 1.0) - std::max(lo, static_cast<double>(j)));
            }
        } else {
            // Enlarging: the two source pixels around the target pixel's centre.
            const double x = std::max(0.0, std::min(from - 1.0, (i + 0.5) * scale - 0.5));
            first = std::min(static_cast<int>(x), std::max(0, from - 2));
            const double f = x - first;
            shares.push_back(1.0 - f);
            if (first + 1 < from) shares.push_back(f);
        }
        double total = 0;
        for (double share : shares) total += share;
        int sum = 0, largest = 0;
        for (size_t k = 0; k < shares.size(); ++k) {
            const int w = static_cast<int>(shares[k] / total * kWeightOne + 0.5);
            axis.weights.push_back(w);
            sum += w;
            if (w > axis.weights[axis.offset[i] + largest]) largest = static_cast<int>(k);
        }
        axis.weights[axis.offset[i] + largest] += kWeightOne - sum;  // exactly one in all
        axis.first[i] = first;
        axis.count[i] = static_cast<int>(shares.size());
    }
    return axis;
}

UIRect WholeBitmap(Gdiplus::Bitmap* bitmap) {
    return UIRect(0, 0, static_cast<int>(bitmap->GetWidth()), static_cast<int>(bitmap->GetHeight()));
}

}  // namespace

std::vector<int> ComputeBoxSizes(int sigma, int passes) {
    const double n = passes;
    const double s2 = 12.0 * sigma * sigma;
    int w = static_cast<int>(std::sqrt(s2 / n + 1.0));
    if (w % 2 == 0) --w;
    const int wu = w + 2;
    const int m = static_cast<int>((s2 - n * w * w - 4.0 * n * w) / (-4.0 * w - 4.0) + 0.5);
    std::vector<int> sizes(passes);
    for (int i = 0; i < passes; ++i) sizes[i] = i < m ? w : wu;
    return sizes;
}

int ClampBlurRadius(int radius, int length) { return std::max(0, std::min(radius, length / 2 - 1)); }

void BlurPixels(uint8_t* bits, int width, int height, int stride, int sigma, int passes) {
    if (!bits || width <= 0 || height <= 0) return;
    std::vector<uint8_t> scratch = ScratchFor(stride, height);
    const Area image = {bits, width, height, stride};
    const Area temp = {scratch.data(), width, height, stride / 4 * 4};
    const int n = std::max(1, std::min(passes, kMaxBlurPasses));
    for (int box : ComputeBoxSizes(sigma, n)) {
        const int radius = (box - 1) / 2;
        for (int channel : {kAlpha, kRed, kGreen, kBlue}) HorizontalPass(image, temp, channel, radius, true);
        for (int channel : {kAlpha, kRed, kGreen, kBlue}) VerticalPass(temp, image, channel, radius, true);
    }
}

void BlurPixelsGrey(uint8_t* bits, int width, int height, int stride, int sigma) {
    if (!bits || width <= 0 || height <= 0) return;
    std::vector<uint8_t> scratch = ScratchFor(stride, height);
    const Area image = {bits, width, height, stride};
    const Area temp = {scratch.data(), width, height, stride / 4 * 4};
    static const int kGreyChannels[] = {kGreen - kBlue, kRed - kBlue, 0};
    const int radius = (ComputeBoxSizes(sigma, 1)[0] - 1) / 2;
    HorizontalPass(image, temp, kAlpha, radius, true);
    HorizontalPass(image, temp, kBlue, radius, false);
    VerticalPass(temp, image, kAlpha, radius, true);
    VerticalPass(temp, image, kBlue, radius, false, kGreyChannels);
}

double ShadowFalloff(double t) {
    if (t < -1.5) return 1.0;
    if (t <= -0.5) return 0.4375 - 1.125 * t - 0.75 * t * t - t * t * t / 6.0;
    if (t <= 0.5) return 0.5 - 0.75 * t + t * t * t / 3.0;
    if (t <= 1.5) return 0.5625 - 1.125 * t + 0.75 * t * t - t * t * t / 6.0;
    return 0.0;
}

void RenderShadowPixels(uint8_t* bits, int width, int height, int stride, const UIRect& shape,
                        const ShadowStyle& style) {
    if (!bits || shape.IsEmpty()) return;
    int b = std::max(0, std::min(style.blurSize, std::min(shape.width, shape.height)));
    b += b % 2;
    if (b == 0) return;
    const int h = b / 2;
    const double angle = style.angle * 0.017453292;
    const double dx = std::cos(angle) * style.distance, dy = std::sin(angle) * style.distance;
    const int left = static_cast<int>(std::lround(shape.x + dx));
    const int top = static_cast<int>(std::lround(shape.y + dy));
    const int right = static_cast<int>(std::lround(shape.x + shape.width + dx));
    const int bottom = static_cast<int>(std::lround(shape.y + shape.height + dy));
    const double d = style.hardness;
    auto alphaAt = [&](double k) {
        if (d >= 1.0) return 255.0 * style.opacity;
        const double t = -1.5 + 3.0 * (k - b * d) / (b * (1.0 - d));
        return ShadowFalloff(t) * 255.0 * style.opacity;
    };
    auto put = [&](int x, int y, double alpha) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        uint8_t* pixel = bits + y * stride + x * 4;
        pixel[kBlue] = style.color & 0xFF;
        pixel[kGreen] = (style.color >> 8) & 0xFF;
        pixel[kRed] = (style.color >> 16) & 0xFF;
        pixel[kAlpha] = static_cast<uint8_t>(std::max(0.0, std::min(255.0, alpha + 0.5)));
    };
    // k counts from each edge's innermost row or column (0) outward (b - 1).
    auto kTop = [&](int y) { return top + h - 1 - y; };
    auto kBottom = [&](int y) { return y - (bottom - h); };
    auto kLeft = [&](int x) { return left + h - 1 - x; };
    auto kRight = [&](int x) { return x - (right - h); };
    for (int y = top - h; y < top + h; ++y) {
        for (int x = left + h; x < right - h; ++x) put(x, y, alphaAt(kTop(y)));
    }
    for (int y = bottom - h; y < bottom + h; ++y) {
        for (int x = left + h; x < right - h; ++x) put(x, y, alphaAt(kBottom(y)));
    }
    for (int x = left - h; x < left + h; ++x) {
        for (int y = top + h; y < bottom - h; ++y) put(x, y, alphaAt(kLeft(x)));
    }
    for (int x = right - h; x < right + h; ++x) {
        for (int y = top + h; y < bottom - h; ++y) put(x, y, alphaAt(kRight(x)));
    }
    // Corners fall off radially around the crossing of the innermost lines.
    for (int cy = 0; cy < 2; ++cy) {
        for (int cx = 0; cx < 2; ++cx) {
            const int x0 = cx ? right - h : left - h;
            const int y0 = cy ? bottom - h : top - h;
            for (int y = y0; y < y0 + b; ++y) {
                for (int x = x0; x < x0 + b; ++x) {
                    const double kx = cx ? kRight(x) : kLeft(x);
                    const double ky = cy ? kBottom(y) : kTop(y);
                    put(x, y, alphaAt(std::sqrt(kx * kx + ky * ky)));
                }
            }
        }
    }
}

SIZE CalcCoverSize(int imageWidth, int imageHeight, int targetWidth, int targetHeight) {
    // An image without area has no aspect ratio: take the target as it is.
    if (imageWidth <= 0 || imageHeight <= 0) return SIZE{targetWidth, targetHeight};
    SIZE size;
    size.cy = targetHeight;
    size.cx = static_cast<LONG>(std::ceil(static_cast<double>(imageWidth) * targetHeight / imageHeight));
    if (size.cx < targetWidth) {
        size.cx = targetWidth;
        size.cy = static_cast<LONG>(std::ceil(static_cast<double>(targetWidth) / imageWidth * imageHeight));
    }
    return size;
}

Gdiplus::Bitmap* LoadBitmapFromBytes(const void* bytes, size_t size) {
    if (size == 0) return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return nullptr;
    void* target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return nullptr;
    }
    memcpy(target, bytes, size);
    GlobalUnlock(block);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
        GlobalFree(block);
        return nullptr;
    }
    // The bitmap holds its own reference to the stream.
    Gdiplus::Bitmap* bitmap = Gdiplus::Bitmap::FromStream(stream);
    stream->Release();
    if (bitmap && (bitmap->GetLastStatus() != Gdiplus::Ok || bitmap->GetWidth() == 0)) {
        delete bitmap;
        bitmap = nullptr;
    }
    return bitmap;
}

Gdiplus::Bitmap* LoadResourceImage(const wchar_t* type, int id) {
    const HMODULE module = CDuiApp::GetModuleInstance();
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!resource) return nullptr;
    const DWORD size = SizeofResource(module, resource);
    HGLOBAL loaded = size ? LoadResource(module, resource) : NULL;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return nullptr;
    return LoadBitmapFromBytes(bytes, size);
}

Gdiplus::Bitmap* LoadDpiResourceImage(const int ids[4], SIZE logicalSize) {
    static const int kDpis[] = {96, 120, 144, 192};
    for (int i = 0; i < 4; ++i) {
        if (g_screenDpi == kDpis[i]) return LoadResourceImage(L"PNG", ids[i]);
    }
    std::unique_ptr<Gdiplus::Bitmap> largest(LoadResourceImage(L"PNG", ids[3]));
    if (!largest) return nullptr;
    return ScaleBitmap(largest.get(), largest->GetPixelFormat(), Gdiplus::InterpolationModeDefault,
                       static_cast<int>(logicalSize.cx * g_dpiFactor), static_cast<int>(logicalSize.cy * g_dpiFactor));
}

Gdiplus::Bitmap* ScaleBitmap(Gdiplus::Bitmap* source, Gdiplus::PixelFormat format, Gdiplus::InterpolationMode mode,
                             int width, int height) {
    if (!source || width < 1 || height < 1) return nullptr;
    Gdiplus::Bitmap* scaled = new Gdiplus::Bitmap(width, height, format);
    if (scaled->GetLastStatus() != Gdiplus::Ok) {
        delete scaled;
        return nullptr;
    }
    Gdiplus::Graphics graphics(scaled);
    graphics.Clear(Gdiplus::Color(0));
    graphics.SetInterpolationMode(mode);
    graphics.DrawImage(source, 0, 0, width, height);
    return scaled;
}

void ResamplePixels(const uint8_t* source, int sourceWidth, int sourceHeight, int sourceStride, uint8_t* target,
                    int width, int height, int stride) {
    if (!source || !target || sourceWidth < 1 || sourceHeight < 1 || width < 1 || height < 1) return;
    const AxisWeights across = MakeAxisWeights(sourceWidth, width);
    const AxisWeights down = MakeAxisWeights(sourceHeight, height);
    // Rows first: every source row resampled across into 8.8 fixed point.
    std::vector<uint16_t> rows(static_cast<size_t>(width) * 4 * sourceHeight);
    for (int y = 0; y < sourceHeight; ++y) {
        const uint8_t* in = source + static_cast<ptrdiff_t>(y) * sourceStride;
        uint16_t* out = &rows[static_cast<size_t>(y) * width * 4];
        for (int x = 0; x < width; ++x) {
            const uint8_t* pixel = in + across.first[x] * 4;
            const int* w = &across.weights[across.offset[x]];
            uint32_t sum[4] = {0, 0, 0, 0};
            for (int k = 0; k < across.count[x]; ++k, pixel += 4) {
                for (int c = 0; c < 4; ++c) sum[c] += pixel[c] * static_cast<uint32_t>(w[k]);
            }
            for (int c = 0; c < 4; ++c) out[x * 4 + c] = static_cast<uint16_t>(sum[c] >> (kWeightShift - 8));
        }
    }
    // Then columns: the resampled rows combined down.
    std::vector<uint32_t> sum(static_cast<size_t>(width) * 4);
    for (int y = 0; y < height; ++y) {
        std::fill(sum.begin(), sum.end(), 0u);
        const int* w = &down.weights[down.offset[y]];
        for (int k = 0; k < down.count[y]; ++k) {
            const uint16_t* row = &rows[static_cast<size_t>(down.first[y] + k) * width * 4];
            for (int i = 0; i < width * 4; ++i) sum[i] += row[i] * static_cast<uint32_t>(w[k]);
        }
        uint8_t* out = target + static_cast<ptrdiff_t>(y) * stride;
        constexpr int shift = kWeightShift + 8;
        for (int i = 0; i < width * 4; ++i) {
            out[i] = static_cast<uint8_t>(std::min<uint32_t>(255u, (sum[i] + (1u << (shift - 1))) >> shift));
        }
    }
}

Gdiplus::Bitmap* ResampleBitmap(Gdiplus::Bitmap* source, int width, int height) {
    if (!source || width < 1 || height < 1) return nullptr;
    const int sourceWidth = static_cast<int>(source->GetWidth()), sourceHeight = static_cast<int>(source->GetHeight());
    if (sourceWidth < 1 || sourceHeight < 1) return nullptr;
    // Premultiplied on both sides: transparent pixels add no colour to their neighbours.
    Gdiplus::Rect all(0, 0, sourceWidth, sourceHeight);
    Gdiplus::BitmapData in = {};
    if (source->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &in) != Gdiplus::Ok) return nullptr;
    std::unique_ptr<Gdiplus::Bitmap> scaled(new Gdiplus::Bitmap(width, height, PixelFormat32bppPARGB));
    Gdiplus::Rect area(0, 0, width, height);
    Gdiplus::BitmapData out = {};
    if (scaled->GetLastStatus() != Gdiplus::Ok ||
        scaled->LockBits(&area, Gdiplus::ImageLockModeWrite, PixelFormat32bppPARGB, &out) != Gdiplus::Ok) {
        source->UnlockBits(&in);
        return nullptr;
    }
    ResamplePixels(static_cast<const uint8_t*>(in.Scan0), sourceWidth, sourceHeight, in.Stride,
                   static_cast<uint8_t*>(out.Scan0), width, height, out.Stride);
    source->UnlockBits(&in);
    return scaled->UnlockBits(&out) == Gdiplus::Ok ? scaled.release() : nullptr;
}

bool BlurBitmap(Gdiplus::Bitmap* bitmap, int sigma) {
    return bitmap && BlurBitmapRect(bitmap, WholeBitmap(bitmap), sigma, 2);
}

bool BlurBitmapRect(Gdiplus::Bitmap* bitmap, const UIRect& rect, int sigma, int passes) {
    LockedBits locked(bitmap, rect);
    if (!locked.IsLocked()) return false;
    BlurPixels(locked.Bits(), locked.Width(), locked.Height(), locked.Stride(), sigma, passes);
    return locked.Unlock();
}

bool BlurBitmapRectGrey(Gdiplus::Bitmap* bitmap, const UIRect& rect, int sigma) {
    LockedBits locked(bitmap, rect);
    if (!locked.IsLocked()) return false;
    BlurPixelsGrey(locked.Bits(), locked.Width(), locked.Height(), locked.Stride(), sigma);
    return locked.Unlock();
}

bool RenderShadow(Gdiplus::Bitmap* bitmap, const UIRect& shape, const ShadowStyle& style) {
    if (!bitmap) return false;
    LockedBits locked(bitmap, WholeBitmap(bitmap));
    if (!locked.IsLocked()) return false;
    RenderShadowPixels(locked.Bits(), locked.Width(), locked.Height(), locked.Stride(), shape, style);
    return locked.Unlock();
}

void DrawTextInRect(Gdiplus::Graphics* graphics, const wchar_t* text, int length, const Gdiplus::Font* font,
                    const Gdiplus::RectF& rect, uint32_t argb, const Gdiplus::StringFormat* format) {
    Gdiplus::SolidBrush brush{Gdiplus::Color(argb)};
    graphics->DrawString(text, length, font, rect, format, &brush);
}

namespace {

constexpr wchar_t kEllipsis = 0x2026;

float TextWidth(Gdiplus::Graphics* graphics, const wchar_t* text, int length, const Gdiplus::Font* font,
                const Gdiplus::StringFormat* format) {
    Gdiplus::RectF box;
    graphics->MeasureString(text, length, font, Gdiplus::PointF(0.0f, 0.0f), format, &box);
    return box.Width;
}

}  // namespace

int FitTextBeforeEllipsis(Gdiplus::Graphics* graphics, const wchar_t* text, int length, const Gdiplus::Font* font,
                          float width, const Gdiplus::StringFormat* format) {
    if (!graphics || !text || !font || length <= 0) return std::max(length, 0);
    if (TextWidth(graphics, text, length, font, format) <= width) return length;
    std::wstring candidate(text, static_cast<size_t>(length));
    auto fits = [&](int kept) {
        candidate.assign(text, static_cast<size_t>(kept));
        candidate.push_back(kEllipsis);
        return TextWidth(graphics, candidate.c_str(), kept + 1, font, format) <= width;
    };
    // Wider with every character kept, so the longest that fits is found by halving.
    int low = 0, high = length - 1;
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (fits(middle)) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    if (low > 0 && IS_HIGH_SURROGATE(text[low - 1])) --low;
    return low;
}

void DrawTextEllipsis(Gdiplus::Graphics* graphics, const wchar_t* text, int length, const Gdiplus::Font* font,
                      const Gdiplus::RectF& rect, uint32_t argb, const Gdiplus::StringFormat* format) {
    const int kept = FitTextBeforeEllipsis(graphics, text, length, font, rect.Width, format);
    if (kept >= length) {
        DrawTextInRect(graphics, text, length, font, rect, argb, format);
        return;
    }
    std::wstring shown(text, static_cast<size_t>(kept));
    shown.push_back(kEllipsis);
    DrawTextInRect(graphics, shown.c_str(), kept + 1, font, rect, argb, format);
}

}  // namespace wendaldui
