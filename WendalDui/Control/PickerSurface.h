// What the hue/lightness field and the saturation bar have in common: an
// opaque bitmap of the control's size filled pixel by pixel, copied 1:1 under
// a ring marker, and the mapping between the marker and the mouse.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "WendalDui/Control/UIControl.h"

namespace wendaldui {
namespace internal {

class CPickerSurface {
public:
    // A new bitmap of the size (at least 1 x 1), to be filled before the next paint.
    void Resize(int width, int height);
    void MarkStale() { m_stale = true; }
    bool IsStale() const { return m_stale; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    // Replaces every pixel: width x height values 0xAARRGGBB, row by row.
    void Fill(const std::vector<uint32_t>& pixels);
    // The dirty part of the bitmap 1:1, then the marker; the fractions place
    // it inside context.rect.
    void Paint(PaintContext& context, float x, float y) const;

    // The marker's fraction for a mouse coordinate: the first pixel gives 0
    // and the last 1, so both ends can be clicked. A control without that
    // extent keeps `current`: there is nothing to divide by.
    static float PointToFraction(int point, int size, float current);
    // Inverse of the above: the marker sits on the pixel that was clicked.
    static float FractionToPoint(float fraction, int size);
    // The part of a width x height control that covers the marker at the old
    // and at the new place.
    static UIRect MarkerArea(int width, int height, float oldX, float oldY, float newX, float newY);

private:
    std::unique_ptr<Gdiplus::Bitmap> m_bitmap;
    int m_width = 0;
    int m_height = 0;
    bool m_stale = true;
};

}  // namespace internal
}  // namespace wendaldui
