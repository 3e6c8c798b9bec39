#include "WendalDui/Core/TextGlow.h"

#include <algorithm>
#include <cmath>

#include "WendalDui/Core/FormattedText.h"
#include "WendalDui/Core/ImageProcessing.h"

namespace wendaldui {

namespace {

// Every pixel the text touched becomes the (premultiplied) glow colour.
void PaintShape(Gdiplus::Bitmap* bitmap, uint32_t color) {
    const UIRect all(0, 0, static_cast<int>(bitmap->GetWidth()), static_cast<int>(bitmap->GetHeight()));
    Gdiplus::Rect area(all.x, all.y, all.width, all.height);
    Gdiplus::BitmapData data;
    if (bitmap->LockBits(&area, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite, PixelFormat32bppPARGB,
                         &data) != Gdiplus::Ok) {
        return;
    }
    const uint32_t alpha = color >> 24;
    auto channel = [alpha](uint32_t value) { return (value * alpha + 127) / 255; };
    const uint32_t premultiplied = (alpha << 24) | (channel((color >> 16) & 0xFF) << 16) |
                                   (channel((color >> 8) & 0xFF) << 8) | channel(color & 0xFF);
    for (UINT y = 0; y < data.Height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(data.Scan0) + y * data.Stride);
        for (UINT x = 0; x < data.Width; ++x) row[x] = (row[x] >> 24) ? premultiplied : 0;
    }
    bitmap->UnlockBits(&data);
}

}  // namespace

bool CTextGlow::Prepare(int width, int height) {
    width = std::max(1, width);
    height = std::max(1, height);
    if (!m_bitmap || static_cast<int>(m_bitmap->GetWidth()) != width ||
        static_cast<int>(m_bitmap->GetHeight()) != height) {
        delete m_bitmap;
        m_bitmap = new Gdiplus::Bitmap(width, height, PixelFormat32bppPARGB);
        m_stale = true;
    }
    return m_stale;
}

bool CTextGlow::IsGrey() const {
    const uint32_t r = (m_color >> 16) & 0xFF, g = (m_color >> 8) & 0xFF, b = m_color & 0xFF;
    return r == g && g == b;
}

void CTextGlow::Draw(Gdiplus::Graphics* graphics, const wchar_t* text, const Gdiplus::Font* font,
                     const Gdiplus::StringFormat* format, const UIRect& rect) {
    if (Prepare(rect.width, rect.height)) {
        const int width = static_cast<int>(m_bitmap->GetWidth()), height = static_cast<int>(m_bitmap->GetHeight());
        const Gdiplus::RectF layout(0, 0, static_cast<Gdiplus::REAL>(width), static_cast<Gdiplus::REAL>(height));
        Gdiplus::RectF box;
        {
            Gdiplus::Graphics canvas(m_bitmap);
            canvas.Clear(Gdiplus::Color(0));
            DrawTextInRect(&canvas, text, -1, font, layout, 0xFF000000, format);
            canvas.MeasureString(text, -1, font, layout, format, &box);
        }
        PaintShape(m_bitmap, m_color);
        // The blur reaches radius + 1 beyond the ink.
        const int grow = m_radius + 1;
        const int left = std::max(0, static_cast<int>(std::floor(box.X)) - grow);
        const int top = std::max(0, static_cast<int>(std::floor(box.Y)) - grow);
        const int right = std::min(width, static_cast<int>(std::ceil(box.X + box.Width)) + grow);
        const int bottom = std::min(height, static_cast<int>(std::ceil(box.Y + box.Height)) + grow);
        if (right > left && bottom > top) {
            const UIRect area(left, top, right - left, bottom - top);
            if (IsGrey()) {
                BlurBitmapRectGrey(m_bitmap, area, m_radius);
            } else {
                BlurBitmapRect(m_bitmap, area, m_radius, 1);
            }
        }
        m_stale = false;
    }
    graphics->DrawImage(m_bitmap, rect.x, rect.y);
}

void CTextGlow::DrawFormatted(Gdiplus::Graphics* graphics, CFormattedText& text, const UIRect& textRect,
                              const UIRect& target) {
    if (Prepare(textRect.width, textRect.height)) {
        const int width = static_cast<int>(m_bitmap->GetWidth()), height = static_cast<int>(m_bitmap->GetHeight());
        {
            Gdiplus::Graphics canvas(m_bitmap);
            canvas.Clear(Gdiplus::Color(0));
            HDC dc = canvas.GetHDC();
            const RECT area = {0, 0, width, height};
            text.Draw(dc, area);
            canvas.ReleaseHDC(dc);
        }
        PaintShape(m_bitmap, m_color);
        const UIRect all(0, 0, width, height);
        if (IsGrey()) {
            BlurBitmapRectGrey(m_bitmap, all, m_radius);
        } else {
            BlurBitmapRect(m_bitmap, all, m_radius, 1);
        }
        m_stale = false;
    }
    const Gdiplus::InterpolationMode old = graphics->GetInterpolationMode();
    graphics->SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    graphics->DrawImage(m_bitmap, Gdiplus::Rect(target.x, target.y, target.width, target.height),
                        target.x - textRect.x, target.y - textRect.y, target.width, target.height, Gdiplus::UnitPixel);
    graphics->SetInterpolationMode(old);
}

}  // namespace wendaldui
