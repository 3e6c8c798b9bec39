#include "WendalDui/Utils/UIRect.h"

#include <algorithm>

namespace wendaldui {

namespace {

// Edges are computed in 64 bits so that rects near the int32 limits neither
// wrap nor trip signed overflow; results saturate instead.
int32_t Saturate(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

int64_t Right(const UIRect& r) { return static_cast<int64_t>(r.x) + r.width; }
int64_t Bottom(const UIRect& r) { return static_cast<int64_t>(r.y) + r.height; }

}  // namespace

UIRect UIRect::InflateXY(int32_t dx, int32_t dy) const {
    // An empty rect has no position to grow from: inflating it must not turn
    // (0, 0, -1, -1) into a real area at the origin.
    if (IsEmpty()) return *this;
    const int64_t w = static_cast<int64_t>(width) + 2 * static_cast<int64_t>(dx);
    const int64_t h = static_cast<int64_t>(height) + 2 * static_cast<int64_t>(dy);
    return UIRect(Saturate(static_cast<int64_t>(x) - dx), Saturate(static_cast<int64_t>(y) - dy),
                  Saturate(std::max<int64_t>(w, 0)), Saturate(std::max<int64_t>(h, 0)));
}

UIRect UIRect::Offset(int32_t dx, int32_t dy) const {
    if (IsEmpty()) return *this;
    return UIRect(Saturate(static_cast<int64_t>(x) + dx), Saturate(static_cast<int64_t>(y) + dy), width,
                  height);
}

bool UIRect::PtInRect(int32_t px, int32_t py) const {
    if (IsEmpty()) return false;
    return px >= x && px < Right(*this) && py >= y && py < Bottom(*this);
}

bool UIRect::Intersects(const UIRect& other) const {
    if (IsEmpty() || other.IsEmpty()) return false;
    return std::max(x, other.x) < std::min(Right(*this), Right(other)) &&
           std::max(y, other.y) < std::min(Bottom(*this), Bottom(other));
}

bool UIRect::Intersect(const UIRect& other, UIRect& out) const {
    if (!Intersects(other)) {
        out.width = -1;
        out.height = -1;
        return false;
    }
    const int32_t left = std::max(x, other.x);
    const int32_t top = std::max(y, other.y);
    out = UIRect(left, top, Saturate(std::min(Right(*this), Right(other)) - left),
                 Saturate(std::min(Bottom(*this), Bottom(other)) - top));
    return true;
}

void UIRect::Union(const UIRect& other) {
    if (IsEmpty()) {
        *this = other;
        return;
    }
    if (other.IsEmpty()) return;
    const int32_t left = std::min(x, other.x);
    const int32_t top = std::min(y, other.y);
    const int64_t right = std::max(Right(*this), Right(other));
    const int64_t bottom = std::max(Bottom(*this), Bottom(other));
    *this = UIRect(left, top, Saturate(right - left), Saturate(bottom - top));
}

bool UIRect::Contains(const UIRect& other) const {
    if (IsEmpty() || other.IsEmpty()) return false;
    return other.x >= x && other.y >= y && Right(other) <= Right(*this) && Bottom(other) <= Bottom(*this);
}

}  // namespace wendaldui
