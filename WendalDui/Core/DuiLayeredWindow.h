// A window drawn with per-pixel alpha: its off-screen surface is pushed to the
// screen with UpdateLayeredWindow instead of being copied in WM_PAINT.
#pragma once

#include <cstdint>

#include "WendalDui/Core/DuiWindow.h"

namespace wendaldui {

class CDuiLayeredWindow : public CDuiWindow {
public:
    // Pushes the whole surface with a constant alpha on top of its own.
    void UpdateLayered(uint8_t opacity);
    // A new constant alpha without repainting (fade-ins step it).
    void SetOpacity(uint8_t alpha);
    uint8_t GetOpacity() const { return m_opacity; }

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnLayeredCreate(WPARAM wParam, LPARAM lParam);
    LRESULT OnLayeredPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnLayeredShowWindow(WPARAM wParam, LPARAM lParam);

    // Paints the whole surface and pushes it.
    void RepaintLayered();

    uint8_t m_opacity = 255;
};

}  // namespace wendaldui
