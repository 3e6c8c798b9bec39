// The window core with real windows and real messages under the test display.
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <atomic>
#include <thread>

#include "UiTestSupport.h"
#include "WendalDui/Control/UIContainer.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"

namespace {

using ui_testing::CreateTestWindow;
using ui_testing::PumpFor;
using ui_testing::PumpUntil;
using ui_testing::RecordingControl;
using wendaldui::CDuiApp;
using wendaldui::CDuiWindow;

constexpr UINT kPool = 0xFFFF0000u;

TEST(DuiWindow, ControlTimersReachOnlyTheirControl) {
    CDuiWindow window;
    HWND hwnd = CreateTestWindow(window, 0, 0, 100, 60);
    ASSERT_NE(nullptr, hwnd);
    RecordingControl a, b;
    SetTimer(hwnd, 5, 10, NULL);  // the window's own timer: below the pool
    ASSERT_TRUE(window.SetControlTimer(&a, 7, 15));
    EXPECT_TRUE(PumpUntil([&] { return a.timers.size() >= 3; }));
    KillTimer(hwnd, 5);
    EXPECT_EQ(std::vector<UINT>(a.timers.size(), 7u), a.timers);
    EXPECT_TRUE(b.timers.empty());

    // Re-arming keeps a's id (the first of the pool), so b gets the second,
    // and restarts it: with the new long interval no tick comes.
    window.SetControlTimer(&a, 7, 100000);
    window.SetControlTimer(&b, 3, 100000);
    a.timers.clear();
    PumpFor(100);
    EXPECT_TRUE(a.timers.empty());
    SendMessageW(hwnd, WM_TIMER, kPool + 1, 0);
    SendMessageW(hwnd, WM_TIMER, kPool, 0);
    SendMessageW(hwnd, WM_TIMER, kPool + 2, 0);  // in the pool's range, but nobody's
    SendMessageW(hwnd, WM_TIMER, 5, 0);
    EXPECT_EQ(std::vector<UINT>{7}, a.timers);
    EXPECT_EQ(std::vector<UINT>{3}, b.timers);

    EXPECT_TRUE(window.KillControlTimer(&a, 7));
    EXPECT_FALSE(window.KillControlTimer(&a, 7));
    EXPECT_FALSE(window.KillControlTimer(&b, 4));
    window.KillAllControlTimers(&b);
    SendMessageW(hwnd, WM_TIMER, kPool, 0);
    SendMessageW(hwnd, WM_TIMER, kPool + 1, 0);
    EXPECT_EQ(std::vector<UINT>{7}, a.timers);
    EXPECT_EQ(std::vector<UINT>{3}, b.timers);
    DestroyWindow(hwnd);
}

TEST(DuiWindow, PostedCallsArriveInOrderAndDieWithTheirControl) {
    CDuiWindow window;
    HWND hwnd = CreateTestWindow(window, 0, 0, 100, 60);
    ASSERT_NE(nullptr, hwnd);

    // Posted from a second thread while the UI thread dispatches.
    RecordingControl a;
    std::atomic<bool> posted(false);
    std::thread poster([&] {
        for (int i = 0; i < 1000; ++i) window.PostControlCall(&a, 1, static_cast<WPARAM>(i), -i);
        posted = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return posted && a.calls.size() >= 1000; }, 20000));
    poster.join();
    ASSERT_EQ(1000u, a.calls.size());
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(static_cast<WPARAM>(i), a.calls[i].a) << "call " << i;
        ASSERT_EQ(-i, a.calls[i].b);
    }

    // A destroyed control's queued calls are dropped, also when a call of
    // the same batch is what destroys it.
    RecordingControl gone, killer, victim, after;
    std::thread([&] {
        for (int i = 0; i < 50; ++i) window.PostControlCall(&gone, 2, 0, 0);
        window.PostControlCall(&killer, 3, 0, 0);
        window.PostControlCall(&victim, 4, 0, 0);
        window.PostControlCall(&after, 5, 0, 0);
    }).join();
    window.RemovePostedCalls(&gone);
    killer.onCall = [&](UINT) { window.RemovePostedCalls(&victim); };
    EXPECT_TRUE(PumpUntil([&] { return !after.calls.empty(); }));
    EXPECT_TRUE(gone.calls.empty());
    EXPECT_EQ(1u, killer.calls.size());
    EXPECT_TRUE(victim.calls.empty());
    DestroyWindow(hwnd);
}

class SelfOwnedWindow : public CDuiWindow {
public:
    explicit SelfOwnedWindow(bool* deleted) : m_deleted(deleted) {}
    void OnFinalMessage() override {
        *m_deleted = true;
        delete this;
    }

private:
    bool* m_deleted;
};

