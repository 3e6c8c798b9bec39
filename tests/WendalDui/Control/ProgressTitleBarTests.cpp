// The progress bars and the title bar in a real window: value clamping and
// animation timers, colours read back from the off-screen surface, the title
// bar's layout, caption hit test and window buttons.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <vector>

#include "Core/UiTestSupport.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UIRingProgressBar.h"
#include "WendalDui/Control/UISimpleProgressBar.h"
#include "WendalDui/Control/UITitleBar.h"
#include "WendalDui/Control/UITitleBarButton.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"

namespace {

using namespace wendaldui;
using ui_testing::Near;
using ui_testing::PumpUntil;

constexpr uint32_t kWhite = 0xFFFFFFFF;  // the window's background
constexpr uint32_t kTrack = 0xCCE6E6E6;

// Records the control timers it gets, and the value shown after each.
template <typename Bar>
class Ticking : public Bar {
public:
    void OnTimer(UINT localId) override {
        Bar::OnTimer(localId);
        ticks.push_back(localId);
        shown.push_back(this->GetValueTween().GetValue());
    }
    std::vector<UINT> ticks;
    std::vector<float> shown;
};

class ProgressTitleBar : public testing::Test {
protected:
    void SetUp() override {
        m_root = new CUIContainer;
        m_window.SetRoot(m_root);
        m_hwnd = ui_testing::CreateTestWindow(m_window, 0, 0, 420, 300);
        ASSERT_NE(nullptr, m_hwnd);
    }
    void TearDown() override { DestroyWindow(m_hwnd); }

    void Repaint() { RedrawWindow(m_hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW); }
    uint32_t Pixel(int x, int y) { return ui_testing::SurfacePixel(m_window, x, y); }
    // Left-quarter and right-quarter points of a bar.
    void ExpectBar(const CUIControl* bar, uint32_t left, uint32_t right) {
        const UIRect r = bar->GetWindowRect();
        const int y = r.y + r.height / 2;
        Repaint();
        EXPECT_PRED2(Near, left & 0xFFFFFF, Pixel(r.x + r.width / 4, y));
        EXPECT_PRED2(Near, right & 0xFFFFFF, Pixel(r.x + r.width * 3 / 4, y));
    }
    CUITitleBar* AddTitleBar(uint32_t styles) {
        CUITitleBar* bar = new CUITitleBar;
        EXPECT_TRUE(bar->Create(m_root, kControlVisible | styles, UIRect(0, 0, 260, 30), 100));
        return bar;
    }

    CDuiSkinManager m_skin{L"微软雅黑", 210, 0.5, 0.4, 0};
    CDuiWindow m_window;
    CUIContainer* m_root = nullptr;
    HWND m_hwnd = NULL;
};

TEST_F(ProgressTitleBar, BarValueIsClampedNaNCountsAsZeroAndTheSameTargetStartsNoTimer) {
    auto* bar = new Ticking<CUISimpleProgressBar>;
    ASSERT_TRUE(bar->Create(m_root, kControlVisible, UIRect(10, 10, 200, 12), 1));
    const uint32_t empty = AlphaComposite(kTrack, kWhite);
    const uint32_t green = AlphaComposite(0xCC0FBC17, empty);
    const struct {
        float value, target;
        uint32_t left, right;
    } cases[] = {{1.7f, 1.0f, green, green},
                 {-1.0f, 0.0f, empty, empty},
                 {0.5f, 0.5f, green, empty},
                 {NAN, 0.0f, empty, empty}};  // NaN once reached an undefined float-to-int conversion
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        bar->SetValue(c.value);
        EXPECT_EQ(c.target, bar->GetValue());
        ASSERT_TRUE(PumpUntil([&] { return !bar->GetValueTween().IsRunning(); }));
        EXPECT_EQ(c.target, bar->GetValueTween().GetValue());
        ExpectBar(bar, c.left, c.right);
    }
    EXPECT_FALSE(bar->ticks.empty());
    bar->ticks.clear();
    bar->SetValue(0.0f);
    bar->SetValue(-3.0f);  // clamps onto the same target
    EXPECT_TRUE(ui_testing::PumpTimerTicks(10));  // the bar's would have ticked by then
    EXPECT_TRUE(bar->ticks.empty());
}

