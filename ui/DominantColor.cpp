#include "ui/DominantColor.h"

#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

#include "WendalDui/Core/ColorConvert.h"

namespace trelm {
namespace ui {

namespace {

// 16 levels per channel, with an empty outer layer so that every bin has six
// neighbours.
constexpr int kLevels = 16;
constexpr int kSide = kLevels + 2;

int Bin(int r, int g, int b) { return ((r + 1) * kSide + (g + 1)) * kSide + (b + 1); }

bool InWindow(uint32_t argb, double minS, double minL, double maxL, double* h, double* s, double* l) {
    wendaldui::RgbToHsl(((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0, *h, *s,
                        *l);
    return *s >= minS && *s <= 1.0 && *l >= minL && *l <= maxL;
}

}  // namespace

uint32_t GetDominantColor(Gdiplus::Bitmap* picture) {
    if (!picture) return kDefaultThemeColor;
    const UINT width = picture->GetWidth(), height = picture->GetHeight();
    if (width == 0 || height == 0) return kDefaultThemeColor;
    Gdiplus::BitmapData data;
    Gdiplus::Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    if (picture->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok) {
        return kDefaultThemeColor;
    }
    std::vector<int> counts(kSide * kSide * kSide, 0);
    const UINT stepX = std::max(1u, width / 100), stepY = std::max(1u, height / 100);
    for (UINT y = 0; y < height; y += stepY) {
        const uint32_t* row =
            reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(data.Scan0) + y * data.Stride);
        for (UINT x = 0; x < width; x += stepX) {
            const uint32_t p = row[x];
            ++counts[Bin((p >> 20) & 0xF, (p >> 12) & 0xF, (p >> 4) & 0xF)];
        }
    }
    const uint32_t firstPixel = *static_cast<const uint32_t*>(data.Scan0);
    picture->UnlockBits(&data);

    // Peaks by count, highest first; of equal counts the first found is kept.
    std::map<int, uint32_t, std::greater<int>> peaks;
    const int neighbours[6] = {kSide * kSide, -kSide * kSide, kSide, -kSide, 1, -1};
    for (int r = 0; r < kLevels; ++r) {
        for (int g = 0; g < kLevels; ++g) {
            for (int b = 0; b < kLevels; ++b) {
                const int bin = Bin(r, g, b);
                const int count = counts[bin];
                if (count == 0) continue;
                bool peak = true;
                for (int offset : neighbours) peak = peak && count > counts[bin + offset];
                if (peak && !peaks.count(count)) {
                    peaks[count] = 0xFF000000u | ((16u * r + 8) << 16) | ((16u * g + 8) << 8) | (16u * b + 8);
                }
            }
        }
    }
    if (peaks.empty()) peaks[1] = firstPixel;

    double h, s, l;
    for (const auto& peak : peaks) {
        if (InWindow(peak.second, 0.2, 0.2, 0.6, &h, &s, &l)) return peak.second;
    }
    for (const auto& peak : peaks) {
        if (!InWindow(peak.second, 0.1, 0.1, 0.9, &h, &s, &l)) continue;
        double r, g, b;
        wendaldui::HslToRgb(h, std::min(std::max(s, 0.2), 1.0), std::min(std::max(l, 0.2), 0.6), r, g, b);
        return wendaldui::MakeArgb(0xFF, r, g, b);
    }
    return kDefaultThemeColor;
}

}  // namespace ui
}  // namespace trelm
