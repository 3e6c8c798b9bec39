// The progress shown on the launcher's taskbar button while games download
// or start. Only the normal run has the taskbar interface; without it every
// call reports false and changes nothing.
#pragma once

#include <windows.h>

#include <cstdint>

struct ITaskbarList3;

namespace trelm {
namespace ui {

enum TaskbarState { kTaskbarNone = 0, kTaskbarIndeterminate = 1, kTaskbarNormal = 2, kTaskbarError = 4 };

// Creates the interface (COM must be started); false when the system has none.
bool CreateTaskbarProgress();
void ReleaseTaskbarProgress();
// Puts another interface in place (the tests' recorder); returns the old one,
// which the caller then owns.
ITaskbarList3* ReplaceTaskbarProgress(ITaskbarList3* taskbar);

bool SetTaskbarProgressState(HWND window, int flags);
// `completed` out of a fixed total of 1000.
bool SetTaskbarProgressValue(HWND window, uint64_t completed);

}  // namespace ui
}  // namespace trelm
