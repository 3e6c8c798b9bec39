#include "WendalDui/Core/DuiDpi.h"

#include <windows.h>

namespace wendaldui {

int g_screenDpi = 96;
float g_dpiFactor = 1.0f;

namespace {

struct DpiReader {
    DpiReader() {
        HDC screen = GetDC(NULL);
        const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
        if (screen) ReleaseDC(NULL, screen);
        if (dpi > 0) g_screenDpi = dpi;
        g_dpiFactor = static_cast<float>(g_screenDpi) / 96.0f;
    }
};

// First among the program's globals: the others may size things by it.
DpiReader g_dpiReader __attribute__((init_priority(1010)));

}  // namespace

}  // namespace wendaldui
