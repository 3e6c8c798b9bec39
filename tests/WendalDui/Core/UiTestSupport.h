// Real windows in UI tests: one application object for the binary, windows
// of the framework's class, and message pumps with a time limit.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "WendalDui/Control/UIControl.h"
#include "WendalDui/Core/DuiWindow.h"

namespace ui_testing {

// A WS_POPUP window (client = window rect) bound to the object.
HWND CreateTestWindow(wendaldui::CDuiWindow& window, int x, int y, int width, int height, HWND owner = NULL);

// Dispatches messages until done() or the time is up; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
void PumpFor(DWORD ms);

// Colours 0x??RRGGBB equal within 1 (Near), 2 (Near2) or `tolerance` per
// channel, alpha ignored; functions, so that EXPECT_PRED2/3 print the values.
bool NearWithin(uint32_t expected, uint32_t actual, int tolerance);
bool Near(uint32_t expected, uint32_t actual);
bool Near2(uint32_t expected, uint32_t actual);
// 0x00RRGGBB of the screen at (x, y).
uint32_t ScreenPixel(int x, int y);
// 0x00RRGGBB of the window's off-screen surface at client (x, y).
uint32_t SurfacePixel(const wendaldui::CDuiWindow& window, int x, int y);
// How many pixels of the window show on the screen otherwise than its
// off-screen surface holds them: another window lies over them (-1: the
// screen cannot be read).
int PixelsCoveredOnScreen(const wendaldui::CDuiWindow& window);
// Pumps until the screen shows all of the window as its surface holds it:
// Wine copies a window's drawing to the X screen a moment later, and later
// still on a busy machine. False when time ran out.
bool PumpUntilOnScreen(const wendaldui::CDuiWindow& window, DWORD timeoutMs = 10000);
// For the checks that something did not happen: pumps until a thread timer
// of intervalMs set now has ticked `ticks` times (10 s at most). A timer of
// the thread with that interval or a shorter one, already running, has
// ticked by then too, however slow the machine.
bool PumpTimerTicks(UINT intervalMs, size_t ticks = 3);
// Saves that part of the screen as a PNG under the build folder's test-artifacts.
void SaveScreenshot(const RECT& area, const wchar_t* name);
// The longest paragraph of a rich edit's text (its paragraphs end with
// "\r"): Wine lays one out in time that grows with the square of its length.
size_t LongestRow(const std::wstring& text);
// Real input: the cursor moves there (screen coordinates), then optionally clicks.
void MoveMouseTo(int x, int y);
void ClickAt(int x, int y);
// The click alone, without the pump after it: for a caller that waits for what the click does.
void PressAt(int x, int y);
// Real input: press the left button at (x0, y0), move to (x1, y1) in a few steps, release.
void DragMouse(int x0, int y0, int x1, int y1);
// Real input: each character as a Unicode key press (Chinese needs no input method).
void TypeText(const wchar_t* text);

// Objects of a Quarantined<T> keep their memory when deleted, filled with
// 0xA5 bytes, until ReleaseQuarantine: code that goes on using a freed one
// reads the pattern (a pointer made of it faults) and a write changes it.
void Quarantine(void* object, size_t size);
bool QuarantineUntouched();
void ReleaseQuarantine();
template <typename T>
class Quarantined : public T {
public:
    using T::T;
    static void operator delete(void* object, size_t size) { Quarantine(object, size); }
};

// Destroys the control when the event it is bound to is raised.
struct ControlDestroyer {
    wendaldui::CUIControl* target;
    void OnEvent(wendaldui::EventData&) { target->Destroy(); }
};

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
