// The launcher's modal windows (settings, About) are made on the caller's
// stack, run in the framework's modal loop over their owner and destroyed.
#pragma once

#include <windows.h>

namespace wendaldui {
class CDuiWindow;
}

namespace trelm {
namespace ui {

// Sizes in logical pixels; returns once the dialog's loop has ended.
void RunModalDialog(wendaldui::CDuiWindow& dialog, const wchar_t* text, DWORD style, int width, int height,
                    HWND owner);

}  // namespace ui
}  // namespace trelm
