#include "WendalDui/Core/SkinPaint.h"

#include "WendalDui/Core/DuiDpi.h"

namespace wendaldui {

namespace {

void DrawImageWithMatrix(Gdiplus::Graphics* graphics, Gdiplus::Image* image, const UIRect& rect,
                         const Gdiplus::ColorMatrix& matrix) {
    if (!image) return;
    Gdiplus::ImageAttributes attributes;
    attributes.SetColorMatrix(&matrix);
    graphics->DrawImage(image, Gdiplus::Rect(rect.x, rect.y, rect.width, rect.height), 0, 0,
                        static_cast<INT>(image->GetWidth()), static_cast<INT>(image->GetHeight()), Gdiplus::UnitPixel,
                        &attributes);
}

void DrawTile(Gdiplus::Graphics* graphics, Gdiplus::Bitmap* bitmap, int x, int y, int width, int height, int sx,
               int sy, int sourceWidth, int sourceHeight) {
    // GDI+ mirrors a negative size; a strip too short for its corners has no middle.
    if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return;
    graphics->DrawImage(bitmap, Gdiplus::Rect(x, y, width, height), sx, sy, sourceWidth, sourceHeight,
                        Gdiplus::UnitPixel);
}

}  // namespace

void DrawFocusRect(Gdiplus::Graphics* graphics, const UIRect& rect) {
    Gdiplus::Pen pen(Gdiplus::Color(0xE6000000), 1.0f);
    pen.SetDashStyle(Gdiplus::DashStyleDot);
    graphics->DrawRectangle(&pen, rect.x, rect.y, rect.width - 1, rect.height - 1);
}

void DrawRingMarker(Gdiplus::Graphics* graphics, const Gdiplus::PointF& centre, float radius) {
    const Gdiplus::RectF circle(centre.X - radius, centre.Y - radius, 2 * radius, 2 * radius);
    Gdiplus::Pen white(Gdiplus::Color(0xC8FFFFFF), 3.0f * g_dpiFactor);
    graphics->DrawEllipse(&white, circle);
    Gdiplus::Pen black(Gdiplus::Color(0xC8000000), 1.0f * g_dpiFactor);
    graphics->DrawEllipse(&black, circle);
}

void DrawImageTinted(Gdiplus::Graphics* graphics, Gdiplus::Image* image, const UIRect& rect, uint32_t argb) {
    Gdiplus::ColorMatrix matrix = {};
    matrix.m[0][0] = ((argb >> 16) & 0xFF) / 255.0f;
    matrix.m[1][1] = ((argb >> 8) & 0xFF) / 255.0f;
    matrix.m[2][2] = (argb & 0xFF) / 255.0f;
    matrix.m[3][3] = (argb >> 24) / 255.0f;
    DrawImageWithMatrix(graphics, image, rect, matrix);
}

void DrawImageAlpha(Gdiplus::Graphics* graphics, Gdiplus::Image* image, const UIRect& rect, uint8_t alpha) {
    Gdiplus::ColorMatrix matrix = {};
    for (int i = 0; i < 5; ++i) matrix.m[i][i] = 1.0f;
    matrix.m[3][3] = alpha / 255.0f;
    DrawImageWithMatrix(graphics, image, rect, matrix);
}

void DrawShadowStrip(Gdiplus::Graphics* graphics, const ShadowRecord& record, int side, int length, bool copy) {
    if (!record.bitmap) return;
    const int R = record.radius, h = R / 2;
    const Gdiplus::InterpolationMode oldInterpolation = graphics->GetInterpolationMode();
    const Gdiplus::CompositingMode oldCompositing = graphics->GetCompositingMode();
    graphics->SetInterpolationMode(Gdiplus::InterpolationModeDefault);
    graphics->SetCompositingMode(copy ? Gdiplus::CompositingModeSourceCopy : Gdiplus::CompositingModeSourceOver);
    Gdiplus::Bitmap* bitmap = record.bitmap;
    if (side == kShadowTop || side == kShadowBottom) {
        const int y0 = side == kShadowTop ? 0 : record.height + h;
        DrawTile(graphics, bitmap, 0, 0, R, h, 0, y0, R, h);
        DrawTile(graphics, bitmap, R, 0, length - 2 * R, h, R, y0, record.width - 2 * R, h);
        DrawTile(graphics, bitmap, length - R, 0, R, h, record.width, y0, R, h);
    } else if (side == kShadowRight || side == kShadowLeft) {
        const int x0 = side == kShadowRight ? record.width + h : 0;
        DrawTile(graphics, bitmap, 0, 0, h, h, x0, h, h, h);
        DrawTile(graphics, bitmap, 0, h, h, length - R, x0, R, h, record.height - R);
        DrawTile(graphics, bitmap, 0, length - h, h, h, x0, record.height, h, h);
    }
    graphics->SetCompositingMode(oldCompositing);
    graphics->SetInterpolationMode(oldInterpolation);
}

void FillArcBand(Gdiplus::Graphics* graphics, Gdiplus::Brush* brush, const Gdiplus::RectF& rect, float start,
                 float end, float thickness) {
    const float from = start * 360.0f - 90.0f;
    const float sweep = (end - start) * 360.0f;
    const Gdiplus::RectF inner(rect.X + thickness, rect.Y + thickness, rect.Width - 2 * thickness,
                               rect.Height - 2 * thickness);
    Gdiplus::GraphicsPath path;
    path.AddArc(rect, from, sweep);
    path.AddArc(inner, from + sweep, -sweep);
    path.CloseFigure();
    graphics->FillPath(brush, &path);
}

}  // namespace wendaldui
