#include "WendalDui/Control/PickerSurface.h"

#include <algorithm>
#include <cmath>

#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/SkinPaint.h"

namespace wendaldui {
namespace internal {

void CPickerSurface::Resize(int width, int height) {
    m_width = std::max(1, width);
    m_height = std::max(1, height);
    m_bitmap.reset(new Gdiplus::Bitmap(m_width, m_height, PixelFormat32bppPARGB));
    if (m_bitmap->GetLastStatus() != Gdiplus::Ok) m_bitmap.reset();
    m_stale = true;
}

void CPickerSurface::Fill(const std::vector<uint32_t>& pixels) {
    m_stale = false;
    if (!m_bitmap || pixels.size() != static_cast<size_t>(m_width) * m_height) return;
    // The buffer is handed to GDI+ as the locked bits, so unlocking copies it
    // in without a second pass over the pixels.
    Gdiplus::BitmapData data = {};
    data.Width = m_width;
    data.Height = m_height;
    data.Stride = m_width * 4;
    data.PixelFormat = PixelFormat32bppPARGB;
    data.Scan0 = const_cast<uint32_t*>(pixels.data());
    Gdiplus::Rect area(0, 0, m_width, m_height);
    if (m_bitmap->LockBits(&area, Gdiplus::ImageLockModeWrite | Gdiplus::ImageLockModeUserInputBuf,
                           PixelFormat32bppPARGB, &data) == Gdiplus::Ok) {
        m_bitmap->UnlockBits(&data);
    }
}

void CPickerSurface::Paint(PaintContext& context, float x, float y) const {
    Gdiplus::Graphics* graphics = context.graphics;
    const UIRect& r = context.rect;
    UIRect part;
    if (m_bitmap && context.dirty.Intersect(UIRect(r.x, r.y, m_width, m_height), part)) {
        graphics->SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        graphics->SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
        graphics->DrawImage(m_bitmap.get(), Gdiplus::Rect(part.x, part.y, part.width, part.height), part.x - r.x,
                            part.y - r.y, part.width, part.height, Gdiplus::UnitPixel);
    }
    graphics->SetCompositingMode(Gdiplus::CompositingModeSourceOver);
    graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    const Gdiplus::PointF centre(r.x + FractionToPoint(x, r.width), r.y + FractionToPoint(y, r.height));
    DrawRingMarker(graphics, centre, static_cast<float>(static_cast<int>(4 * g_dpiFactor)));
}

float CPickerSurface::PointToFraction(int point, int size, float current) {
    if (size <= 0) return current;
    if (size == 1) return 0.0f;
    // A named float, so that -ffloat-store rounds it: the x87 unit would
    // otherwise keep extra bits, and the same click would differ from the
    // stored marker and count as a move.
    const float fraction = static_cast<float>(point) / static_cast<float>(size - 1);
    return std::min(1.0f, std::max(0.0f, fraction));
}

float CPickerSurface::FractionToPoint(float fraction, int size) {
    return size > 1 ? fraction * static_cast<float>(size - 1) : 0.0f;
}

UIRect CPickerSurface::MarkerArea(int width, int height, float oldX, float oldY, float newX, float newY) {
    // Wide enough for the ring with its pen and anti-aliasing.
    const int r = 3 + static_cast<int>(4 * g_dpiFactor);
    auto square = [&](float x, float y) {
        const int cx = static_cast<int>(std::floor(FractionToPoint(x, width)));
        const int cy = static_cast<int>(std::floor(FractionToPoint(y, height)));
        return UIRect(cx - r, cy - r, 2 * r + 1, 2 * r + 1);
    };
    UIRect both = square(oldX, oldY);
    both.Union(square(newX, newY));
    UIRect area;
    both.Intersect(UIRect(0, 0, width, height), area);
    return area;
}

}  // namespace internal
}  // namespace wendaldui
