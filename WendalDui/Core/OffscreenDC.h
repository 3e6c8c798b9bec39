// The window's off-screen surface: a 32-bpp top-down DIB selected into a
// memory DC, painted first and copied to the screen afterwards.
#pragma once

#include <windows.h>

#include <cstdint>

namespace wendaldui {

class COffscreenDC {
public:
    COffscreenDC() = default;
    virtual ~COffscreenDC();
    COffscreenDC(const COffscreenDC&) = delete;
    COffscreenDC& operator=(const COffscreenDC&) = delete;

    // A new bitmap of the size replaces the old one; when it cannot be made
    // the surface has no bitmap and painting shows nothing.
    void Resize(int width, int height);

    HDC GetDC() const { return m_dc; }
    HBITMAP GetBitmap() const { return m_bitmap; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    // Row-major pixels, width * height, 0xAARRGGBB; null without a bitmap.
    const uint32_t* GetBits() const { return m_bits; }
    // Moves the pixels of the part of `area` inside the surface dy rows down
    // (up when negative); the rows they leave keep what they showed.
    void MoveRows(const RECT& area, int dy);

private:
    HBITMAP m_bitmap = NULL;
    HDC m_dc = NULL;
    int m_width = -1;
    int m_height = -1;
    uint32_t* m_bits = nullptr;
    HGDIOBJ m_initialBitmap = NULL;  // the DC's own 1x1 bitmap, selected back before a delete
};

}  // namespace wendaldui
