// Scroll bars and scroll containers: the thumb geometry and drag mapping as
// tables, then real windows driven by mouse messages and timers. Sizes are in
// pixels; bar thickness and minimum thumb follow the DPI of the run.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <vector>

#include "Core/UiTestSupport.h"
#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Control/UIScrollBar.h"
#include "WendalDui/Control/UIScrollBarBody.h"
#include "WendalDui/Control/UIScrollContainerView.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"

namespace {

using namespace wendaldui;
using internal::CUIScrollBarBody;
using ui_testing::PumpFor;
using ui_testing::PumpUntil;

constexpr uint32_t kShown = kControlVisible | kControlRectInPixels;

int Thickness() { return CUIScrollContainer::BarThickness(); }
int MinThumb() { return CUIScrollBarBody::MinThumbLength(); }

TEST(ScrollGeometry, ThumbSpansAndTheMinimumLength) {
    struct Case {
        int length, min, max, page, pos;
        bool thumb;
        int start, end;
        const char* rule;
    } cases[] = {
        {100, 0, 1000, 200, 0, true, 0, 20, "natural length at the top"},
        {100, 0, 1000, 200, 800, true, 80, 100, "natural length at the end"},
        {100, 0, 10000, 200, 0, true, 0, 20, "short thumb drawn at the minimum"},
        {100, 0, 10000, 200, 4900, true, 40, 60, "minimum thumb travels length - minimum"},
        {100, 0, 10000, 200, 9800, true, 80, 100, "minimum thumb ends at the track's end"},
        {1000, 0, 100000000, 50000000, 40000000, true, 400, 900, "64-bit products"},
        {100, 100, 1100, 200, 900, true, 80, 100, "measured from min"},
        {100, 0, 100, 100, 0, false, 0, 0, "page covers the range"},
        {100, 0, 0, 0, 0, false, 0, 0, "empty range"},
        {20, 0, 1000, 100, 500, true, 0, 20, "track as long as the minimum: all thumb"},
        {10, 0, 1000, 100, 500, true, 0, 10, "track shorter than the minimum: all thumb, never backwards"},
    };
    for (const Case& c : cases) {
        int start = -1, end = -1;
        EXPECT_EQ(c.thumb, CUIScrollBarBody::CalcThumb(c.length, c.min, c.max, c.page, c.pos, 20, start, end))
            << c.rule;
        EXPECT_EQ(c.start, start) << c.rule;
        EXPECT_EQ(c.end, end) << c.rule;
    }
}

TEST(ScrollGeometry, DragMapsOverTheTrackAndSnaps) {
    struct Case {
        int length, min, max, page, startPos, distance, snap, expected;
        const char* rule;
    } cases[] = {
        {100, 0, 1000, 200, 0, 10, 1, 100, "natural thumb: range per track pixel"},
        {100, 0, 1000, 200, 0, 3, 24, 24, "snap rounds 30 to 24"},
        {100, 0, 1000, 200, 0, 5, 24, 48, "snap rounds 50 to 48"},
        {100, 10, 1010, 200, 10, 3, 24, 34, "snap counts from min"},
        {100, 0, 1000, 200, 0, 1000, 1, 800, "kept at max - page"},
        {100, 0, 1000, 200, 100, -50, 1, 0, "kept at min"},
        {100, 0, 10000, 200, 0, 8, 1, 980, "minimum thumb maps length - minimum"},
        {1000, 0, 100000000, 50000000, 0, 100, 1, 10000000, "64-bit products"},
        {20, 0, 1000, 100, 500, 5, 1, 500, "track as long as the minimum: no division by zero"},
        {10, 0, 1000, 100, 500, 5, 1, 500, "track shorter than the minimum does not drag"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, CUIScrollBarBody::CalcDragPos(c.length, c.min, c.max, c.page, c.startPos, c.distance,
                                                            c.snap, 20))
            << c.rule;
    }
}

// Records the bars' requests before handling them.
class Recorder : public CUIScrollContainerView {
public:
    struct Request {
        int id, code, pos;
    };
    void OnScrollBarEvent(EventData& e) override {
        requests.push_back({e.id, static_cast<int>(e.p1 & 0xFFFF), static_cast<int>(e.p1 >> 16)});
        CUIScrollContainerView::OnScrollBarEvent(e);
    }
    int Count(int code) const {
        int n = 0;
        for (const Request& r : requests) n += r.code == code;
        return n;
    }
    std::vector<Request> requests;
};

class ScrollWindow : public testing::Test {
protected:
    void SetUp() override {
        ui_testing::MoveMouseTo(1000, 740);  // no real input over the window unless a test asks
        m_root = new CUIContainer2;
        m_window.SetRoot(m_root);
        hwnd = ui_testing::CreateTestWindow(m_window, 0, 0, 400, 300);
        ASSERT_NE(nullptr, hwnd);
        PumpFor(30);
    }
    void TearDown() override { DestroyWindow(hwnd); }

