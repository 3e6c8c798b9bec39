#include "WendalDui/Core/DuiDpi.h"

#include <windows.h>

#include "core/GlobalOrder.h"

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

// First among the program's globals (core/GlobalOrder.h): the others may
// size things by it.
DpiReader g_dpiReader QUORVEL_GLOBAL_ORDER(kOrderScreenDpi);

}  // namespace

}  // namespace wendaldui
