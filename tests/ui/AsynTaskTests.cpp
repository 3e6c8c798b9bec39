// Slow tasks on the thread pool: a short one shows no window; a longer one
// shows "请等待" over a disabled owner, cannot be closed, shows the text set
// before it opened and stays up at least a second.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>

#include "UiTestSupport.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/DuiWindow.h"
#include "ui/AsynTask.h"

namespace {

using namespace trelm::ui;

// Lasts ms, or with ms 0 until it has seen the wait window over a disabled
// owner (20 s at most), watching the UI from the pool thread meanwhile.
class SleepTask : public CAsynTask {
public:
    SleepTask(DWORD ms, HWND owner) : m_ms(ms), m_owner(owner) {}
    ~SleepTask() { finished = true; }

    void Run(PTP_CALLBACK_INSTANCE) override {
        SetText(L"正在检查资源文件");
        const DWORD start = GetTickCount();
        while (m_ms ? GetTickCount() - start < m_ms : !(sawWindow && ownerDisabled) && GetTickCount() - start < 20000) {
            if (HWND wait = FindWindowW(wendaldui::kDuiWindowClassName, L"请等待")) {
                sawWindow = true;
                if (!IsWindowEnabled(m_owner)) ownerDisabled = true;
                // Neither the close message nor Alt+F4 ends the wait.
                PostMessageW(wait, WM_CLOSE, 0, 0);
                PostMessageW(wait, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            Sleep(20);
        }
        ran = true;
    }

    std::atomic<bool> sawWindow{false}, ownerDisabled{false}, ran{false}, finished{false};

private:
    DWORD m_ms;
    HWND m_owner;
};

class AsynTaskTest : public testing::Test {
protected:
    AsynTaskTest() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {
        owner = ui_testing::CreateTestWindow(ownerWindow, 40, 40, 400, 300);
    }
    ~AsynTaskTest() override { DestroyWindow(owner); }
    wendaldui::CDuiSkinManager skin;
    wendaldui::CDuiWindow ownerWindow;
    HWND owner;
};

TEST_F(AsynTaskTest, ATaskEndingWithinTheTimeOutShowsNoWindow) {
    SleepTask task(100, owner);
    const DWORD start = GetTickCount();
    EXPECT_TRUE(RunAsynTask(&task, 20000, owner));
    EXPECT_LT(GetTickCount() - start, 19000u);
    EXPECT_TRUE(task.ran);
    EXPECT_FALSE(task.sawWindow);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(AsynTaskTest, ALongerTaskWaitsInAnUnclosableDialogForAtLeastASecond) {
    SleepTask task(0, owner);
    const DWORD start = GetTickCount();
    EXPECT_TRUE(RunAsynTask(&task, 200, owner));
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_TRUE(task.ran);
    EXPECT_TRUE(task.sawWindow);
    EXPECT_TRUE(task.ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(nullptr, FindWindowW(wendaldui::kDuiWindowClassName, L"请等待"));
    // Shown from about 200 ms, so it closed no earlier than about 1,200 ms,
    // though the task ended as soon as it had seen the window.
    EXPECT_GE(elapsed, 1100u);
    EXPECT_FALSE(task.finished);  // still the caller's to destroy
    EXPECT_EQ(WString(L"正在检查资源文件"), task.GetText());
}

}  // namespace
