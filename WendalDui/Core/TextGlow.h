// The soft glow drawn under a text: the text's shape in the glow colour,
// blurred, cached until the text, colour or size changes.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>

#include "WendalDui/Utils/UIRect.h"
#include "core/noncopyable.h"

namespace wendaldui {

class CFormattedText;

class CTextGlow : private wendal_::noncopyable {
public:
    CTextGlow(uint32_t color = 0xFFFFFFFF, int radius = 3) : m_color(color), m_radius(radius) {}
    ~CTextGlow() { delete m_bitmap; }

    void SetColor(uint32_t argb) {
        m_color = argb;
        m_stale = true;
    }
    void SetRadius(int radius) {
        m_radius = radius;
        m_stale = true;
    }
    // Call when the text changes.
    void MarkStale() { m_stale = true; }
    uint32_t GetColor() const { return m_color; }
    Gdiplus::Bitmap* GetBitmap() const { return m_bitmap; }

    void Draw(Gdiplus::Graphics* graphics, const wchar_t* text, const Gdiplus::Font* font,
              const Gdiplus::StringFormat* format, const UIRect& rect);
    // The mark-up text laid out in textRect; what falls inside target is drawn.
    void DrawFormatted(Gdiplus::Graphics* graphics, CFormattedText& text, const UIRect& textRect,
                       const UIRect& target);

private:
    // A new bitmap when the size differs; true when the glow must be redrawn.
    bool Prepare(int width, int height);
    bool IsGrey() const;

    Gdiplus::Bitmap* m_bitmap = nullptr;
    uint32_t m_color;
    int m_radius;
    bool m_stale = true;
};

}  // namespace wendaldui
