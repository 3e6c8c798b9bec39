#include "ui/UIBluredBackgroundImage.h"

#include <gdiplus.h>

#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiWindow.h"
#include "WendalDui/Core/ImageProcessing.h"

namespace trelm {
namespace ui {

using wendaldui::UIRect;

namespace {

constexpr UINT kFadeTimer = 1;
constexpr UINT kFadeMs = 20;

// The part of the bitmap under `area` (control coordinates) that also lies in
// dirty, drawn where it belongs; the bitmap's pixel (0, 0) sits at origin.
void DrawPart(Gdiplus::Graphics* graphics, Gdiplus::Bitmap* bitmap, const UIRect& area, const UIRect& dirty,
              int originX, int originY, const UIRect& control, Gdiplus::ImageAttributes* attributes) {
    UIRect part;
    const UIRect image(originX, originY, static_cast<int32_t>(bitmap->GetWidth()),
                       static_cast<int32_t>(bitmap->GetHeight()));
    UIRect visible;
    if (!area.Intersect(dirty, part) || !part.Intersect(image, visible) || visible.width == 0 ||
        visible.height == 0) {
        return;
    }
    graphics->DrawImage(bitmap,
                        Gdiplus::Rect(control.x + visible.x, control.y + visible.y, visible.width, visible.height),
                        visible.x - originX, visible.y - originY, visible.width, visible.height, Gdiplus::UnitPixel,
                        attributes);
}

}  // namespace

CUIBluredBackgroundImage::~CUIBluredBackgroundImage() {
    DeletePrevious();
    delete m_blurred;
    delete m_picture;
}

void CUIBluredBackgroundImage::OnCreate(void*) {
    m_blurArea = UIRect(0, 0, -1, -1);
    m_alpha.SetEasing(wendaldui::kEaseLinear);
    m_alpha.SetMode(wendaldui::kTweenOnce);
    m_alpha.Start(255, 255, 1);
}

void CUIBluredBackgroundImage::OnDestroy() {
    DeletePrevious();
    delete m_blurred;
    delete m_picture;
    m_blurred = m_picture = nullptr;
}

void CUIBluredBackgroundImage::DeletePrevious() {
    delete m_previousBlurred;
    delete m_previous;
    m_previousBlurred = m_previous = nullptr;
}

void CUIBluredBackgroundImage::SetBlurArea(const UIRect& area) {
    if (area == m_blurArea) return;
    // Both the old and the new strip change their look.
    Invalidate();
    m_blurArea = area;
}

Gdiplus::Bitmap* CUIBluredBackgroundImage::BlurCrop(Gdiplus::Bitmap* picture, const UIRect& crop) {
    if (!picture || crop.width <= 0 || crop.height <= 0) return nullptr;
    Gdiplus::Bitmap* blurred = picture->Clone(crop.x, crop.y, crop.width, crop.height, picture->GetPixelFormat());
    if (blurred && blurred->GetLastStatus() != Gdiplus::Ok) {
        delete blurred;
        blurred = nullptr;
    }
    if (blurred) wendaldui::BlurBitmap(blurred, static_cast<int>(8 * wendaldui::g_dpiFactor));
    return blurred;
}

void CUIBluredBackgroundImage::SetImage(Gdiplus::Bitmap*& picture, const UIRect& crop, int frames, int startAlpha) {
    Gdiplus::Bitmap* blurred = BlurCrop(picture, crop);
    SetImage(picture, blurred, crop, frames, startAlpha);
}

void CUIBluredBackgroundImage::SetImage(Gdiplus::Bitmap*& picture, Gdiplus::Bitmap*& blurred, const UIRect& crop,
                                        int frames, int startAlpha) {
    DeletePrevious();
    m_previous = m_picture;
    m_previousBlurred = m_blurred;
    m_previousCrop = m_crop;
    m_picture = picture;
    picture = nullptr;
    m_blurred = blurred;
    blurred = nullptr;
    m_crop = crop;
    if (startAlpha >= 255) {
        // Shown whole at once: no fade, nothing of the old picture to keep.
        if (m_window) m_window->KillControlTimer(this, kFadeTimer);
        m_alpha.Start(255, 255, 1);
        DeletePrevious();
    } else {
        m_alpha.Start(startAlpha, 255, frames);
        if (m_window) m_window->SetControlTimer(this, kFadeTimer, kFadeMs);
    }
    Invalidate();
}

void CUIBluredBackgroundImage::SetTint(wendaldui::ARGB tint) {
    if (tint == m_backgroundColor) return;
    m_backgroundColor = tint;
    // Only seen while a picture fades in over no previous one.
    if (m_alpha.GetValue() < 255 && !m_previous) Invalidate();
}

void CUIBluredBackgroundImage::OnTimer(UINT localId) {
    if (localId != kFadeTimer) return;
    const bool running = m_alpha.Step();
    Invalidate();
    if (running) return;
    if (m_window) m_window->KillControlTimer(this, kFadeTimer);
    DeletePrevious();
}

void CUIBluredBackgroundImage::DrawPair(Gdiplus::Graphics* graphics, const Pair& pair,
                                        const wendaldui::PaintContext& context, int alpha) {
    const UIRect dirty = context.dirty.Offset(-context.rect.x, -context.rect.y);
    Gdiplus::ImageAttributes faded;
    Gdiplus::ImageAttributes* attributes = nullptr;
    if (alpha < 255) {
        Gdiplus::ColorMatrix matrix = {};
        for (int i = 0; i < 5; ++i) matrix.m[i][i] = 1.0f;
        matrix.m[3][3] = alpha / 255.0f;
        faded.SetColorMatrix(&matrix);
        attributes = &faded;
    }
    const UIRect everywhere(0, 0, context.rect.width, context.rect.height);
    UIRect blur;
    const bool hasBlur = pair.blurred && !m_blurArea.IsEmpty() && m_blurArea.Intersect(pair.crop, blur);
    // A part wholly under the panel needs no sharp picture below it.
    if (!hasBlur || !blur.Contains(dirty)) {
        DrawPart(graphics, pair.picture, everywhere, dirty, 0, 0, context.rect, attributes);
    }
    if (hasBlur) DrawPart(graphics, pair.blurred, blur, dirty, pair.crop.x, pair.crop.y, context.rect, attributes);
}

void CUIBluredBackgroundImage::OnPaint(wendaldui::PaintContext& context) {
    Gdiplus::Graphics* graphics = context.graphics;
    graphics->SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    const int alpha = m_alpha.GetValue();
    if (m_previous) {
        graphics->SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        DrawPair(graphics, Pair{m_previous, m_previousBlurred, m_previousCrop}, context, 255);
    } else if (alpha < 255) {
        graphics->SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        Gdiplus::SolidBrush fill{Gdiplus::Color(m_backgroundColor)};
        const UIRect& d = context.dirty;
        graphics->FillRectangle(&fill, d.x, d.y, d.width, d.height);
    }
    if (m_picture) {
        graphics->SetCompositingMode(alpha < 255 ? Gdiplus::CompositingModeSourceOver
                                                 : Gdiplus::CompositingModeSourceCopy);
        DrawPair(graphics, Pair{m_picture, m_blurred, m_crop}, context, alpha);
    }
    graphics->SetCompositingMode(Gdiplus::CompositingModeSourceOver);
}

}  // namespace ui
}  // namespace trelm
