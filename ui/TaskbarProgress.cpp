#include "ui/TaskbarProgress.h"

#include <shobjidl.h>

namespace trelm {
namespace ui {

namespace {

constexpr ULONGLONG kProgressTotal = 1000;
ITaskbarList3* g_taskbar = nullptr;

}  // namespace

bool CreateTaskbarProgress() {
    if (g_taskbar) return true;
    ITaskbarList3* taskbar = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, NULL, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                reinterpret_cast<void**>(&taskbar))) ||
        !taskbar) {
        return false;
    }
    // Explorer ignores a list that was never initialised.
    if (FAILED(taskbar->HrInit())) {
        taskbar->Release();
        return false;
    }
    g_taskbar = taskbar;
    return true;
}

void ReleaseTaskbarProgress() {
    if (g_taskbar) g_taskbar->Release();
    g_taskbar = nullptr;
}

ITaskbarList3* ReplaceTaskbarProgress(ITaskbarList3* taskbar) {
    ITaskbarList3* old = g_taskbar;
    g_taskbar = taskbar;
    return old;
}

bool SetTaskbarProgressState(HWND window, int flags) {
    return g_taskbar && SUCCEEDED(g_taskbar->SetProgressState(window, static_cast<TBPFLAG>(flags)));
}

bool SetTaskbarProgressValue(HWND window, uint64_t completed) {
    return g_taskbar && SUCCEEDED(g_taskbar->SetProgressValue(window, completed, kProgressTotal));
}

}  // namespace ui
}  // namespace trelm
