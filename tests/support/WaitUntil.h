// Waiting from a thread that has no window to pump (UI tests pump with
// ui_testing::PumpUntil): a test waits for the event itself, and the bound
// only ends a wait for one that never comes, so it is generous.
#pragma once

#include <windows.h>

#include <functional>

namespace testing_support {

// Polls done() every stepMs until it holds (true) or the time is up (false).
inline bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 30000, DWORD stepMs = 10) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(stepMs);
    }
    return true;
}

}  // namespace testing_support
