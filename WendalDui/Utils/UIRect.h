// Integer rectangle {x, y, width, height} of the UI framework. A negative
// width or height marks the empty rect, written (0, 0, -1, -1); a size of 0 is
// not empty but covers no point.
#pragma once

#include <cstdint>

namespace wendaldui {

struct UIRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = -1;
    int32_t height = -1;

    UIRect() = default;
    UIRect(int32_t x_, int32_t y_, int32_t width_, int32_t height_)
        : x(x_), y(y_), width(width_), height(height_) {}

    bool IsEmpty() const { return width < 0 || height < 0; }

    // Grown by d on every side (shrunk for d < 0), sizes clamped at 0.
    UIRect Inflate(int32_t d) const { return InflateXY(d, d); }
    UIRect InflateXY(int32_t dx, int32_t dy) const;
    UIRect Offset(int32_t dx, int32_t dy) const;

    // Half-open: the right and bottom edges are outside.
    bool PtInRect(int32_t px, int32_t py) const;
    bool Intersects(const UIRect& other) const;
    // On failure out's size becomes -1 x -1 and its position is left alone.
    bool Intersect(const UIRect& other, UIRect& out) const;
    // This becomes the bounding box of both; an empty side adds nothing.
    void Union(const UIRect& other);
    // Other lies wholly inside (edges may touch); false when either is empty.
    bool Contains(const UIRect& other) const;
};

inline bool operator==(const UIRect& a, const UIRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}
inline bool operator!=(const UIRect& a, const UIRect& b) { return !(a == b); }

}  // namespace wendaldui
