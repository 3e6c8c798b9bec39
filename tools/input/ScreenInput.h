// Real input for the programs that drive windows as a person does (the
// window tests, the end-to-end probe, the screen-watching benchmark).
#pragma once

#include <windows.h>

namespace screen_input {

// The pointer to a screen point, through the system's input queue.
inline void MoveMouseTo(POINT point) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    // Absolute coordinates are 0..65535 over the primary screen.
    input.mi.dx = (point.x * 65536 + GetSystemMetrics(SM_CXSCREEN) - 1) / GetSystemMetrics(SM_CXSCREEN);
    input.mi.dy = (point.y * 65536 + GetSystemMetrics(SM_CYSCREEN) - 1) / GetSystemMetrics(SM_CYSCREEN);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

// One mouse event (a button going down or up, the wheel) where the pointer is.
inline void SendMouse(DWORD flags, DWORD data = 0) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.mouseData = data;
    SendInput(1, &input, sizeof input);
}

// Keys go to the foreground window's thread: a window that has only just
// shown (later on a busy machine) may take a while to come to the front.
inline void BringToFront(HWND hwnd, int waitMs) {
    if (GetForegroundWindow() == hwnd) return;
    SetForegroundWindow(hwnd);
    for (int waited = 0; waited < waitMs && GetForegroundWindow() != hwnd; waited += 10) Sleep(10);
}

}  // namespace screen_input