    Recorder* Make(uint32_t style, int width, int height, int contentWidth, int contentHeight) {
        Recorder* c = new Recorder;
        EXPECT_TRUE(c->Create(m_root, kShown | style, UIRect(10, 10, width, height), 1));
        c->SetContentSize(contentWidth, contentHeight);
        return c;
    }
    void Mouse(UINT message, int x, int y, WPARAM keys = 0) { SendMessageW(hwnd, message, keys, MAKELPARAM(x, y)); }
    static bool Settle(Recorder* c, int y) {
        return PumpUntil([&] { return c->GetScrollY() == y; }, 10000);
    }

    CDuiSkinManager m_skin{L"微软雅黑", 210, 0.5, 0.4, 0};
    CDuiWindow m_window;
    CUIContainer2* m_root = nullptr;
    HWND hwnd = NULL;
};

TEST_F(ScrollWindow, BarsAppearOnlyWhileNeededAndNeverFlip) {
    Recorder* c = Make(kScrollHasVertical | kScrollHasHorizontal, 200, 150, 10, 10);
    const int t = Thickness();
    struct Case {
        int width, height;
        bool vertical, horizontal;
        const char* rule;
    } cases[] = {
        {100, 100, false, false, "fits"},
        {100, 300, true, false, "too tall"},
        {300, 100, false, true, "too wide"},
        {195, 300, true, true, "the vertical bar narrows the view below the content"},
        {200, 150, false, false, "fits without bars, after both were shown"},
        {100, 300, true, false, "too tall again"},
        {200, 150, false, false, "fits without bars, after one was shown (the old rule flipped bars)"},
        {200, 151, true, true, "one pixel too tall needs both"},
    };
    for (const Case& k : cases) {
        c->SetContentSize(k.width, k.height);
        EXPECT_EQ(k.vertical, c->IsVerticalBarShown()) << k.rule;
        EXPECT_EQ(k.horizontal, c->IsHorizontalBarShown()) << k.rule;
        EXPECT_EQ(200 - (k.vertical ? t : 0), c->GetViewWidth()) << k.rule;
        EXPECT_EQ(150 - (k.horizontal ? t : 0), c->GetViewHeight()) << k.rule;
        EXPECT_EQ(UIRect(0, 0, c->GetViewWidth(), c->GetViewHeight()), c->GetView()->GetRect()) << k.rule;
        const CUIScrollBarBody* body = c->GetVerticalBar()->GetBody();
        EXPECT_EQ(k.height, body->GetMax()) << k.rule;
        EXPECT_EQ(c->GetViewHeight(), body->GetPage()) << k.rule;
    }
}

TEST_F(ScrollWindow, LinesSnapAndPositionsStayInRange) {
    Recorder* c = Make(kScrollHasVertical, 200, 150, 100, 1000);
    c->SetLineStep(24);
    c->ScrollToY(30, false);
    c->ScrollLines(1);
    EXPECT_EQ(48, c->GetTargetY()) << "a partial line counts as one";
    c->ScrollToY(30, false);
    c->ScrollLines(-1);
    EXPECT_EQ(24, c->GetTargetY());
    c->ScrollLines(-5);
    EXPECT_EQ(0, c->GetTargetY());

    c->SetLineStep(1);
    c->ScrollToY(5000, false);
    EXPECT_EQ(850, c->GetScrollY()) << "kept at content - view";
    EXPECT_EQ(-850, c->GetContent()->GetRect().y);
    c->SetContentSize(100, 600);
    EXPECT_EQ(450, c->GetTargetY()) << "shrinking content pulls the position to the new end";
    EXPECT_GT(c->GetScrollY(), 450) << "animated, not jumped";
    EXPECT_TRUE(Settle(c, 450));
    EXPECT_EQ(-450, c->GetContent()->GetRect().y);
    EXPECT_EQ(450, c->GetVerticalBar()->GetScrollPos());

    c->SetContentSize(100, 100);
    EXPECT_FALSE(c->IsVerticalBarShown()) << "content smaller than the view hides the bar";
    EXPECT_EQ(200, c->GetViewWidth());
    EXPECT_TRUE(Settle(c, 0));
    // Inverted bounds (content - view < 0) must still give 0, not a negative position.
    c->ScrollToY(50, false);
    EXPECT_EQ(0, c->GetScrollY());
    CUIScrollBarBody* body = c->GetVerticalBar()->GetBody();
    body->SetScrollPos(50);
    EXPECT_EQ(0, body->GetScrollPos());
}

TEST_F(ScrollWindow, WheelScrollsTheContainerUnderTheCursor) {
    Recorder* c = Make(kScrollHasVertical | kScrollHasHorizontal, 200, 150, 100, 1000);
    const int notch = static_cast<int>(25 * g_dpiFactor);  // lines of one pixel
    ui_testing::MoveMouseTo(100, 100);
    auto wheel = [&](int x, int y, int delta) {
        SendMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(x, y));  // screen = client here
    };
    wheel(100, 100, -WHEEL_DELTA);
    EXPECT_TRUE(Settle(c, notch));
    EXPECT_EQ(-notch, c->GetContent()->GetRect().y);
    wheel(300, 250, -WHEEL_DELTA);  // beside the container
    PumpFor(50);
    EXPECT_EQ(notch, c->GetTargetY());
    wheel(100, 100, WHEEL_DELTA);
    EXPECT_TRUE(Settle(c, 0));

