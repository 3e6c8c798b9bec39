// The launcher's dialogs are windows of the framework's class made over an
// owner at a logical size; the modal ones (settings, About, the installers,
// downloads, the wait) are made on the caller's stack, run in the
// framework's modal loop over their owner and destroyed.
#pragma once

#include <windows.h>

namespace wendaldui {
class CDuiWindow;
}

namespace trelm {
namespace ui {

// Makes the window (not shown yet), sizes in logical pixels; NULL when it could not.
HWND CreateLauncherWindow(wendaldui::CDuiWindow& window, const wchar_t* text, DWORD style, int width, int height,
                          HWND owner);
// Returns once the dialog's loop has ended: true, or false at once when the
// window could not be made or there is no application to run the loop.
bool RunModalDialog(wendaldui::CDuiWindow& dialog, const wchar_t* text, DWORD style, int width, int height,
                    HWND owner);

}  // namespace ui
}  // namespace trelm
