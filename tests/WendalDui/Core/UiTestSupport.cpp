#include "UiTestSupport.h"

#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/dui_exception.h"
#include "tools/input/ScreenInput.h"
#include "tools/screen_capture/ScreenCapture.h"

namespace ui_testing {

namespace {

// Nobody clicks a message box under a headless display.
void ReportToStderr(HWND, const char* text) {
    fprintf(stderr, "Exception: %s\n", text);
    fflush(stderr);
}

class DuiAppEnvironment : public testing::Environment {
public:
    void SetUp() override {
        wendaldui::SetExceptionReporter(&ReportToStderr);
        m_app = new wendaldui::CDuiApp;
        m_app->SetInstance(GetModuleHandleW(NULL));
    }
    void TearDown() override { delete m_app; }

private:
    wendaldui::CDuiApp* m_app = nullptr;
};

testing::Environment* const g_environment = testing::AddGlobalTestEnvironment(new DuiAppEnvironment);

}  // namespace

HWND CreateTestWindow(wendaldui::CDuiWindow& window, int x, int y, int width, int height, HWND owner) {
    return CreateWindowExW(0, wendaldui::kDuiWindowClassName, L"测试", WS_POPUP | WS_VISIBLE, x, y, width, height,
                           owner, NULL, GetModuleHandleW(NULL), &window);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            if (done()) return true;
        }
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

bool NearWithin(uint32_t expected, uint32_t actual, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(static_cast<int>((expected >> shift) & 0xFF) - static_cast<int>((actual >> shift) & 0xFF)) > tolerance) {
            return false;
        }
    }
    return true;
}

bool Near(uint32_t expected, uint32_t actual) { return NearWithin(expected, actual, 1); }
bool Near2(uint32_t expected, uint32_t actual) { return NearWithin(expected, actual, 2); }

uint32_t ScreenPixel(int x, int y) {
    HDC screen = GetDC(NULL);
    const COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(NULL, screen);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

namespace {

// The build folder is a Unix path; Wine shows the Unix root as drive Z.
std::wstring ArtefactPath(const wchar_t* name) {
    const wchar_t* build = _wgetenv(L"QUORVEL_BUILD");
    std::wstring path = build ? std::wstring(L"Z:") + build : std::wstring(L".");
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    path += L"\\test-artifacts";
    CreateDirectoryW(path.c_str(), NULL);
    return path + L"\\" + name;
}

}  // namespace

void SaveScreenshot(const RECT& area, const wchar_t* name) {
    EXPECT_TRUE(SaveScreenAreaAsPng(area, ArtefactPath(name).c_str())) << "screenshot not saved";
}

uint32_t SurfacePixel(const wendaldui::CDuiWindow& window, int x, int y) {
    const wendaldui::COffscreenDC& surface = window.GetOffscreenDC();
    if (!surface.GetBits() || x < 0 || y < 0 || x >= surface.GetWidth() || y >= surface.GetHeight()) return 0;
    return surface.GetBits()[y * surface.GetWidth() + x] & 0xFFFFFF;
}

int PixelsCoveredOnScreen(const wendaldui::CDuiWindow& window) {
    RECT area;
    GetWindowRect(window.GetHWND(), &area);
    std::vector<uint32_t> screen;
    if (!ReadScreenArea(area, &screen)) return -1;
    const int width = area.right - area.left, height = area.bottom - area.top;
    int covered = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (!Near2(SurfacePixel(window, x, y), screen[static_cast<size_t>(y) * width + x])) ++covered;
        }
    }
    return covered;
}

bool PumpUntilOnScreen(const wendaldui::CDuiWindow& window, DWORD timeoutMs) {
    return PumpUntil([&] { return PixelsCoveredOnScreen(window) == 0; }, timeoutMs);
}

namespace {
size_t g_probeTicks = 0;
void CALLBACK CountProbeTick(HWND, UINT, UINT_PTR, DWORD) { ++g_probeTicks; }
}  // namespace

bool PumpTimerTicks(UINT intervalMs, size_t ticks) {
    g_probeTicks = 0;
    const UINT_PTR timer = SetTimer(NULL, 0, intervalMs, &CountProbeTick);
    const bool ticked = PumpUntil([&] { return g_probeTicks >= ticks; }, 10000);
    KillTimer(NULL, timer);
    return ticked;
}

size_t LongestRow(const std::wstring& text) {
    size_t row = 0;
    for (size_t at = 0, next; at < text.size(); at = next + 1) {
        next = std::min(text.find(L'\r', at), text.size());
        row = std::max(row, next - at);
    }
    return row;
}

void MoveMouseTo(int x, int y) {
    screen_input::MoveMouseTo(POINT{x, y});
    PumpFor(30);
}

void PressAt(int x, int y) {
    MoveMouseTo(x, y);
    screen_input::SendMouse(MOUSEEVENTF_LEFTDOWN);
    screen_input::SendMouse(MOUSEEVENTF_LEFTUP);
}

void ClickAt(int x, int y) {
    PressAt(x, y);
    PumpFor(30);
}

void DragMouse(int x0, int y0, int x1, int y1) {
    MoveMouseTo(x0, y0);
    screen_input::SendMouse(MOUSEEVENTF_LEFTDOWN);
    PumpFor(30);
    // Steps, so that the control sees moves with the button held on the way.
    constexpr int kSteps = 4;
    for (int i = 1; i <= kSteps; ++i) MoveMouseTo(x0 + (x1 - x0) * i / kSteps, y0 + (y1 - y0) * i / kSteps);
    screen_input::SendMouse(MOUSEEVENTF_LEFTUP);
    PumpFor(30);
}

namespace {
constexpr unsigned char kPoison = 0xA5;
std::vector<std::pair<unsigned char*, size_t>> g_quarantine;
}  // namespace

void Quarantine(void* object, size_t size) {
    memset(object, kPoison, size);
    g_quarantine.push_back({static_cast<unsigned char*>(object), size});
}

bool QuarantineUntouched() {
    for (const auto& block : g_quarantine) {
        for (size_t i = 0; i < block.second; ++i) {
            if (block.first[i] != kPoison) return false;
        }
    }
    return true;
}

void ReleaseQuarantine() {
    for (const auto& block : g_quarantine) ::operator delete(block.first);
    g_quarantine.clear();
}

void TypeText(const wchar_t* text) {
    for (const wchar_t* p = text; *p; ++p) {
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_KEYBOARD;
        input[0].ki.wScan = input[1].ki.wScan = *p;
        input[0].ki.dwFlags = KEYEVENTF_UNICODE;
        input[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof(INPUT));
        PumpFor(60);
    }
}

}  // namespace ui_testing