// A call that closes its window (and so deletes a self-owned one) ends the
// batch: the calls behind it belonged to controls that went with the window.
TEST(DuiWindow, PostedCallThatClosesTheWindowEndsTheBatch) {
    {
        CDuiWindow window;
        HWND hwnd = CreateTestWindow(window, 0, 0, 100, 60);
        ASSERT_NE(nullptr, hwnd);
        RecordingControl closer, after;
        closer.onCall = [hwnd](UINT) { DestroyWindow(hwnd); };
        window.PostControlCall(&closer, 1, 0, 0);
        window.PostControlCall(&after, 2, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }));
        PumpFor(50);
        EXPECT_EQ(1u, closer.calls.size());
        EXPECT_TRUE(after.calls.empty());
    }
    bool deleted = false;
    SelfOwnedWindow* window = new SelfOwnedWindow(&deleted);
    HWND hwnd = CreateTestWindow(*window, 0, 0, 100, 60);
    ASSERT_NE(nullptr, hwnd);
    RecordingControl closer, after;
    closer.onCall = [hwnd](UINT) { DestroyWindow(hwnd); };
    window->PostControlCall(&closer, 1, 0, 0);
    window->PostControlCall(&after, 2, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return deleted; }));
    PumpFor(50);
    EXPECT_EQ(1u, closer.calls.size());
    EXPECT_TRUE(after.calls.empty());
}

class AnimatedWindow : public CDuiWindow {
public:
    void OnAnimationTimer(UINT id) override { ++ticks; }
    void MakeTimerQueue() { m_timerQueue = CreateTimerQueue(); }
    int ticks = 0;
};

TEST(DuiWindow, StaleAnimationTickIsIgnored) {
    AnimatedWindow window;
    HWND hwnd = CreateTestWindow(window, 0, 0, 100, 60);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_FALSE(window.StartAnimationTimer());  // no queue yet
    window.MakeTimerQueue();
    ASSERT_TRUE(window.StartAnimationTimer());
    EXPECT_FALSE(window.StartAnimationTimer());
    EXPECT_TRUE(PumpUntil([&] { return window.ticks >= 3; }));
    EXPECT_TRUE(window.StopAnimationTimer());
    EXPECT_FALSE(window.StopAnimationTimer());
    int before = window.ticks;
    PumpFor(60);  // ticks still queued carry the stopped sequence
    EXPECT_EQ(before, window.ticks);

    ASSERT_TRUE(window.StartAnimationTimer());  // sequence 1
    before = window.ticks;
    SendMessageW(hwnd, wendaldui::WM_DUI_ANIMATION_TICK, 0, 0);
    EXPECT_EQ(before, window.ticks);
    SendMessageW(hwnd, wendaldui::WM_DUI_ANIMATION_TICK, 0, 1);
    EXPECT_EQ(before + 1, window.ticks);
    SendMessageW(hwnd, wendaldui::WM_DUI_ANIMATION_TICK, 1, 1);  // no such animation id
    EXPECT_EQ(before + 1, window.ticks);
    DestroyWindow(hwnd);  // deletes the queue with the running timer
}

