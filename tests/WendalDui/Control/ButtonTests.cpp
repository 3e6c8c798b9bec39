// Push button, check box and toggle button inside a real window: the click
// rule, Space after a Tab focus only (once, however long it is held), the
// colour fades on timer 1 and the colours they leave on the off-screen
// surface.
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "Core/UiTestSupport.h"
#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UICheckBox.h"
#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Control/UIToggleButton.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"

namespace {

using namespace wendaldui;
// Each channel within 1: GDI+ and AlphaComposite may round apart.
using ui_testing::Near;
using ui_testing::PumpUntil;

constexpr uint32_t kBackground = 0xFF336699;
constexpr uint32_t kTab = kControlVisible | kControlTabStop;

// The fades end on their timer alone.
bool Settle(std::initializer_list<const CTween<ARGB>*> tweens) {
    auto running = [&] { return std::any_of(tweens.begin(), tweens.end(), [](auto t) { return t->IsRunning(); }); };
    return PumpUntil([&] { return !running(); }, 10000);
}

class Buttons : public testing::Test {
protected:
    void SetUp() override {
        root = new CUIContainer2;
        root->SetBackgroundColor(kBackground);
        window.SetRoot(root);
        hwnd = ui_testing::CreateTestWindow(window, 0, 0, 400, 400);
        ASSERT_NE(nullptr, hwnd);
        SetForegroundWindow(hwnd);
        SetFocus(hwnd);
        ui_testing::PumpFor(50);
        ASSERT_TRUE(window.HasFocus());
    }
    void TearDown() override { DestroyWindow(hwnd); }

    template <typename T>
    T* Add(int id, uint32_t flags = kTab) {
        T* control = new T;
        EXPECT_TRUE(control->Create(root, flags, UIRect(10, 10 + 35 * id, 120, 30), id));
        control->BindEvent(kEventClick, this, &Buttons::OnClick);
        return control;
    }
    void OnClick(EventData& data) { clicks.push_back(data); }
    void Mouse(UINT message, const CUIControl* control, int dy = 5, WPARAM keys = 0) {
        SendMessageW(hwnd, message, keys, MAKELPARAM(control->GetRect().x + 5, control->GetRect().y + dy));
    }
    void Click(const CUIControl* control) {
        Mouse(WM_MOUSEMOVE, control);
        Mouse(WM_LBUTTONDOWN, control, 5, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, control);
    }
    void Key(UINT vk, LPARAM flags = 1) { SendMessageW(hwnd, WM_KEYDOWN, vk, flags); }
    void Redraw() { RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW); }
    uint32_t Pixel(int x, int y) { return ui_testing::SurfacePixel(window, x, y); }
    // Palette entry `entry` as it shows over `bottom`.
    uint32_t Over(int entry, uint32_t bottom = kBackground) { return AlphaComposite(skin.GetColor(entry), bottom); }

    CDuiSkinManager skin{L"微软雅黑", 210, 0.5, 0.4, 0};
    CDuiWindow window;
    CUIContainer2* root = nullptr;
    HWND hwnd = NULL;
    std::vector<EventData> clicks;
};

