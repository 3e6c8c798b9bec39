#include "WendalDui/Control/UIImage.h"

#include <gdiplus.h>

#include "WendalDui/Core/ImageProcessing.h"

namespace wendaldui {

CUIImage::~CUIImage() { Release(); }

void CUIImage::Release() {
    // A bitmap the caller lent stays the caller's, however the control goes.
    if (m_flags & kImageOwned) delete m_image;
    m_image = nullptr;
}

void CUIImage::Replace(Gdiplus::Bitmap* bitmap, bool own) {
    const bool shown = m_image != nullptr;
    if (bitmap != m_image) Release();
    m_image = bitmap;
    m_flags = own ? (m_flags | kImageOwned) : (m_flags & ~kImageOwned);
    // Also when the image went away: the old picture must not stay on screen.
    if (shown || m_image) Invalidate();
}

void CUIImage::LoadFromFile(const wchar_t* path) {
    Gdiplus::Bitmap* copy = nullptr;
    if (path) {
        // A bitmap read from a file keeps the file open for as long as it
        // lives; a copy lets the user replace or delete a picture on show.
        Gdiplus::Bitmap* file = Gdiplus::Bitmap::FromFile(path);
        if (file && file->GetLastStatus() == Gdiplus::Ok) {
            copy = ScaleBitmap(file, PixelFormat32bppPARGB, Gdiplus::InterpolationModeNearestNeighbor,
                               static_cast<int>(file->GetWidth()), static_cast<int>(file->GetHeight()));
        }
        delete file;
    }
    Replace(copy, true);
}

void CUIImage::SetImage(Gdiplus::Bitmap* bitmap, bool own) { Replace(bitmap, own); }

void CUIImage::SetDrawMode(uint32_t mode) {
    if (mode == m_drawMode) return;
    m_drawMode = mode;
    Invalidate();
}

void CUIImage::OnCreate(void* arg) {
    const UIImageArg* given = static_cast<const UIImageArg*>(arg);
    if (!given) return;
    if (given->kind == UIImageArg::kBitmap) {
        SetImage(static_cast<Gdiplus::Bitmap*>(const_cast<void*>(given->pointer)), given->own != 0);
    } else if (given->kind == UIImageArg::kFile) {
        LoadFromFile(static_cast<const wchar_t*>(given->pointer));
    }
}

void CUIImage::OnDestroy() {
    if (!(m_flags & kImageOwned)) m_image = nullptr;
}

void CUIImage::OnPaint(PaintContext& context) {
    if (!m_image) return;
    const UIRect& r = context.rect;
    if (m_drawMode == kImageStretch) {
        context.graphics->DrawImage(m_image, Gdiplus::Rect(r.x, r.y, r.width, r.height));
        return;
    }
    if (m_drawMode == 1 || m_drawMode == 2) return;
    // Only the dirty part, and never a source rect beyond the bitmap.
    const UIRect picture(r.x, r.y, static_cast<int>(m_image->GetWidth()), static_cast<int>(m_image->GetHeight()));
    UIRect area;
    if (!context.dirty.Intersect(picture, area) || area.IsEmpty()) return;
    context.graphics->DrawImage(m_image, Gdiplus::Rect(area.x, area.y, area.width, area.height), area.x - r.x,
                                area.y - r.y, area.width, area.height, Gdiplus::UnitPixel);
}

}  // namespace wendaldui
