#include "WendalDui/Core/OffscreenDC.h"

namespace wendaldui {

COffscreenDC::~COffscreenDC() {
    if (m_dc && m_initialBitmap) SelectObject(m_dc, m_initialBitmap);
    if (m_dc) DeleteDC(m_dc);
    if (m_bitmap) DeleteObject(m_bitmap);
}

void COffscreenDC::Resize(int width, int height) {
    m_width = width;
    m_height = height;
    if (!m_dc) m_dc = CreateCompatibleDC(NULL);
    if (!m_dc) return;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = width > 0 && height > 0 ? CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, NULL, 0) : NULL;

    HGDIOBJ previous = SelectObject(m_dc, bitmap ? static_cast<HGDIOBJ>(bitmap) : m_initialBitmap);
    if (!m_initialBitmap) m_initialBitmap = previous;
    if (m_bitmap) DeleteObject(m_bitmap);
    m_bitmap = bitmap;
    m_bits = bitmap ? static_cast<uint32_t*>(bits) : nullptr;
}

}  // namespace wendaldui
