// Small GDI+ paint routines the controls share.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>

#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Utils/UIRect.h"

namespace wendaldui {

enum ShadowSide { kShadowTop = 0, kShadowRight = 1, kShadowBottom = 2, kShadowLeft = 3 };

// Dotted black frame just inside the rect.
void DrawFocusRect(Gdiplus::Graphics* graphics, const UIRect& rect);
// A white ring under a black one, visible on any colour.
void DrawRingMarker(Gdiplus::Graphics* graphics, const Gdiplus::PointF& centre, float radius);
// The image scaled into rect with each channel multiplied by argb's.
void DrawImageTinted(Gdiplus::Graphics* graphics, Gdiplus::Image* image, const UIRect& rect, uint32_t argb);
void DrawImageAlpha(Gdiplus::Graphics* graphics, Gdiplus::Image* image, const UIRect& rect, uint8_t alpha);
// One side of a drop shadow, cut from the record's bitmap, into a strip whose
// origin is (0, 0); copy replaces the pixels beneath instead of blending.
void DrawShadowStrip(Gdiplus::Graphics* graphics, const ShadowRecord& record, int side, int length, bool copy);
// The band between the rect's ellipse and the ellipse `thickness` inside it,
// from start to end (fractions of a turn clockwise from the top).
void FillArcBand(Gdiplus::Graphics* graphics, Gdiplus::Brush* brush, const Gdiplus::RectF& rect, float start,
                 float end, float thickness);

}  // namespace wendaldui
