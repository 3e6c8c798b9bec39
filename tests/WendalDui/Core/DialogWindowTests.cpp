// Dialog windows: the resizing hit test, the shadow side windows, the
// maximised geometry and the title-bar buttons, in real windows; the
// layered window's surface pushed with its alpha.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "UiTestSupport.h"
#include "WendalDui/Control/UIContainerShadow.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UITitleBar.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDialog.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiLayeredShadowedWindow.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ShadowWindow.h"
#include "WendalDui/Core/SkinPaint.h"
#include "WendalDui/Core/UIDialogContainer.h"

namespace {

using namespace wendaldui;
using ui_testing::PumpFor;
using ui_testing::PumpUntil;

constexpr DWORD kResizable = WS_POPUP | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

HWND CreateDialogWindow(CDuiDialog& dialog, DWORD style, const RECT& place) {
    HWND hwnd = CreateWindowExW(0, kDuiWindowClassName, L"对话框", style, 0, 0, 100, 100, NULL, NULL,
                                GetModuleHandleW(NULL), &dialog);
    if (!hwnd) return NULL;
    SetWindowPos(hwnd, NULL, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd, SW_SHOW);
    PumpFor(50);
    return hwnd;
}

LRESULT HitAt(HWND hwnd, int x, int y) { return SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(x, y)); }

TEST(DialogGeometry, BorderCodesCornersFirstAndOnlyInsideTheBorder) {
    const RECT w = {100, 100, 500, 400};
    const struct {
        int x, y;
        int code;
    } cases[] = {
        {100, 399, HTBOTTOMLEFT}, {499, 399, HTBOTTOMRIGHT}, {100, 100, HTTOPLEFT}, {499, 100, HTTOPRIGHT},
        {103, 103, HTTOPLEFT},  // a corner square beats both of its edges
        {100, 250, HTLEFT},       {499, 250, HTRIGHT},         {250, 399, HTBOTTOM}, {250, 100, HTTOP},
        {104, 250, 0},            {250, 104, 0},               {500, 250, 0},        {250, 400, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.code, CDuiDialog::BorderHitTest(w, POINT{c.x, c.y}, 4)) << c.x << "," << c.y;
    }
}

TEST(DialogGeometry, ShadowStripsContainerLayoutAndTitleBarButtons) {
    const RECT owner = {100, 100, 500, 400};
    const UIRect expected[] = {{85, 85, 430, 15}, {500, 100, 15, 300}, {85, 400, 430, 15}, {85, 100, 15, 300}};
    for (int side = 0; side < 4; ++side) {
        const UIRect got = internal::CShadowWindow::Geometry(side, owner, 15);
        EXPECT_TRUE(got == expected[side]) << side << ": " << got.x << "," << got.y << " " << got.width << "x"
                                           << got.height;
    }
    UIRect title, client;
    internal::CUIDialogContainer::Layout(400, 300, title, client);
    const int t = static_cast<int>(28 * g_dpiFactor);
    EXPECT_TRUE(title == UIRect(0, 0, 400, t));
    EXPECT_TRUE(client == UIRect(0, t, 400, 300 - t));

    const struct {
        LONG style;
        uint32_t flags;
    } bars[] = {
        {WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 0x70056},
        {WS_MINIMIZEBOX, 0x170056},  // a disabled maximise button beside minimise
        {0, 0x1C0056},               // close only
    };
    for (const auto& bar : bars) EXPECT_EQ(bar.flags, internal::CUIDialogContainer::TitleBarFlags(bar.style));
}

class DialogWindows : public testing::Test {
protected:
    DialogWindows() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {}
    CDuiSkinManager skin;
};