    c->SetContentSize(1000, 50);  // only sideways scrolling is possible
    wheel(100, 100, -WHEEL_DELTA);
    EXPECT_TRUE(PumpUntil([&] { return c->GetScrollX() == notch; }, 10000));
    EXPECT_EQ(-notch, c->GetContent()->GetRect().x);
}

TEST_F(ScrollWindow, HeldArrowStepsAtOnceThenAfterADelayThenRepeats) {
    Recorder* c = Make(kScrollHasVertical, 200, 150, 100, 100000);
    const UIRect down = c->GetVerticalBar()->GetChild(CUIScrollBar::kSecondButtonId)->GetWindowRect();
    const DWORD start = GetTickCount();
    Mouse(WM_LBUTTONDOWN, down.x + down.width / 2, down.y + down.height / 2, MK_LBUTTON);
    EXPECT_EQ(1, c->Count(SB_LINEDOWN)) << "the first step comes at once";
    // Each step is timed as it comes: a busy machine may keep a pump past its
    // limit, but never fires a timer early.
    ASSERT_TRUE(PumpUntil([&] { return c->Count(SB_LINEDOWN) > 1; }, 10000)) << "a second step";
    EXPECT_GE(GetTickCount() - start, 250u) << "the second step waits for the delay";
    EXPECT_TRUE(PumpUntil([&] { return c->Count(SB_LINEDOWN) >= 3; }, 10000)) << "then the steps repeat";
    Mouse(WM_LBUTTONUP, down.x + 1, down.y + 1);
    const int released = c->Count(SB_LINEDOWN);
    EXPECT_TRUE(ui_testing::PumpTimerTicks(100));  // as long as three of the arrow's repeat steps
    EXPECT_EQ(released, c->Count(SB_LINEDOWN)) << "the repeat ends with the button";
    EXPECT_EQ(0, c->Count(SB_LINEUP));
}