TEST_F(ProgressTitleBar, BarColourFollowsTheState) {
    auto* bar = new CUISimpleProgressBar;
    ASSERT_TRUE(bar->Create(m_root, kControlVisible, UIRect(10, 10, 200, 12), 1));
    bar->SetValue(0.5f);
    ASSERT_TRUE(PumpUntil([&] { return !bar->GetValueTween().IsRunning(); }));
    const uint32_t empty = AlphaComposite(kTrack, kWhite);
    const struct {
        int state;
        uint32_t color;
    } cases[] = {{0, 0xCC0FBC17}, {1, 0xCC0FBC17}, {4, 0xCC0FBC17}, {2, 0xCCCB4E4E}, {3, 0xCCBC890F}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        bar->SetBarState(c.state);
        EXPECT_EQ(c.state, bar->GetBarState());
        ExpectBar(bar, AlphaComposite(c.color, empty), empty);
    }
}

TEST_F(ProgressTitleBar, RingSpinsOnTimer1WhileIndeterminateThenGrowsItsArcFromZeroIn10Steps) {
    auto* ring = new Ticking<CUIRingProgressBar>;
    ASSERT_TRUE(ring->Create(m_root, kControlVisible, UIRect(10, 40, 40, 40), 2));
    auto* born = new Ticking<CUIRingProgressBar>;  // indeterminate from creation
    ASSERT_TRUE(born->Create(m_root, kControlVisible | kRingIndeterminate, UIRect(60, 40, 40, 40), 3));
    ring->SetValue(0.6f);
    ASSERT_TRUE(PumpUntil([&] { return !ring->GetValueTween().IsRunning(); }));

    ring->ticks.clear();
    EXPECT_EQ(kRingIndeterminate, ring->SetFlags(ring->GetFlags() | kRingIndeterminate) & kRingIndeterminate);
    ASSERT_TRUE(PumpUntil([&] { return ring->ticks.size() >= 3 && born->ticks.size() >= 3; }));
    EXPECT_EQ(std::vector<UINT>(ring->ticks.size(), 1u), ring->ticks);
    EXPECT_EQ(std::vector<UINT>(born->ticks.size(), 1u), born->ticks);

    ring->SetFlags(ring->GetFlags() & ~kRingIndeterminate);
    EXPECT_EQ(0.0f, ring->GetValueTween().GetValue());
    ring->ticks.clear();
    ring->shown.clear();
    ASSERT_TRUE(PumpUntil([&] { return ring->ticks.size() >= 9 && !ring->GetValueTween().IsRunning(); }, 10000));
    EXPECT_TRUE(ui_testing::PumpTimerTicks(10));  // no tick comes after the last frame
    // Frame 0 is shown at once, the other nine on timer 0; the spin stopped.
    EXPECT_EQ(std::vector<UINT>(9, 0u), ring->ticks);
    for (size_t i = 1; i < ring->shown.size(); ++i) EXPECT_LT(ring->shown[i - 1], ring->shown[i]);
    EXPECT_EQ(0.6f, ring->shown.back());
    ring->SetValue(NAN);
    EXPECT_EQ(0.0f, ring->GetValue());
}