TEST_F(DialogWindows, ShadowSidesAreOwnedFollowMovesAndRedrawOnlyOnResize) {
    CDuiDialog dialog;
    const RECT place = {100, 100, 500, 400};
    HWND hwnd = CreateDialogWindow(dialog, kResizable, place);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(0, GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION);
    const int h = skin.GetShadow(kShadowLarge).radius / 2;
    ASSERT_GT(h, 0);

    auto expectPlaced = [&](const RECT& owner) {
        for (int side = 0; side < 4; ++side) {
            internal::CShadowWindow* shadow = dialog.GetShadowWindow(side);
            ASSERT_NE(nullptr, shadow);
            HWND sw = shadow->GetHWND();
            EXPECT_EQ(hwnd, GetWindow(sw, GW_OWNER));
            EXPECT_TRUE(IsWindowVisible(sw)) << side;
            const LONG ex = GetWindowLongW(sw, GWL_EXSTYLE);
            EXPECT_EQ(0x080800A0, ex & 0x080800A0) << side;
            RECT r;
            GetWindowRect(sw, &r);
            const UIRect want = internal::CShadowWindow::Geometry(side, owner, h);
            EXPECT_TRUE(UIRect(r.left, r.top, r.right - r.left, r.bottom - r.top) == want) << "side " << side;
        }
    };
    // Made after the first frame.
    PumpUntil([&] { return dialog.GetShadowWindow(3) && IsWindowVisible(dialog.GetShadowWindow(3)->GetHWND()); },
              10000);
    expectPlaced(place);

    HBITMAP before[4];
    for (int side = 0; side < 4; ++side) before[side] = dialog.GetShadowWindow(side)->GetSurface().GetBitmap();
    // A move only repositions the strips.
    SetWindowPos(hwnd, NULL, 130, 120, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    expectPlaced(RECT{130, 120, 530, 420});
    for (int side = 0; side < 4; ++side) {
        EXPECT_EQ(before[side], dialog.GetShadowWindow(side)->GetSurface().GetBitmap());
    }
    // One pixel wider: the top and bottom strips are drawn anew, the sides are not.
    SetWindowPos(hwnd, NULL, 130, 120, 401, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    expectPlaced(RECT{130, 120, 531, 420});
    EXPECT_NE(before[kShadowTop], dialog.GetShadowWindow(kShadowTop)->GetSurface().GetBitmap());
    EXPECT_NE(before[kShadowBottom], dialog.GetShadowWindow(kShadowBottom)->GetSurface().GetBitmap());
    EXPECT_EQ(before[kShadowLeft], dialog.GetShadowWindow(kShadowLeft)->GetSurface().GetBitmap());
    EXPECT_EQ(before[kShadowRight], dialog.GetShadowWindow(kShadowRight)->GetSurface().GetBitmap());
    // The strip is the shadow: some of its pixels are partly transparent.
    const COffscreenDC& top = dialog.GetShadowWindow(kShadowTop)->GetSurface();
    int soft = 0;
    for (int i = 0; i < top.GetWidth() * top.GetHeight(); ++i) {
        const uint32_t alpha = top.GetBits()[i] >> 24;
        if (alpha > 0 && alpha < 255) ++soft;
    }
    EXPECT_GT(soft, 0);

    // Alt+F4 on a shadow window (WM_CLOSE) does nothing.
    HWND side = dialog.GetShadowWindow(kShadowRight)->GetHWND();
    SendMessageW(side, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(side));

    ShowWindow(hwnd, SW_HIDE);
    PumpUntil([&] { return !IsWindowVisible(side); }, 10000);
    EXPECT_FALSE(IsWindowVisible(side));

    DestroyWindow(hwnd);
    EXPECT_FALSE(IsWindow(side));
    EXPECT_EQ(nullptr, dialog.GetShadowWindow(0));
}

TEST_F(DialogWindows, HitTestBordersCaptionAndClient) {
    CDuiDialog resizable, fixed;
    HWND r = CreateDialogWindow(resizable, kResizable, RECT{100, 100, 500, 400});
    HWND f = CreateDialogWindow(fixed, WS_POPUP | WS_MINIMIZEBOX, RECT{100, 420, 500, 720});
    ASSERT_TRUE(r && f);
    const int b = static_cast<int>(4 * g_dpiFactor);
    const int title = static_cast<int>(28 * g_dpiFactor);
    EXPECT_EQ(HTTOPLEFT, HitAt(r, 100, 100));
    EXPECT_EQ(HTLEFT, HitAt(r, 100 + b - 1, 250));
    EXPECT_EQ(HTBOTTOMRIGHT, HitAt(r, 499, 399));
    EXPECT_EQ(HTCAPTION, HitAt(r, 200, 100 + title / 2));  // the title label drags
    EXPECT_EQ(HTCLIENT, HitAt(r, 200, 250));
    // The close button sits square at the right end of the title bar.
    EXPECT_EQ(HTCLIENT, HitAt(r, 500 - b - 2, 100 + title / 2));

    // Without WS_THICKFRAME there are no border codes; the title still drags.
    EXPECT_FALSE(fixed.IsResizable());
    EXPECT_EQ(HTCAPTION, HitAt(f, 100, 420));
    EXPECT_EQ(HTCLIENT, HitAt(f, 100, 600));
    DestroyWindow(r);
    DestroyWindow(f);
}

TEST(DialogGeometry, MaximizedDialogLeavesATopOrLeftTaskbarUncovered) {
    const RECT monitor = {0, 0, 1024, 768};
    const struct {
        RECT work;
        POINT position;
        POINT size;
    } cases[] = {
        {{0, 0, 1024, 728}, {0, 0}, {1024, 727}},    // taskbar at the bottom
        {{0, 40, 1024, 768}, {0, 40}, {1024, 727}},  // at the top: not (0, 0)
        {{60, 0, 1024, 768}, {60, 0}, {964, 767}},   // at the left
    };
    for (const auto& c : cases) {
        MINMAXINFO info = {};
        CDuiDialog::PlaceMaximized(monitor, c.work, info);
        EXPECT_EQ(c.position.x, info.ptMaxPosition.x);
        EXPECT_EQ(c.position.y, info.ptMaxPosition.y);
        EXPECT_EQ(c.size.x, info.ptMaxSize.x);
        EXPECT_EQ(c.size.y, info.ptMaxSize.y);
    }
}

TEST_F(DialogWindows, MinMaxInfoFromTheMonitorAndTheTrackSizes) {
    CDuiDialog dialog;
    HWND hwnd = CreateDialogWindow(dialog, kResizable, RECT{100, 100, 500, 400});
    ASSERT_NE(nullptr, hwnd);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
    MINMAXINFO info = {};
    EXPECT_EQ(0, SendMessageW(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info)));
    const RECT& w = monitor.rcWork;
    EXPECT_EQ(w.right - w.left, info.ptMaxSize.x);
    EXPECT_EQ(w.bottom - w.top - 1, info.ptMaxSize.y);
    EXPECT_EQ(static_cast<int>(200 * g_dpiFactor), info.ptMinTrackSize.x);
    EXPECT_EQ(static_cast<int>(100 * g_dpiFactor), info.ptMinTrackSize.y);
    EXPECT_EQ(0x7FFFFFFF, info.ptMaxTrackSize.x);
    DestroyWindow(hwnd);
}

TEST_F(DialogWindows, TitleBarFollowsTextActivationAndButtons) {
    CDuiDialog dialog;
    HWND hwnd = CreateDialogWindow(dialog, kResizable, RECT{100, 100, 500, 400});
    ASSERT_NE(nullptr, hwnd);
    CUITitleBar* bar = dialog.GetTitleBar();
    ASSERT_NE(nullptr, bar);
    ASSERT_NE(nullptr, dialog.GetClientContainer());
    EXPECT_EQ(bar->GetParent(), dialog.GetClientContainer()->GetParent());
    ASSERT_NE(nullptr, bar->GetTitleLabel());
    EXPECT_TRUE(bar->GetTitleLabel()->GetText() == L"对话框");
    SetWindowTextW(hwnd, L"新标题");
    EXPECT_TRUE(bar->GetTitleLabel()->GetText() == L"新标题");

    SendMessageW(hwnd, WM_NCACTIVATE, TRUE, 0);
    EXPECT_TRUE(bar->GetFlags() & kTitleBarActive);
    SendMessageW(hwnd, WM_NCACTIVATE, FALSE, 0);
    EXPECT_FALSE(bar->GetFlags() & kTitleBarActive);

    // Maximise covers the work area but its last row; the same button restores.
    bar->GetChild(kTitleBarMaximizeId)->FireEvent(kEventClick);
    PumpFor(50);
    EXPECT_TRUE(IsZoomed(hwnd));
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(monitor.rcWork.left, r.left);
    EXPECT_EQ(monitor.rcWork.top, r.top);
    EXPECT_EQ(monitor.rcWork.right, r.right);
    EXPECT_EQ(monitor.rcWork.bottom - 1, r.bottom);
    bar->GetChild(kTitleBarMaximizeId)->FireEvent(kEventClick);
    PumpFor(50);
    EXPECT_FALSE(IsZoomed(hwnd));
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(400, r.right - r.left);

    // Close posts WM_CLOSE: the window and its shadows go.
    HWND side = dialog.GetShadowWindow(0)->GetHWND();
    bar->GetChild(kTitleBarCloseId)->FireEvent(kEventClick);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }, 10000));
    EXPECT_FALSE(IsWindow(side));
}

