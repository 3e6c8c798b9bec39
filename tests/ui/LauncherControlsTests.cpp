// The main window's own controls: the launch button's colours from the theme,
// the banner button's clicks, and the background picture's blurred strip and
// cross-fade.
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <cstdlib>

#include "UiTestSupport.h"
#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/DuiWindow.h"
#include "ui/UIBannerTextButton.h"
#include "ui/UIBluredBackgroundImage.h"
#include "ui/UILaunchButton.h"
#include "ui/UILaunchButtonControl.h"

namespace {

using namespace trelm::ui;
using wendaldui::ARGB;
using wendaldui::UIRect;

constexpr uint32_t kShown = wendaldui::kControlVisible | wendaldui::kControlRectInPixels;

TEST(LaunchButtonColors, FillsFollowTheThemeBrighterOnHoverAndPressGreyWhenDisabled) {
    const struct {
        double hsl[3];
        ARGB background[4];
    } cases[] = {
        // Red at full value cannot get brighter; its grey is (255 + 0 + 0) / 3.
        {{0, 1, 0.5}, {0xA5FF0000, 0xA5FF0000, 0xA5FF0000, 0xA5555555}},
        // A dark green: value 0.5 becomes 0.65 on hover and 0.6 when pressed.
        {{120, 1, 0.25}, {0xA5008000, 0xA500A600, 0xA5009900, 0xA52B2B2B}},
    };
    for (const auto& c : cases) {
        ARGB background[4], text[4];
        BuildLaunchButtonColors(wendaldui::MakeThemeColor(c.hsl), background, text);
        for (int s = 0; s < 4; ++s) EXPECT_EQ(c.background[s], background[s]) << c.hsl[0] << " state " << s;
        const ARGB texts[4] = {0xF2FFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xF2FFFFFF};
        for (int s = 0; s < 4; ++s) EXPECT_EQ(texts[s], text[s]);
    }
}

class LauncherControls : public testing::Test {
protected:
    LauncherControls() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {
        ui_testing::MoveMouseTo(5, 5);  // no control starts hovered
        root = new wendaldui::CUIContainer2;
        root->SetBackgroundColor(0xFF000000);
        window.SetRoot(root);
        hwnd = ui_testing::CreateTestWindow(window, 60, 60, 400, 300);
    }
    ~LauncherControls() override { DestroyWindow(hwnd); }

    struct Clicks {
        void On(wendaldui::EventData& e) {
            ++count;
            sender = e.sender;
        }
        int count = 0;
        wendaldui::CUIControl* sender = nullptr;
    };

