// The framework's smoke test: a real dialog with a title bar, shadows, a
// button, a checked check box, a progress bar and a Chinese label, read from
// the off-screen surface and the screen (saved as PNG artefacts), driven with
// real mouse input, repainted by a theme change and closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "UiTestSupport.h"
#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UICheckBox.h"
#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UISimpleProgressBar.h"
#include "WendalDui/Control/UITitleBar.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDialog.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ShadowWindow.h"
#include "WendalDui/Core/SkinPaint.h"

namespace {

using namespace wendaldui;
using ui_testing::ClickAt;
using ui_testing::MoveMouseTo;
using ui_testing::Near2;
using ui_testing::PumpFor;
using ui_testing::PumpUntil;
using ui_testing::SaveScreenshot;
using ui_testing::ScreenPixel;

constexpr uint32_t kBackground = 0xFF336699;
constexpr uint32_t kWindowWhite = 0xFFFFFFFF;
constexpr int kLeft = 100, kTop = 100, kWidth = 400, kHeight = 300;

struct Clicks {
    void OnClick(EventData& e) {
        ++count;
        last = e.p1;
    }
    int count = 0;
    uint32_t last = 0xFFFFFFFF;
};

TEST(DialogSmoke, ThemeTitleBarControlsInputAndCloseOnARealDialog) {
    CDuiSkinManager skin(L"微软雅黑", 210, 0.5, 0.4, 0);
    MoveMouseTo(5, 5);  // nothing hovered at first
    CUIContainer2* client = new CUIContainer2;
    client->SetBackgroundColor(kBackground);
    CDuiDialog dialog(client);
    HWND hwnd = CreateWindowExW(0, kDuiWindowClassName, L"冒烟测试", WS_POPUP | WS_THICKFRAME | WS_MINIMIZEBOX |
                                WS_MAXIMIZEBOX, 0, 0, 100, 100, NULL, NULL, GetModuleHandleW(NULL), &dialog);
    ASSERT_NE(nullptr, hwnd);
    SetWindowPos(hwnd, NULL, kLeft, kTop, kWidth, kHeight, SWP_NOZORDER);
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    ASSERT_EQ(client, dialog.GetClientContainer());

    const uint32_t shown = kControlVisible | kControlTabStop;
    CUIButton* button = new CUIButton;
    ASSERT_TRUE(button->Create(client, shown, UIRect(20, 20, 100, 30), 1));
    button->SetText(L"确定");
    CUICheckBox* check = new CUICheckBox;
    ASSERT_TRUE(check->Create(client, shown | kCheckBoxChecked, UIRect(20, 60, 120, 24), 2));
    check->SetText(L"记住密码");
    CUISimpleProgressBar* bar = new CUISimpleProgressBar;
    ASSERT_TRUE(bar->Create(client, kControlVisible, UIRect(20, 100, 200, 10), 3));
    bar->SetValue(0.5f);
    CUILabel* label = new CUILabel;
    ASSERT_TRUE(label->Create(client, kControlVisible, UIRect(20, 120, 240, 30), 4));
    label->SetText(L"启动游戏 Minecraft 我的世界");
    Clicks buttonClicks, checkClicks;
    button->BindEvent(kEventClick, &buttonClicks, &Clicks::OnClick);
    check->BindEvent(kEventClick, &checkClicks, &Clicks::OnClick);
    // The fades and the bar's growth end on their timers alone.
    auto settled = [&] {
        for (const CTween<ARGB>* t : {&button->GetBackgroundTween(), &button->GetBorderTween(), &button->GetTextTween(),
                                      &check->GetBorderTween(), &check->GetFillTween(), &check->GetMarkTween()}) {
            if (t->IsRunning()) return false;
        }
        return !bar->GetValueTween().IsRunning();
    };
    ASSERT_TRUE(PumpUntil(settled, 10000));
    UpdateWindow(hwnd);  // the last frame's paint

    auto pixel = [&](int x, int y) { return ui_testing::SurfacePixel(dialog, x, y); };
    // Controls sit inside the client, below the title.
    auto inWindow = [&](CUIControl* c) { return c->GetWindowRect(); };
    const int title = static_cast<int>(28 * g_dpiFactor);
    CUITitleBar* titleBar = dialog.GetTitleBar();
    ASSERT_NE(nullptr, titleBar);
    auto titleColour = [&] {
        return AlphaComposite(skin.GetColor((titleBar->GetFlags() & kTitleBarActive) ? 92 : 93), kWindowWhite);
    };

    EXPECT_EQ(kBackground & 0xFFFFFF, pixel(kWidth - 10, kHeight - 10));
    EXPECT_PRED2(Near2, titleColour(), pixel(10, 3));
    SendMessageW(hwnd, WM_NCACTIVATE, FALSE, 0);
    PumpFor(30);
    EXPECT_PRED2(Near2, AlphaComposite(skin.GetColor(93), kWindowWhite), pixel(10, 3));
    SendMessageW(hwnd, WM_NCACTIVATE, TRUE, 0);
    PumpFor(30);
    EXPECT_PRED2(Near2, AlphaComposite(skin.GetColor(92), kWindowWhite), pixel(10, 3));
    // 28 logical pixels of title: y = 35 is title at 144 DPI, client at 96.
    EXPECT_PRED2(Near2, g_screenDpi >= 144 ? titleColour() : kBackground, pixel(kWidth - 10, 35));

    const UIRect b = inWindow(bar);
    EXPECT_PRED2(Near2, AlphaComposite(0xCC0FBC17, AlphaComposite(0xCCE6E6E6, kBackground)),
                 pixel(b.x + b.width / 4, b.y + b.height / 2));
    EXPECT_PRED2(Near2, AlphaComposite(0xCCE6E6E6, kBackground), pixel(b.x + 3 * b.width / 4, b.y + b.height / 2));

    const UIRect btn = inWindow(button);
    const uint32_t restFill = AlphaComposite(skin.GetColor(16), kBackground);
    EXPECT_PRED2(Near2, restFill, pixel(btn.x + 3, btn.y + 3));
    EXPECT_PRED2(Near2, AlphaComposite(skin.GetColor(12), restFill), pixel(btn.x, btn.y + btn.height / 2));

    const UIRect text = inWindow(label);
    int ink = 0;
    for (int y = text.y; y < text.y + text.height; ++y) {
        for (int x = text.x; x < text.x + text.width; ++x) ink += !Near2(kBackground, pixel(x, y));
    }
    EXPECT_GT(ink, 60) << "the label drew no text: the font did not resolve";
    const UIRect close = titleBar->GetChild(kTitleBarCloseId)->GetWindowRect();
    EXPECT_EQ(kWidth, close.x + close.width);
    EXPECT_EQ(title, close.height);
    int glyph = 0;
    for (int y = close.y; y < close.y + close.height; ++y) {
        for (int x = close.x; x < close.x + close.width; ++x) glyph += !Near2(titleColour(), pixel(x, y));
    }
    EXPECT_GT(glyph, 4) << "the close button has no cross";

    // The four shadow sides are owned, visible and placed around the dialog.
    RECT window;
    GetWindowRect(hwnd, &window);
    PumpUntil([&] { return IsWindowVisible(dialog.GetShadowWindow(3)->GetHWND()) != FALSE; }, 10000);
    for (int side = 0; side < 4; ++side) {
        HWND shadow = dialog.GetShadowWindow(side)->GetHWND();
        EXPECT_EQ(hwnd, GetWindow(shadow, GW_OWNER));
        EXPECT_TRUE(IsWindowVisible(shadow));
        RECT r;
        GetWindowRect(shadow, &r);
        EXPECT_TRUE(UIRect(r.left, r.top, r.right - r.left, r.bottom - r.top) ==
                    internal::CShadowWindow::Geometry(side, window, skin.GetShadow(kShadowLarge).radius / 2));
    }
    const std::wstring dpi = std::to_wstring(g_screenDpi);
    const RECT shot = {kLeft - 20, kTop - 20, kLeft + kWidth + 20, kTop + kHeight + 20};
    SaveScreenshot(shot, (L"dialog-smoke-" + dpi + L"-rest.png").c_str());
    // Wine copies the window to the X screen a moment later.
    PumpUntil([&] { return Near2(restFill, ScreenPixel(kLeft + btn.x + 3, kTop + btn.y + 3)); }, 10000);
    EXPECT_PRED2(Near2, restFill, ScreenPixel(kLeft + btn.x + 3, kTop + btn.y + 3));

    // Hover by a real mouse move, then one click gives exactly one event.
    MoveMouseTo(kLeft + btn.x + btn.width / 2, kTop + btn.y + btn.height / 2);
    EXPECT_TRUE(PumpUntil([&] { return button->GetVisualState() == kVisualHover && settled(); }, 10000));
    UpdateWindow(hwnd);
    EXPECT_PRED2(Near2, AlphaComposite(skin.GetColor(17), kBackground), pixel(btn.x + 3, btn.y + 3));
    SaveScreenshot(shot, (L"dialog-smoke-" + dpi + L"-hover.png").c_str());
    ClickAt(kLeft + btn.x + btn.width / 2, kTop + btn.y + btn.height / 2);
    PumpFor(50);
    EXPECT_EQ(1, buttonClicks.count);

    const UIRect box = inWindow(check);
    ClickAt(kLeft + box.x + 5, kTop + box.y + box.height / 2);
    PumpFor(50);
    EXPECT_EQ(0u, check->GetFlags() & kCheckBoxChecked);
    EXPECT_EQ(1, checkClicks.count);
    EXPECT_EQ(0u, checkClicks.last);

    // A theme change reaches the title bar.
    const double orange[3] = {30, 0.8, 0.5};
    const uint32_t before = pixel(10, 3);
    skin.SetThemeColor(orange, true);
    PumpFor(100);
    EXPECT_PRED2(Near2, titleColour(), pixel(10, 3));
    EXPECT_FALSE(Near2(before, pixel(10, 3)));
    SaveScreenshot(shot, (L"dialog-smoke-" + dpi + L"-theme.png").c_str());

    HWND side = dialog.GetShadowWindow(0)->GetHWND();
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }, 10000));
    EXPECT_FALSE(IsWindow(side));
}

}  // namespace
