#include "UiTestSupport.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/dui_exception.h"

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

}  // namespace ui_testing
