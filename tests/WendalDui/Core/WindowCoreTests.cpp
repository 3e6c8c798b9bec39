// The window core's pure parts: message-map lookup, the timer-id pool and the
// exception text; and the fatal path of an exception inside a message.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "UiTestSupport.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/WindowBase.h"
#include "WendalDui/Core/dui_exception.h"
#include "WendalDui/Utils/NumberPool.h"

namespace {

using wendaldui::CWindowBase;

class BaseWindow : public CWindowBase {
    DUI_DECLARE_MESSAGE_MAP()
public:
    LRESULT OnSize(WPARAM, LPARAM) { return 1; }
    LRESULT OnNcHitTest(WPARAM, LPARAM) { return 2; }
    LRESULT OnCommandWide(WPARAM, LPARAM) { return 3; }
};

class DerivedWindow : public BaseWindow {
    DUI_DECLARE_MESSAGE_MAP()
public:
    LRESULT OnShowWindow(WPARAM, LPARAM) { return 11; }
    LRESULT OnMouseMove(WPARAM, LPARAM) { return 12; }
    LRESULT OnCommandNarrow(WPARAM, LPARAM) { return 13; }
};

DUI_BEGIN_MESSAGE_MAP(BaseWindow, CWindowBase)
DUI_MESSAGE_HANDLER(WM_SIZE, OnSize)
DUI_MESSAGE_HANDLER(WM_NCHITTEST, OnNcHitTest)
DUI_COMMAND_RANGE_HANDLER(5, 10, 20, OnCommandWide)
DUI_END_MESSAGE_MAP()

DUI_BEGIN_MESSAGE_MAP(DerivedWindow, BaseWindow)
DUI_MESSAGE_HANDLER(WM_SHOWWINDOW, OnShowWindow)
DUI_MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
DUI_COMMAND_RANGE_HANDLER(5, 15, 15, OnCommandNarrow)
DUI_END_MESSAGE_MAP()

TEST(MessageMap, DerivedEntriesFirstAndCacheCollisionsStillFindTheirEntry) {
    DerivedWindow window;
    // WM_SIZE and WM_SHOWWINDOW share cache slot 5, WM_NCHITTEST and
    // WM_MOUSEMOVE slot 18: each lookup refills the slot.
    const struct {
        UINT message;
        WPARAM wParam;
        bool handled;
        LRESULT result;
    } steps[] = {
        {WM_SIZE, 0, true, 1},
        {WM_SHOWWINDOW, 0, true, 11},
        {WM_SIZE, 0, true, 1},
        {WM_NCHITTEST, 0, true, 2},
        {WM_MOUSEMOVE, 0, true, 12},
        {WM_NCHITTEST, 0, true, 2},
        {WM_PAINT, 0, false, 0},
        {WM_PAINT, 0, false, 0},  // "not handled" comes from the cache the second time
        {WM_COMMAND, MAKEWPARAM(15, 5), true, 13},
        {WM_COMMAND, MAKEWPARAM(12, 5), true, 3},
        {WM_COMMAND, MAKEWPARAM(20, 5), true, 3},
        {WM_COMMAND, MAKEWPARAM(21, 5), false, 0},
        {WM_COMMAND, MAKEWPARAM(15, 6), false, 0},
        {WM_NOTIFY, 0, false, 0},
    };
    for (const auto& s : steps) {
        LRESULT result = -1;
        EXPECT_EQ(s.handled, window.ProcessWindowMessage(s.message, s.wParam, 0, result))
            << "message " << s.message << " wParam " << s.wParam;
        if (s.handled) {
            EXPECT_EQ(s.result, result) << "message " << s.message;
        }
    }
}

TEST(NumberPool, HandsOutUpwardAndReusesOnlyAfterTheFirstRange) {
    wendaldui::NumberPoolT pool;
    EXPECT_EQ(0xFFFF0000u, pool.AllocateNumber());
    EXPECT_EQ(0xFFFF0001u, pool.AllocateNumber());
    pool.ReleaseNumber(0xFFFF0000u);
    EXPECT_EQ(0xFFFF0002u, pool.AllocateNumber());  // the released number waits
    for (uint32_t i = 3; i < 0x10000u; ++i) ASSERT_EQ(0xFFFF0000u + i, pool.AllocateNumber());
    EXPECT_EQ(0xFFFF0000u, pool.AllocateNumber());  // now the first range is used up
    EXPECT_EQ(0x10000u, pool.InUse());
    try {
        pool.AllocateNumber();
        FAIL() << "the 65537th number was handed out";
    } catch (const wendaldui::dui_exception& e) {
        EXPECT_STREQ("NumberPool.h(100):AllocateNumber:NumberPoolT allocate failure Failure with result of 0x00000000",
                     e.what());
    }
    pool.ReleaseNumber(0xFFFF1234u);
    pool.ReleaseNumber(0xFFFF0042u);
    EXPECT_EQ(0xFFFF1234u, pool.AllocateNumber());
    EXPECT_EQ(0xFFFF0042u, pool.AllocateNumber());
}

TEST(DuiException, TextNamesTheFileAndIsCutAt255Characters) {
    wendaldui::dui_exception e(0x80004005u, 184, "RegisterDuiWindowClass", "C:\\src\\WendalDui\\Core\\DuiApp.cpp",
                               "SetInstance");
    EXPECT_STREQ("DuiApp.cpp(184):SetInstance:RegisterDuiWindowClass Failure with result of 0x80004005", e.what());
    EXPECT_STREQ("x.cpp(1):f:e Failure with result of 0x00000000",
                 wendaldui::dui_exception(0, 1, "e", "/build/x.cpp", "f").what());
    const std::string longExpression(400, 'e');
    const std::string text = wendaldui::dui_exception(0, 1, longExpression.c_str(), "a.cpp", "f").what();
    EXPECT_EQ(255u, text.size());
}

class ThrowingWindow : public wendaldui::CDuiWindow {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_USER + 1) DUI_THROW("TestStep", 0x1234);
        return CDuiWindow::WindowProc(message, wParam, lParam);
    }
};

// An exception escaping a message handler is reported and ends the process
// with -1; the test reporter writes it where a message box would show it.
TEST(DuiExceptionDeathTest, EscapingAMessageHandlerEndsTheProcess) {
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            ThrowingWindow window;
            ui_testing::CreateTestWindow(window, 0, 0, 50, 50);
            SendMessageW(window.GetHWND(), WM_USER + 1, 0, 0);
        },
        testing::ExitedWithCode(-1), "Exception: WindowCoreTests.cpp\\(\\d+\\):WindowProc:TestStep Failure with result of 0x00001234");
}

// A start-up failure names its step by fixed file, line and expression: here
// the class is registered already, so registering it again fails.
TEST(DuiExceptionDeathTest, StartUpFailureIsReportedWithItsFixedText) {
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(wendaldui::CDuiApp::GetApp()->SetInstance(GetModuleHandleW(NULL)), testing::ExitedWithCode(-1),
                "Exception: DuiApp\\.cpp\\(184\\):SetInstance:RegisterDuiWindowClass Failure with result of 0x00000000");
}

}  // namespace
