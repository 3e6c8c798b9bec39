// The launcher's normal run with the creation of its main window refused,
// as when the system has no window left to give.
#include <windows.h>

#include <cwchar>

#include "app/RunModes.h"

namespace {

LRESULT CALLBACK RefuseMainWindow(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const wchar_t* name = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->lpszName;
        if (name && !IS_INTRESOURCE(name) && wcscmp(name, L"TrelmMainFrame") == 0) return 1;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    SetWindowsHookExW(WH_CBT, &RefuseMainWindow, NULL, GetCurrentThreadId());
    return trelm::RunNormal(instance, 0, nullptr);
}