    wendaldui::CDuiSkinManager skin;
    wendaldui::CDuiWindow window;
    wendaldui::CUIContainer2* root;
    HWND hwnd;
};

TEST_F(LauncherControls, LaunchButtonClicksAsItselfAndTakesANewThemeAtOnce) {
    CUILaunchButton* button = new CUILaunchButton;
    ASSERT_TRUE(button->Create(root, kShown, UIRect(20, 20, 200, 60), 1));
    internal::CUILaunchButtonControl* face = button->GetControl();
    ASSERT_NE(nullptr, face);
    Clicks clicks;
    button->BindEvent(wendaldui::kEventClick, &clicks, &Clicks::On);
    face->OnLButtonDown(0, 5, 5);
    face->OnLButtonUp(0, 5, 5);
    EXPECT_EQ(1, clicks.count);
    EXPECT_EQ(button, clicks.sender);

    face->OnMouseLeave();
    ASSERT_TRUE(ui_testing::PumpUntil([&] { return !face->GetBackgroundTween().IsRunning(); }, 10000));
    const double orange[3] = {30, 0.8, 0.5};
    skin.SetThemeColor(orange, true);
    ARGB expected[4], text[4];
    BuildLaunchButtonColors(skin.GetTheme(), expected, text);
    EXPECT_FALSE(face->GetBackgroundTween().IsRunning());  // no fade
    EXPECT_EQ(expected[0], face->GetBackgroundTween().GetValue());
}

TEST_F(LauncherControls, BannerButtonClicksOnlyWhenReleasedInside) {
    CUIBannerTextButton* banner = new CUIBannerTextButton;
    ASSERT_TRUE(banner->Create(root, kShown | wendaldui::kControlAutoSize, UIRect(20, 100, 10, 10), 2));
    banner->SetText(L"1.7.10 | 离线模式 | Steve");
    EXPECT_GT(banner->GetRect().width, 10);  // sized to its text
    Clicks clicks;
    banner->BindEvent(wendaldui::kEventClick, &clicks, &Clicks::On);
    banner->OnMouseEnter();
    banner->OnLButtonDown(0, 2, 2);
    EXPECT_EQ(2, banner->GetVisualState());
    banner->OnLButtonUp(0, -5, 2);
    EXPECT_EQ(0, clicks.count);
    EXPECT_EQ(1, banner->GetVisualState());
    banner->OnLButtonDown(0, 2, 2);
    banner->OnLButtonUp(0, 2, 2);
    EXPECT_EQ(1, clicks.count);
}

// Counts how many of its kind are still alive.
class CountedBitmap : public Gdiplus::Bitmap {
public:
    CountedBitmap(int width, int height) : Gdiplus::Bitmap(width, height, PixelFormat32bppPARGB) { ++alive; }
    ~CountedBitmap() override { --alive; }
    static int alive;
};
int CountedBitmap::alive = 0;

Gdiplus::Bitmap* Noise(int width, int height) {
    CountedBitmap* picture = new CountedBitmap(width, height);
    srand(7);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const BYTE v = static_cast<BYTE>(rand() % 2 ? 230 : 20);
            picture->SetPixel(x, y, Gdiplus::Color(255, v, v, v));
        }
    }
    return picture;
}

double Variance(const wendaldui::CDuiWindow& window, const UIRect& area) {
    double sum = 0, squares = 0;
    const int n = area.width * area.height;
    for (int y = area.y; y < area.y + area.height; ++y) {
        for (int x = area.x; x < area.x + area.width; ++x) {
            const double v = ui_testing::SurfacePixel(window, x, y) & 0xFF;
            sum += v;
            squares += v * v;
        }
    }
    return squares / n - (sum / n) * (sum / n);
}

TEST_F(LauncherControls, BlurredStripIsSmootherAndOnlyTwoPicturesLive) {
    CUIBluredBackgroundImage* background = new CUIBluredBackgroundImage;
    ASSERT_TRUE(background->Create(root, kShown, UIRect(0, 0, 400, 300), 3));
    const UIRect strip(0, 200, 400, 100);
    Gdiplus::Bitmap* picture = Noise(400, 300);
    background->SetImage(picture, strip, 10, 0);
    EXPECT_EQ(nullptr, picture);  // taken
    ASSERT_NE(nullptr, background->GetBlurred());
    ui_testing::PumpUntil([&] { return !background->IsFading(); }, 10000);
    RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    const UIRect below(50, 230, 100, 40), above(50, 60, 100, 40);
    // No blur area yet: the sharp picture everywhere.
    EXPECT_GT(Variance(window, below), 5000.0);
    background->SetBlurArea(strip);
    RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_LT(Variance(window, below) * 10, Variance(window, above));

    // A second and a third picture while the first fades: the oldest goes at once.
    Gdiplus::Bitmap* second = Noise(400, 300);
    background->SetImage(second, strip, 12, 165);
    EXPECT_EQ(2, CountedBitmap::alive);
    Gdiplus::Bitmap* third = Noise(400, 300);
    background->SetImage(third, strip, 12, 165);
    EXPECT_EQ(2, CountedBitmap::alive);
    ui_testing::PumpUntil([&] { return !background->IsFading(); }, 10000);
    EXPECT_EQ(1, CountedBitmap::alive);
    background->Destroy();
    EXPECT_EQ(0, CountedBitmap::alive);
}

}  // namespace