TEST_F(ProgressTitleBar, ButtonsSitFromTheRightAndTheLabelRunsUpToThem) {
    const int width = DpiScale(260), height = DpiScale(30), pad = DpiScale(4);
    const struct {
        uint32_t styles;
        std::vector<int> fromRight;
    } cases[] = {
        {kTitleBarClose, {kTitleBarCloseId}},
        {kTitleBarClose | kTitleBarMaximize | kTitleBarMinimize,
         {kTitleBarCloseId, kTitleBarMaximizeId, kTitleBarMinimizeId}},
        {kTitleBarMinimize | kTitleBarClose, {kTitleBarCloseId, kTitleBarMinimizeId}},
        {0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.styles);
        CUITitleBar* bar = AddTitleBar(c.styles);
        EXPECT_EQ(c.fromRight.size() + 1, bar->GetChildCount());
        int right = width;
        for (int id : c.fromRight) {
            CUIControl* button = bar->GetChild(id);
            ASSERT_NE(nullptr, button);
            right -= height;
            EXPECT_EQ(UIRect(right, 0, height, height), button->GetRect());
            EXPECT_TRUE(button->GetState() & kStateToolTipRegistered);
        }
        EXPECT_EQ(UIRect(pad, 0, right - pad, height), bar->GetTitleLabel()->GetRect());
        EXPECT_STREQ(L"TitleBar", bar->GetTitleLabel()->GetText().GetString());
        bar->Destroy();
    }
}

TEST_F(ProgressTitleBar, AddedControlsSitLeftOfMinimiseAndFollowAResize) {
    CUITitleBar* bar = AddTitleBar(kTitleBarClose | kTitleBarMaximize | kTitleBarMinimize);
    const int height = DpiScale(30), pad = DpiScale(4);
    const int buttonsLeft = DpiScale(260) - 3 * height;
    auto* pixels = new CUIControl;
    ASSERT_TRUE(bar->AddControl(pixels, kControlVisible | kControlRectInPixels, 7, 40));
    EXPECT_EQ(UIRect(buttonsLeft - 40, 0, 40, height), pixels->GetRect());
    // A logical width is scaled once; the bar's pixel sizes are not scaled again.
    auto* logical = new CUIControl;
    ASSERT_TRUE(bar->AddControl(logical, kControlVisible, 8, 20));
    const int left = buttonsLeft - 40 - DpiScale(20);
    EXPECT_EQ(UIRect(left, 0, DpiScale(20), height), logical->GetRect());
    EXPECT_EQ(UIRect(pad, 0, left - pad, height), bar->GetTitleLabel()->GetRect());

    bar->SetPos(UIRect(0, 0, 400, height + 6));
    EXPECT_EQ(UIRect(400 - height, 0, height, height + 6), bar->GetChild(kTitleBarCloseId)->GetRect());
    EXPECT_EQ(UIRect(400 - 3 * height, 0, height, height + 6), bar->GetChild(kTitleBarMinimizeId)->GetRect());
    EXPECT_EQ(UIRect(400 - 3 * height - 40 - DpiScale(20), 0, DpiScale(20), height + 6), logical->GetRect());
    EXPECT_EQ(UIRect(pad, 0, logical->GetRect().x - pad, height + 6), bar->GetTitleLabel()->GetRect());
}

TEST_F(ProgressTitleBar, LabelAndEmptyPartsDragTheWindowButtonsDoNot) {
    CUITitleBar* bar = AddTitleBar(kTitleBarClose);
    const UIRect close = bar->GetChild(kTitleBarCloseId)->GetRect();
    const UIRect label = bar->GetTitleLabel()->GetRect();
    const struct {
        POINT at;
        int hit;
        LRESULT nc;
    } cases[] = {{{1, 1}, kHitCaption, HTCAPTION},
                 {{label.x + label.width / 2, close.height / 2}, kHitCaption, HTCAPTION},
                 {{close.x + close.width / 2, close.height / 2}, kHitClient, HTCLIENT}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.at.x);
        CUIControl* out = nullptr;
        EXPECT_EQ(c.hit, bar->HitTest(c.at.x, c.at.y, out));
        EXPECT_EQ(c.hit == kHitClient ? bar->GetChild(kTitleBarCloseId) : bar, out);
        EXPECT_EQ(c.nc, SendMessageW(m_hwnd, WM_NCHITTEST, 0, MAKELPARAM(c.at.x, c.at.y)));  // window at (0, 0)
    }
}