// A click is raised on release inside only (a checkable control flips and
// reports the new value); Space clicks only after a Tab focus, and its
// repeats while held do not click again.
TEST_F(Buttons, ClickRulesOfEachKind) {
    struct Kind {
        std::function<internal::CUIButtonBase*(int)> add;
        uint32_t p1;
    } kinds[] = {{[this](int id) { return Add<CUIButton>(id); }, 0},
                 {[this](int id) { return Add<CUICheckBox>(id); }, 1},
                 {[this](int id) { return Add<CUIToggleButton>(id); }, 1}};
    int id = 1;
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(id);
        internal::CUIButtonBase* a = kind.add(id++);
        internal::CUIButtonBase* b = kind.add(id++);
        Click(a);
        Click(a);  // a checkable one is back where it was
        ASSERT_EQ(2u, clicks.size());
        EXPECT_EQ(a, clicks[0].sender);
        EXPECT_EQ(kind.p1, clicks[0].p1);
        EXPECT_EQ(0u, clicks[1].p1);
        Mouse(WM_LBUTTONDOWN, a, 5, MK_LBUTTON);
        EXPECT_EQ(kVisualPressed, a->GetVisualState());
        Mouse(WM_MOUSEMOVE, a, 100, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, a, 100);
        EXPECT_EQ(2u, clicks.size()) << "raised on button down or on release outside";
        EXPECT_EQ(kVisualHover, a->GetVisualState());

        clicks.clear();
        const uint32_t flags = a->GetFlags();
        Key(VK_SPACE);  // the focus came by the mouse
        EXPECT_TRUE(clicks.empty());
        EXPECT_EQ(flags, a->GetFlags());
        Redraw();
        Key(VK_TAB);
        int reason = 0;
        ASSERT_TRUE(b->HasFocus(&reason));
        EXPECT_EQ(kFocusByTab, reason);
        RECT dirty;  // b repaints to show its focus frame
        EXPECT_TRUE(GetUpdateRect(hwnd, &dirty, FALSE) && dirty.bottom >= b->GetRect().y + b->GetRect().height);
        Key(VK_SPACE);
        Key(VK_SPACE, 0x40000001);  // the held key repeating
        ASSERT_EQ(1u, clicks.size());
        EXPECT_EQ(b, clicks[0].sender);
        EXPECT_EQ(kind.p1, clicks[0].p1);
        clicks.clear();
    }
}

TEST_F(Buttons, FadesRetargetFromThePreviousTargetAndStopTheTimerWhenSettled) {
    CUIButton* button = Add<CUIButton>(1);
    ASSERT_NE(skin.GetColor(16), skin.GetColor(17));
    const std::pair<const CTween<ARGB>*, int> roles[] = {
        {&button->GetBackgroundTween(), 16}, {&button->GetBorderTween(), 12}, {&button->GetTextTween(), 0}};
    auto expectFade = [&](int from, int to, int frames) {
        for (const auto& role : roles) {
            EXPECT_EQ(skin.GetColor(role.second + from), role.first->GetFrom()) << role.second;
            EXPECT_EQ(skin.GetColor(role.second + to), role.first->GetTo()) << role.second;
            EXPECT_EQ(frames, role.first->GetFrames()) << role.second;
        }
    };
    auto settle = [&] { return Settle({roles[0].first, roles[1].first, roles[2].first}); };
    button->OnMouseEnter();
    button->OnMouseLeave();  // before any frame: from hover, not from the normal colour shown
    expectFade(kVisualHover, kVisualNormal, 5);
    ASSERT_TRUE(settle());
    EXPECT_FALSE(window.KillControlTimer(button, 1)) << "timer 1 kept running";

    button->OnMouseEnter();
    button->OnLButtonDown(0, 1, 1);
    expectFade(kVisualHover, kVisualPressed, 3);
    ASSERT_TRUE(settle());
    button->OnLButtonUp(0, 1, 1);
    expectFade(kVisualPressed, kVisualHover, 5);
}

TEST_F(Buttons, ButtonPaintsThePaletteColoursOfEachStateAtRest) {
    CUIButton* button = Add<CUIButton>(1);
    button->SetText(L"确定");
    const UIRect r = button->GetRect();
    const std::function<void()> enter[] = {[] {}, [=] { button->OnMouseEnter(); },
                                           [=] { button->OnLButtonDown(0, 1, 1); }, [=] { button->Enable(false); }};
    for (int s = kVisualNormal; s <= kVisualDisabled; ++s) {
        SCOPED_TRACE(s);
        enter[s]();
        ASSERT_EQ(s, button->GetVisualState());
        ASSERT_TRUE(Settle({&button->GetBackgroundTween()}));
        Redraw();
        const uint32_t fill = Over(16 + s);
        EXPECT_PRED2(Near, fill, Pixel(r.x + 3, r.y + 3));
        EXPECT_PRED2(Near, Over(12 + s, fill), Pixel(r.x + 3, r.y));
        EXPECT_PRED2(Near, Over(12 + s, fill), Pixel(r.x, r.y + r.height - 3));
    }
}

