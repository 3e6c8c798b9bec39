#include "WendalDui/Core/OffscreenDC.h"

#include <algorithm>
#include <cstring>

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

void COffscreenDC::MoveRows(const RECT& area, int dy) {
    if (!m_bits || dy == 0) return;
    const int left = std::max(0L, area.left), right = std::min(static_cast<LONG>(m_width), area.right);
    const int top = std::max(0L, area.top), bottom = std::min(static_cast<LONG>(m_height), area.bottom);
    if (left >= right || bottom - top <= std::abs(dy)) return;
    GdiFlush();  // what GDI still holds back lands before the pixels move
    const size_t bytes = static_cast<size_t>(right - left) * 4;
    auto row = [&](int y) { return m_bits + static_cast<ptrdiff_t>(y) * m_width + left; };
    if (dy < 0) {
        for (int y = top; y < bottom + dy; ++y) memcpy(row(y), row(y - dy), bytes);
    } else {
        for (int y = bottom - 1; y >= top + dy; --y) memcpy(row(y), row(y - dy), bytes);
    }
}

}  // namespace wendaldui
