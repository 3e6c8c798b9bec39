#include "WendalDui/Control/UIHLPicker.h"

#include <vector>

#include "WendalDui/Control/UIHSLPicker.h"
#include "WendalDui/Core/ColorConvert.h"

namespace wendaldui {
namespace internal {

void CUIHLPicker::SetSaturation(float saturation) {
    m_saturation = saturation;
    m_surface.MarkStale();
    Invalidate();
}

void CUIHLPicker::SetPosition(float x, float y) {
    InvalidateRect(CPickerSurface::MarkerArea(m_rect.width, m_rect.height, m_x, m_y, x, y));
    m_x = x;
    m_y = y;
}

void CUIHLPicker::OnCreate(void*) { m_surface.Resize(m_rect.width, m_rect.height); }

void CUIHLPicker::OnSize(int width, int height) { m_surface.Resize(width, height); }

void CUIHLPicker::MoveMarker(int x, int y) {
    const float newX = CPickerSurface::PointToFraction(x, m_rect.width, m_x);
    const float newY = CPickerSurface::PointToFraction(y, m_rect.height, m_y);
    if (newX == m_x && newY == m_y) return;
    SetPosition(newX, newY);
    if (CUIHSLPicker* picker = dynamic_cast<CUIHSLPicker*>(m_parent)) {
        picker->OnHueLightnessChanged(newX * 360.0f, 1.0f - newY);
    }
}

void CUIHLPicker::OnLButtonDown(WPARAM, int x, int y) { MoveMarker(x, y); }

void CUIHLPicker::OnMouseMove(WPARAM keys, int x, int y) {
    if (keys & MK_LBUTTON) MoveMarker(x, y);
}

void CUIHLPicker::Refill() {
    const int width = m_surface.GetWidth();
    const int height = m_surface.GetHeight();
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    uint32_t* pixel = pixels.data();
    for (int row = 0; row < height; ++row) {
        const double lightness = static_cast<double>(height - 1 - row) / height;
        for (int column = 0; column < width; ++column) {
            double r, g, b;
            HslToRgb(static_cast<double>(column) / width * 360.0, m_saturation, lightness, r, g, b);
            *pixel++ = MakeArgb(0xFF, r, g, b);
        }
    }
    m_surface.Fill(pixels);
}

void CUIHLPicker::OnPaint(PaintContext& context) {
    if (m_surface.IsStale()) Refill();
    m_surface.Paint(context, m_x, m_y);
}

}  // namespace internal
}  // namespace wendaldui