TEST_F(ScrollWindow, PressedTrackPagesUntilTheThumbReachesTheMouse) {
    Recorder* c = Make(kScrollHasVertical, 200, 150, 100, 600);
    CUIScrollBarBody* body = c->GetVerticalBar()->GetBody();
    const UIRect track = body->GetWindowRect();
    const int x = track.width / 2, y = track.height - 3;  // near the track's end, in the body
    const DWORD start = GetTickCount();
    Mouse(WM_LBUTTONDOWN, track.x + x, track.y + y, MK_LBUTTON);
    EXPECT_EQ(1, c->Count(SB_PAGEDOWN)) << "the first page comes at once";
    ASSERT_TRUE(PumpUntil([&] { return c->Count(SB_PAGEDOWN) > 1; }, 10000)) << "a second page";
    EXPECT_GE(GetTickCount() - start, 150u) << "then a pause";  // timed as it comes, as above
    EXPECT_TRUE(PumpUntil([&] { return body->HitPart(x, y) == CUIScrollBarBody::kPartThumb; }, 10000));
    const int reached = c->Count(SB_PAGEDOWN);
    EXPECT_GE(reached, 3);
    EXPECT_TRUE(ui_testing::PumpTimerTicks(50));  // as long as three of the track's repeat steps
    EXPECT_EQ(reached, c->Count(SB_PAGEDOWN)) << "no paging once the thumb is under the mouse";
    Mouse(WM_LBUTTONUP, track.x + x, track.y + y);
    EXPECT_EQ(0, c->Count(SB_PAGEUP));
    EXPECT_EQ(450, c->GetTargetY());
}

TEST_F(ScrollWindow, ThumbTrackMovesAndThumbPositionChangesNothing) {
    Recorder* c = Make(kScrollHasVertical, 200, 150, 100, 1000);
    CUIScrollBarBody* body = c->GetVerticalBar()->GetBody();
    const UIRect track = body->GetWindowRect();
    const int x = track.x + track.width / 2, y = track.y + 5;
    Mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, x, y + 20, MK_LBUTTON);
    ASSERT_GE(c->Count(SB_THUMBTRACK), 1);
    const int pos = body->GetScrollPos();
    EXPECT_GT(pos, 0);
    EXPECT_EQ(pos, c->requests.back().pos);
    EXPECT_EQ(pos, c->GetScrollY()) << "the content follows the thumb without animating";
    EXPECT_EQ(-pos, c->GetContent()->GetRect().y);
    int start = 0, end = 0;
    CUIScrollBarBody::CalcThumb(track.height, 0, 1000, c->GetViewHeight(), pos, MinThumb(), start, end);
    EXPECT_NEAR(20, start, 1) << "the thumb follows the mouse";

    Mouse(WM_LBUTTONUP, x, y + 20);
    ASSERT_EQ(SB_THUMBPOSITION, c->requests.back().code);
    EXPECT_EQ(pos, c->requests.back().pos);
    EventData late;
    late.id = kEventVScroll;
    late.p1 = SB_THUMBPOSITION | (10u << 16);
    late.sender = c->GetVerticalBar();
    c->OnScrollBarEvent(late);
    EXPECT_TRUE(ui_testing::PumpTimerTicks(10));  // a scroll's frames would have begun by then
    EXPECT_EQ(pos, c->GetScrollY());
    EXPECT_EQ(pos, body->GetScrollPos());
}

