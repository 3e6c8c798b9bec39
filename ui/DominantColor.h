// The colour a picture is mostly made of, for a theme that follows the
// background: the most frequent colour that is neither grey nor too dark or
// light, or a clamped version of one that nearly is.
#pragma once

#include <cstdint>

namespace Gdiplus {
class Bitmap;
}

namespace trelm {
namespace ui {

// The first colour preset, for pictures with nothing usable.
constexpr uint32_t kDefaultThemeColor = 0xFF2868B8;

uint32_t GetDominantColor(Gdiplus::Bitmap* picture);

}  // namespace ui
}  // namespace trelm