bool g_composition = false;
bool FakeComposition() { return g_composition; }

TEST(DialogSystemFrame, CaptionStyleAndNoShadowWindowsWhetherCompositionIsOnOrOff) {
    CDuiSkinManager skin(L"微软雅黑", 210, 0.5, 0.4, kSkinStyleDwmFrame);
    const CompositionQuery old = SetCompositionQuery(&FakeComposition);
    for (bool on : {true, false}) {
        g_composition = on;
        CDuiDialog dialog;
        HWND hwnd = CreateDialogWindow(dialog, kResizable, RECT{100, 100, 500, 400});
        ASSERT_NE(nullptr, hwnd);
        EXPECT_EQ(static_cast<LONG>(WS_CAPTION), GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION) << on;
        for (int side = 0; side < 4; ++side) EXPECT_EQ(nullptr, dialog.GetShadowWindow(side)) << on;
        DestroyWindow(hwnd);
    }
    SetCompositionQuery(old);
}

TEST_F(DialogWindows, LayeredShadowedWindowPushesItsSurfaceWithAlpha) {
    CUIContainer* content = new CUIContainer;
    CDuiLayeredShadowedWindow window(content);
    window.SetBackgroundColor(0);
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, kDuiWindowClassName, L"", WS_POPUP, 200, 200, 120, 80, NULL, NULL,
                                GetModuleHandleW(NULL), &window);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    CUIContainerShadow* root = static_cast<CUIContainerShadow*>(window.GetRoot());
    EXPECT_TRUE(root->GetFlags() & kShadowCopyPixels);
    EXPECT_EQ(content, root->GetContent());
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    PumpFor(30);
    // The shadow's outer edge is transparent, so the surface carries real alpha.
    const COffscreenDC& surface = window.GetOffscreenDC();
    ASSERT_NE(nullptr, surface.GetBits());
    EXPECT_LT(surface.GetBits()[0] >> 24, 0x40u);
    window.SetOpacity(128);
    EXPECT_EQ(128, window.GetOpacity());
    DestroyWindow(hwnd);
}

}  // namespace