TEST_F(ScrollWindow, TrackNoLongerThanTheMinimumThumbIsAllThumbAndDoesNotDrag) {
    // At 96 DPI a 48-pixel bar leaves 48 - 2 x 14 = 20 pixels: the drag used to divide by zero there.
    for (int shorter : {0, 5}) {
        SCOPED_TRACE(shorter);
        Recorder* c = Make(kScrollHasVertical, 100, 2 * Thickness() + MinThumb() - shorter, 50, 1000);
        CUIScrollBarBody* body = c->GetVerticalBar()->GetBody();
        ASSERT_TRUE(c->IsVerticalBarShown());
        const UIRect track = body->GetWindowRect();
        ASSERT_EQ(MinThumb() - shorter, track.height);
        UpdateWindow(hwnd);
        const uint32_t thumb = AlphaComposite(m_skin.GetColor(32), 0xFFFFFFFF) & 0xFFFFFF;
        const int x = track.x + track.width / 2;
        EXPECT_PRED2(ui_testing::Near2, thumb, ui_testing::SurfacePixel(m_window, x, track.y));
        EXPECT_PRED2(ui_testing::Near2, thumb, ui_testing::SurfacePixel(m_window, x, track.y + track.height - 1));

        Mouse(WM_LBUTTONDOWN, x, track.y + track.height / 2, MK_LBUTTON);
        Mouse(WM_MOUSEMOVE, x, track.y + track.height / 2 + 10, MK_LBUTTON);
        Mouse(WM_MOUSEMOVE, x, track.y + track.height / 2 - 10, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, x, track.y);
        EXPECT_EQ(0, c->Count(SB_THUMBTRACK));
        EXPECT_EQ(0, body->GetScrollPos());
        EXPECT_EQ(0, c->GetScrollY());
        c->Destroy();
    }
}

TEST_F(ScrollWindow, ContentViewCentresAndSizesInPixels) {
    Recorder* c = Make(kScrollHasVertical | kScrollCentreContent, 200, 150, 100, 300);
    // The content container has kControlRectInPixels: sizes are pixels at every DPI.
    const int offset = (200 - Thickness() - 100) / 2;  // centred in the view, beside the bar
    EXPECT_EQ(UIRect(offset, 0, 100, 300), c->GetContent()->GetRect());
    c->ScrollToY(40, false);
    EXPECT_EQ(UIRect(offset, -40, 100, 300), c->GetContent()->GetRect());
    c->SetContentSize(400, 300);
    EXPECT_EQ(0, c->GetContent()->GetRect().x) << "wider than the view: no centring";
}

// A plain smooth container whose view records the keys it gets.
class KeyView : public CUIControl {
public:
    void OnKeyDown(WPARAM vk, UINT, LPARAM) override { keys.push_back(vk); }
    std::vector<WPARAM> keys;
};
class Keyed : public CUIScrollContainer2 {
public:
    CUIControl* CreateView(const ViewCreateInfo& info) override {
        view = new KeyView;
        EXPECT_TRUE(view->Create(info.parent, info.flags | kControlFocusable, info.rect, info.id, info.arg));
        return view;
    }
    KeyView* view = nullptr;
};

TEST_F(ScrollWindow, FrameLightsUpAndTabLeavesTheContainer) {
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    PumpFor(50);
    CUIControl* next = new CUIControl;
    ASSERT_TRUE(next->Create(m_root, kShown | kControlTabStop, UIRect(300, 10, 20, 20), 2));
    for (uint32_t still : {0u, static_cast<uint32_t>(kScrollFrameStill)}) {
        SCOPED_TRACE(still);
        Keyed* c = new Keyed;
        ASSERT_TRUE(c->Create(m_root, kShown | kControlTabStop | kScrollFrame | still, UIRect(10, 10, 200, 150), 1));
        Mouse(WM_MOUSEMOVE, 100, 100);
        EXPECT_EQ(still ? 0 : 1, c->GetBorderState()) << "hover";
        Mouse(WM_LBUTTONDOWN, 100, 100, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, 100, 100);
        EXPECT_TRUE(c->view->HasFocus()) << "the container hands the focus to its view";
        EXPECT_EQ(still ? 0 : 2, c->GetBorderState()) << "focused";
        SendMessageW(hwnd, WM_KEYDOWN, 'A', 1);
        SendMessageW(hwnd, WM_KEYDOWN, VK_TAB, 1);
        EXPECT_EQ(std::vector<WPARAM>{'A'}, c->view->keys) << "the view never sees Tab";
        EXPECT_TRUE(next->HasFocus());
        EXPECT_EQ(0, c->GetBorderState()) << "focus lost";
        c->Enable(false);
        EXPECT_EQ(3, c->GetBorderState()) << "disabled";
        c->Destroy();
    }
}

}  // namespace