TEST_F(Buttons, CheckBoxFadesByCodeWithoutEventAndHidesTheMarkWhenUnchecked) {
    CUICheckBox* box = Add<CUICheckBox>(1);
    const UIRect r = box->GetRect();
    const int side = static_cast<int>(skin.GetCheckMark()->GetWidth());
    const int left = r.x + (static_cast<int>(13 * g_dpiFactor) - side) / 2, top = r.y + (r.height - side) / 2;
    for (bool checked : {true, false}) {
        SCOPED_TRACE(checked);
        box->SetFlags(box->GetFlags() ^ kCheckBoxChecked);
        EXPECT_EQ(checked, box->IsChecked());
        EXPECT_TRUE(box->GetMarkTween().IsRunning());
        ASSERT_TRUE(Settle({&box->GetMarkTween()}));
        Redraw();
        int marked = 0;  // pixels inside the frame that differ from the box fill
        for (int y = top + 1; y < top + side - 1; ++y) {
            for (int x = left + 1; x < left + side - 1; ++x) marked += !Near(Over(checked ? 64 : 68), Pixel(x, y));
        }
        EXPECT_EQ(checked, marked > 5) << marked;
    }
    EXPECT_TRUE(clicks.empty()) << "a change from code raised an event";
}

TEST_F(Buttons, WidthsFollowTheMeasuredText) {
    auto measure = [&](int format) {
        Gdiplus::RectF box;
        skin.GetMeasureGraphics()->MeasureString(L"abc", 3, skin.GetFont(1), Gdiplus::PointF(0, 0),
                                                 skin.GetStringFormat(format), &box);
        return static_cast<int>(std::ceil(box.Width));
    };
    ASSERT_GT(measure(1), 0);
    EXPECT_EQ(measure(1) + static_cast<int>(32 * g_dpiFactor), CalcButtonWidth(L"abc"));

    CUICheckBox* box = Add<CUICheckBox>(1, kTab | kControlAutoSize);
    box->SetText(L"abc");
    EXPECT_EQ(measure(2) + static_cast<int>(skin.GetCheckMark()->GetWidth()) + static_cast<int>(4 * g_dpiFactor),
              box->GetRect().width);
    CUIToggleButton* toggle = Add<CUIToggleButton>(2, kTab | kControlAutoSize);
    toggle->SetText(L"abc");
    EXPECT_EQ(CalcButtonWidth(L"abc"), toggle->GetRect().width);
}

TEST_F(Buttons, ToggleFadesByCodeWithoutEventAndReenablingRestoresNormalColours) {
    CUIToggleButton* toggle = Add<CUIToggleButton>(1);
    toggle->SetChecked(true);
    EXPECT_TRUE(toggle->IsChecked());
    EXPECT_EQ(skin.GetColor(88), toggle->GetFillTween().GetTo());
    EXPECT_EQ(3, toggle->GetFillTween().GetFrames());
    EXPECT_TRUE(clicks.empty());

    const UIRect r = toggle->GetRect();
    toggle->Enable(false);
    ASSERT_TRUE(Settle({&toggle->GetFillTween(), &toggle->GetBorderTween()}));
    EXPECT_EQ(skin.GetColor(88 + kVisualDisabled), toggle->GetFillTween().GetValue());
    toggle->Enable(true);
    ASSERT_TRUE(Settle({&toggle->GetFillTween(), &toggle->GetBorderTween()}));
    Redraw();
    EXPECT_EQ(skin.GetColor(80), toggle->GetBorderTween().GetValue());
    EXPECT_PRED2(Near, Over(88), Pixel(r.x + 3, r.y + 3));

    // After a theme change the fill glides to the new colour instead of
    // staying on the old one until the next hover.
    const double orange[3] = {30, 0.8, 0.5};
    skin.SetThemeColor(orange, true);
    ASSERT_TRUE(Settle({&toggle->GetFillTween()}));
    EXPECT_EQ(skin.GetColor(88), toggle->GetFillTween().GetValue());
}

}  // namespace