TEST_F(ProgressTitleBar, DisablingStylesDisableTheButtonsAndOtherStylesAreRefused) {
    const uint32_t all = kTitleBarClose | kTitleBarMaximize | kTitleBarMinimize;
    CUITitleBar* bar = AddTitleBar(all | kTitleBarMaximizeDisabled);
    EXPECT_FALSE(bar->GetChild(kTitleBarMaximizeId)->IsEffectivelyEnabled());
    const struct {
        uint32_t style;
        int id;
    } cases[] = {{kTitleBarMinimizeDisabled, kTitleBarMinimizeId},
                 {kTitleBarMaximizeDisabled, kTitleBarMaximizeId},
                 {kTitleBarCloseDisabled, kTitleBarCloseId}};
    for (const auto& c : cases) {
        auto* button = static_cast<CUITitleBarButton*>(bar->GetChild(c.id));
        bar->SetFlags(bar->GetFlags() | c.style);
        EXPECT_EQ(kVisualDisabled, button->GetVisualState());
        bar->SetFlags(bar->GetFlags() & ~c.style);
        EXPECT_EQ(kVisualNormal, button->GetVisualState());
        EXPECT_TRUE(button->IsEffectivelyEnabled());
    }
    EXPECT_EQ(all, bar->SetFlags(bar->GetFlags() & ~kTitleBarMinimize) & all);
}

TEST_F(ProgressTitleBar, ButtonBackgroundFollowsItsStateAndTheGlyphIsInked) {
    CUITitleBar* bar = AddTitleBar(kTitleBarClose);
    auto* close = static_cast<CUITitleBarButton*>(bar->GetChild(kTitleBarCloseId));
    const UIRect r = close->GetWindowRect();
    const uint32_t under = AlphaComposite(m_skin.GetColor(93), kWhite);
    auto glyphPixels = [&] {
        const uint32_t background = AlphaComposite(close->GetBackgroundTween().GetValue(), under);
        const uint32_t ink = AlphaComposite(m_skin.GetColor(96), background) & 0xFFFFFF;
        Repaint();
        int count = 0;
        for (int y = r.y; y < r.y + r.height; ++y) {
            for (int x = r.x; x < r.x + r.width; ++x) count += Pixel(x, y) == ink;
        }
        return count;
    };
    EXPECT_GT(glyphPixels(), r.width / 2);

    const struct {
        void (*drive)(CUITitleBarButton*);
        int state;
    } steps[] = {{[](CUITitleBarButton* b) { b->OnMouseEnter(); }, kVisualHover},
                 {[](CUITitleBarButton* b) { b->OnLButtonDown(0, 1, 1); }, kVisualPressed},
                 {[](CUITitleBarButton* b) { b->Enable(false); }, kVisualDisabled},
                 {[](CUITitleBarButton* b) { b->Enable(true); }, kVisualNormal}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.state);
        step.drive(close);
        EXPECT_EQ(step.state == kVisualPressed ? 3 : 5, close->GetBackgroundTween().GetFrames());  // a press is quicker
        ASSERT_TRUE(PumpUntil([&] { return !close->GetBackgroundTween().IsRunning(); }));
        EXPECT_EQ(m_skin.GetColor(100 + step.state), close->GetBackgroundTween().GetValue());
        Repaint();
        EXPECT_PRED2(Near, AlphaComposite(m_skin.GetColor(100 + step.state), under) & 0xFFFFFF,
                     Pixel(r.x + 1, r.y + 1));
    }
    close->Enable(false);
    EXPECT_EQ(0, glyphPixels());  // drawn in the disabled glyph colour instead
}

}  // namespace