void CALLBACK QuitWithOtherCode(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

TEST(DuiApp, ModalLoopReenablesItsOwnerAndPassesOnAQuit) {
    CDuiApp* app = CDuiApp::GetApp();
    ASSERT_NE(nullptr, app);
    CDuiWindow owner;
    HWND ownerHwnd = CreateTestWindow(owner, 0, 0, 200, 100);
    ASSERT_NE(nullptr, ownerHwnd);

    // Ended by the dialog's own property.
    {
        CDuiWindow dialog;
        HWND dialogHwnd = CreateTestWindow(dialog, 20, 20, 100, 60, ownerHwnd);
        RecordingControl closer;
        bool ownerDisabled = false;
        closer.onCall = [&](UINT) {
            ownerDisabled = !IsWindowEnabled(ownerHwnd);
            SetPropW(dialogHwnd, wendaldui::kModalCanExitProperty, reinterpret_cast<HANDLE>(1));
            PostMessageW(dialogHwnd, WM_NULL, 0, 0);
        };
        dialog.PostControlCall(&closer, 1, 0, 0);
        app->RunModalLoop(dialogHwnd);
        EXPECT_TRUE(ownerDisabled);
        EXPECT_TRUE(IsWindowEnabled(ownerHwnd));
        EXPECT_FALSE(IsWindow(dialogHwnd));
    }

    // Ended by a quit: the program must still end, so Run sees the quit too.
    {
        CDuiWindow dialog;
        HWND dialogHwnd = CreateTestWindow(dialog, 20, 20, 100, 60, ownerHwnd);
        RecordingControl quitter;
        quitter.onCall = [](UINT) { PostQuitMessage(7); };
        dialog.PostControlCall(&quitter, 1, 0, 0);
        app->RunModalLoop(dialogHwnd);
        EXPECT_TRUE(IsWindowEnabled(ownerHwnd));
        EXPECT_FALSE(IsWindow(dialogHwnd));
        // Should the quit be lost, this timer ends Run with another code.
        const UINT_PTR guard = SetTimer(NULL, 0, 3000, &QuitWithOtherCode);
        EXPECT_EQ(7, app->Run());
        KillTimer(NULL, guard);
    }
    DestroyWindow(ownerHwnd);
}

class ProbeFilter : public wendaldui::IMessageFilter {
public:
    LRESULT MessageFilter(HWND, UINT message, WPARAM, LPARAM, bool& handled) override {
        if (message != WM_USER + 10) return 0;
        ++seen;
        for (IMessageFilter* f : toRemove) window->RemoveMessageFilter(f);
        handled = handles;
        return result;
    }
    CDuiWindow* window = nullptr;
    std::vector<IMessageFilter*> toRemove;
    bool handles = false;
    LRESULT result = 0;
    int seen = 0;
};

TEST(DuiWindow, MessageFiltersCanBeRemovedEvenWhileTheyRun) {
    CDuiWindow window;
    HWND hwnd = CreateTestWindow(window, 0, 0, 100, 60);
    ASSERT_NE(nullptr, hwnd);
    ProbeFilter first, second, third;
    for (ProbeFilter* f : {&first, &second, &third}) f->window = &window;
    first.toRemove = {&first, &second};  // itself and the next one, mid-dispatch
    second.handles = true;
    second.result = 42;
    third.handles = true;
    third.result = 7;
    EXPECT_TRUE(window.AddMessageFilter(&first));
    EXPECT_TRUE(window.AddMessageFilter(&second));
    EXPECT_TRUE(window.AddMessageFilter(&third));
    EXPECT_FALSE(window.AddMessageFilter(&first));

    EXPECT_EQ(7, SendMessageW(hwnd, WM_USER + 10, 0, 0));
    EXPECT_EQ(7, SendMessageW(hwnd, WM_USER + 10, 0, 0));
    EXPECT_EQ(1, first.seen);
    EXPECT_EQ(0, second.seen);
    EXPECT_EQ(2, third.seen);
    EXPECT_TRUE(window.RemoveMessageFilter(&third));
    EXPECT_FALSE(window.RemoveMessageFilter(&third));
    EXPECT_EQ(0, SendMessageW(hwnd, WM_USER + 10, 0, 0));  // the default procedure answers
    EXPECT_EQ(2, third.seen);
    DestroyWindow(hwnd);
}

// Paints an opaque red square at (10, 10, 20, 20) over the background.
class SquareRoot : public wendaldui::CUIContainer {
public:
    void OnPaint(wendaldui::PaintContext& context) override {
        Gdiplus::SolidBrush red(Gdiplus::Color(255, 255, 0, 0));
        context.graphics->FillRectangle(&red, 10, 10, 20, 20);
        ++paints;
    }
    int paints = 0;
};

TEST(DuiWindow, SizeResizesTheSurfaceAndPaintReachesTheScreen) {
    CDuiWindow window;
    SquareRoot* root = new SquareRoot;
    window.SetRoot(root);
    window.SetBackgroundColor(0xFF336699);
    const int left = 40, top = 30;
    HWND hwnd = CreateTestWindow(window, left, top, 120, 80);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(120, window.GetOffscreenDC().GetWidth());
    EXPECT_EQ(80, window.GetOffscreenDC().GetHeight());
    EXPECT_EQ(wendaldui::UIRect(0, 0, 120, 80), root->GetRect());

    SetWindowPos(hwnd, HWND_TOP, 0, 0, 160, 90, SWP_NOMOVE);
    const wendaldui::COffscreenDC& surface = window.GetOffscreenDC();
    ASSERT_EQ(160, surface.GetWidth());
    ASSERT_EQ(90, surface.GetHeight());
    EXPECT_EQ(wendaldui::UIRect(0, 0, 160, 90), root->GetRect());

    RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpFor(100);
    EXPECT_GT(root->paints, 0);
    ASSERT_NE(nullptr, surface.GetBits());
    EXPECT_EQ(0xFF336699u, surface.GetBits()[70 * 160 + 140]);
    EXPECT_EQ(0xFFFF0000u, surface.GetBits()[15 * 160 + 15]);

    HDC screen = GetDC(NULL);
    EXPECT_EQ(RGB(0x33, 0x66, 0x99), GetPixel(screen, left + 140, top + 70));
    EXPECT_EQ(RGB(0xFF, 0, 0), GetPixel(screen, left + 15, top + 15));
    EXPECT_EQ(RGB(0x33, 0x66, 0x99), GetPixel(screen, left + 155, top + 85));  // the part the resize added
    ReleaseDC(NULL, screen);
    DestroyWindow(hwnd);
    EXPECT_EQ(nullptr, window.GetRoot());  // the tree goes with the window
}

// The runner fixes the display's DPI for each run; the factor must follow.
TEST(DuiDpi, FactorFollowsTheScreen) {
    const char* expected = getenv("QUORVEL_UI_DPI");
    if (!expected) GTEST_SKIP() << "QUORVEL_UI_DPI is set by the UI test runner only";
    EXPECT_EQ(atoi(expected), wendaldui::g_screenDpi);
    EXPECT_FLOAT_EQ(static_cast<float>(atoi(expected)) / 96.0f, wendaldui::g_dpiFactor);
}

}  // namespace
