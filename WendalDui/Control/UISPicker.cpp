#include "WendalDui/Control/UISPicker.h"

#include <algorithm>
#include <vector>

#include "WendalDui/Control/UIHSLPicker.h"
#include "WendalDui/Core/ColorConvert.h"

namespace wendaldui {
namespace internal {

namespace {

// The bar's marker rides on its middle row.
constexpr float kMiddle = 0.5f;

}  // namespace

void CUISPicker::SetHueLightness(float hue, float lightness) {
    m_hue = hue;
    m_lightness = lightness;
    m_surface.MarkStale();
    Invalidate();
}

void CUISPicker::SetPosition(float x) {
    InvalidateRect(CPickerSurface::MarkerArea(m_rect.width, m_rect.height, m_x, kMiddle, x, kMiddle));
    m_x = x;
}

void CUISPicker::OnCreate(void*) { m_surface.Resize(m_rect.width, m_rect.height); }

void CUISPicker::OnSize(int width, int height) { m_surface.Resize(width, height); }

void CUISPicker::MoveMarker(int x) {
    const float newX = CPickerSurface::PointToFraction(x, m_rect.width, m_x);
    if (newX == m_x) return;
    SetPosition(newX);
    if (CUIHSLPicker* picker = dynamic_cast<CUIHSLPicker*>(m_parent)) picker->OnSaturationChanged(1.0f - newX);
}

void CUISPicker::OnLButtonDown(WPARAM, int x, int) { MoveMarker(x); }

void CUISPicker::OnMouseMove(WPARAM keys, int x, int) {
    if (keys & MK_LBUTTON) MoveMarker(x);
}

void CUISPicker::Refill() {
    const int width = m_surface.GetWidth();
    const int height = m_surface.GetHeight();
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    // Every row is the same: fill the first and copy it down.
    for (int column = 0; column < width; ++column) {
        double r, g, b;
        HslToRgb(m_hue, static_cast<double>(width - column) / width, m_lightness, r, g, b);
        pixels[column] = MakeArgb(0xFF, r, g, b);
    }
    for (int row = 1; row < height; ++row) {
        std::copy(pixels.begin(), pixels.begin() + width, pixels.begin() + static_cast<size_t>(row) * width);
    }
    m_surface.Fill(pixels);
}

void CUISPicker::OnPaint(PaintContext& context) {
    if (m_surface.IsStale()) Refill();
    m_surface.Paint(context, m_x, kMiddle);
}

}  // namespace internal
}  // namespace wendaldui
