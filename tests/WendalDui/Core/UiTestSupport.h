// Real windows in UI tests: one application object for the binary, windows
// of the framework's class, and message pumps with a time limit.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "WendalDui/Control/UIControl.h"
#include "WendalDui/Core/DuiWindow.h"

namespace ui_testing {

// A WS_POPUP window (client = window rect) bound to the object.
HWND CreateTestWindow(wendaldui::CDuiWindow& window, int x, int y, int width, int height, HWND owner = NULL);

// Dispatches messages until done() or the time is up; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
void PumpFor(DWORD ms);

// Records what the window delivers to it.
class RecordingControl : public wendaldui::CUIControl {
public:
    struct Call {
        UINT code;
        WPARAM a;
        LPARAM b;
    };
    void OnTimer(UINT localId) override { timers.push_back(localId); }
    void OnPostedCall(UINT code, WPARAM a, LPARAM b) override {
        calls.push_back({code, a, b});
        if (onCall) onCall(code);
    }

    std::vector<UINT> timers;
    std::vector<Call> calls;
    std::function<void(UINT)> onCall;
};

}  // namespace ui_testing
