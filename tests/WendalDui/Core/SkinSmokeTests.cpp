// The first smoke test: a real window with a theme, a container holding a
// few filled children and a text, read back from the screen and from the
// window's off-screen surface, before and after a theme change. The screen
// is saved as a PNG under the build folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ImageProcessing.h"
#include "WendalDui/Core/SkinPaint.h"
#include "WendalDui/Core/TextGlow.h"
#include "resources/resource.h"

namespace {

using namespace wendaldui;
using ui_testing::Near;
using ui_testing::PumpFor;
using ui_testing::SaveScreenshot;
using ui_testing::ScreenPixel;

constexpr uint32_t kBackground = 0xFF336699;
constexpr uint32_t kShown = kControlVisible;

CDuiSkinManager& Skin() { return *CDuiSkinManager::GetInstance(); }

// Fills its rect with one palette entry, read at paint time.
class Swatch : public CUIControl {
public:
    explicit Swatch(int entry) : m_entry(entry) {}
    void OnPaint(PaintContext& context) override {
        Gdiplus::SolidBrush brush{Gdiplus::Color(Skin().GetColor(m_entry))};
        context.graphics->FillRectangle(&brush, context.rect.x, context.rect.y, context.rect.width,
                                        context.rect.height);
    }
    void OnSkinChanged(uint32_t bits) override { skinChanges.push_back(bits); }
    int Entry() const { return m_entry; }
    std::vector<uint32_t> skinChanges;

private:
    int m_entry;
};

class Caption : public CUIControl {
public:
    void OnPaint(PaintContext& context) override {
        const UIRect& r = context.rect;
        DrawTextInRect(context.graphics, L"启动游戏 Minecraft", -1, Skin().GetFont(1),
                       Gdiplus::RectF(static_cast<float>(r.x), static_cast<float>(r.y), static_cast<float>(r.width),
                                      static_cast<float>(r.height)),
                       Skin().GetColor(57), Skin().GetStringFormat(1));
    }
};

class CheckMark : public CUIControl {
public:
    void OnPaint(PaintContext& context) override {
        DrawImageTinted(context.graphics, Skin().GetCheckMark(), context.rect, 0xFFFF0000);
    }
};

TEST(SkinSmoke, ThemeColoursTextAndRepaintReachTheScreen) {
    CDuiSkinManager skin(L"微软雅黑", 210, 0.5, 0.4, 0);
    ASSERT_NE(nullptr, skin.GetFont(1));
    ASSERT_EQ(Gdiplus::Ok, skin.GetFont(1)->GetLastStatus()) << "the UI font did not resolve";

    CDuiWindow window;
    CUIContainer2* root = new CUIContainer2;
    root->SetBackgroundColor(kBackground);
    window.SetRoot(root);
    const int left = 40, top = 30;
    HWND hwnd = ui_testing::CreateTestWindow(window, left, top, 600, 300);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_TRUE(skin.IsRegistered(&window));

    std::vector<Swatch*> swatches;
    for (int entry : {16, 59, 56}) {
        Swatch* swatch = new Swatch(entry);
        const int index = static_cast<int>(swatches.size());
        ASSERT_TRUE(swatch->Create(root, kShown, UIRect(20 + 80 * index, 20, 60, 40), index + 1));
        swatches.push_back(swatch);
    }
    Caption* caption = new Caption;
    ASSERT_TRUE(caption->Create(root, kShown, UIRect(20, 80, 240, 40), 10));
    CheckMark* check = new CheckMark;
    ASSERT_TRUE(check->Create(root, kShown, UIRect(280, 20, 13, 13), 11));
    RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpFor(100);

    const COffscreenDC& surface = window.GetOffscreenDC();
    ASSERT_NE(nullptr, surface.GetBits());
    auto surfacePixel = [&](int x, int y) { return surface.GetBits()[y * surface.GetWidth() + x] & 0xFFFFFF; };
    auto expectColours = [&](const char* when) {
        SCOPED_TRACE(when);
        // Wine copies the window to the X screen a moment later.
        ui_testing::PumpUntilOnScreen(window);
        const int bx = static_cast<int>(10 * g_dpiFactor), by = static_cast<int>(150 * g_dpiFactor);
        EXPECT_EQ(kBackground & 0xFFFFFF, surfacePixel(bx, by));
        EXPECT_EQ(kBackground & 0xFFFFFF, ScreenPixel(left + bx, top + by));
        for (Swatch* swatch : swatches) {
            const UIRect& r = swatch->GetRect();
            const int x = r.x + r.width / 2, y = r.y + r.height / 2;
            const uint32_t expected = AlphaComposite(skin.GetColor(swatch->Entry()), kBackground) & 0xFFFFFF;
            EXPECT_PRED2(Near, expected, surfacePixel(x, y)) << "entry " << swatch->Entry();
            EXPECT_PRED2(Near, expected, ScreenPixel(left + x, top + y)) << "entry " << swatch->Entry();
        }
    };
    expectColours("first paint");

    // Text was inked, so the font face resolved.
    const UIRect& text = caption->GetRect();
    int ink = 0;
    for (int y = text.y; y < text.y + text.height; ++y) {
        for (int x = text.x; x < text.x + text.width; ++x) {
            if (!Near(kBackground & 0xFFFFFF, ScreenPixel(left + x, top + y))) ++ink;
        }
    }
    EXPECT_GT(ink, 40);
    // The check mark (a resource in the executable) drawn in red.
    int red = 0;
    const UIRect& mark = check->GetRect();
    for (int y = mark.y; y < mark.y + mark.height; ++y) {
        for (int x = mark.x; x < mark.x + mark.width; ++x) {
            const uint32_t pixel = surfacePixel(x, y);
            if ((pixel >> 16) > 0xC0 && ((pixel >> 8) & 0xFF) < 0x80) ++red;
        }
    }
    EXPECT_GT(red, 5);
    const std::wstring dpi = std::to_wstring(g_screenDpi);
    SaveScreenshot({left, top, left + 600, top + 300}, (L"skin-smoke-" + dpi + L"-before.png").c_str());

    const uint32_t oldTheme = skin.GetColor(59);
    const double orange[3] = {30, 0.8, 0.5};
    skin.SetThemeColor(orange, true);
    EXPECT_NE(oldTheme, skin.GetColor(59));
    PumpFor(100);
    EXPECT_EQ(std::vector<uint32_t>{kSkinChangedColors}, swatches[1]->skinChanges);
    EXPECT_EQ(0x1u, kSkinChangedColors);  // the value every control tests for
    expectColours("after the theme change");
    SaveScreenshot({left, top, left + 600, top + 300}, (L"skin-smoke-" + dpi + L"-after.png").c_str());

    // A new face reaches the windows with the font bit.
    skin.SetFontFace(L"微软雅黑");
    EXPECT_EQ((std::vector<uint32_t>{0x1u, 0x2u}), swatches[1]->skinChanges);
    EXPECT_NE(nullptr, skin.GetFont(1));

    DestroyWindow(hwnd);
    EXPECT_FALSE(skin.IsRegistered(&window));
}

TEST(SkinResources, ImagesCursorsAndShadowRecordsAreBuilt) {
    CDuiSkinManager skin(L"微软雅黑", 210, 0.5, 0.4, 0);
    const int checkSizes[][2] = {{96, 13}, {120, 16}, {144, 20}, {192, 26}};
    for (const auto& size : checkSizes) {
        if (size[0] != g_screenDpi) continue;
        ASSERT_NE(nullptr, skin.GetCheckMark());
        EXPECT_EQ(static_cast<UINT>(size[1]), skin.GetCheckMark()->GetWidth());
        EXPECT_EQ(PixelFormat32bppPARGB, skin.GetCheckMark()->GetPixelFormat());
    }
    std::unique_ptr<Gdiplus::Bitmap> server(LoadResourceImage(L"PNG", IDR_PNG_SERVER_DEFAULT));
    ASSERT_NE(nullptr, server);
    EXPECT_EQ(64u, server->GetWidth());
    EXPECT_EQ(nullptr, LoadResourceImage(L"PNG", 4242));
    EXPECT_EQ(nullptr, ScaleBitmap(server.get(), PixelFormat32bppPARGB, Gdiplus::InterpolationModeDefault, 0, 10));

    const UINT iconSize = static_cast<UINT>(40 * g_dpiFactor);
    for (int i = 0; i < CDuiSkinManager::kMessageBoxIcons; ++i) {
        Gdiplus::Bitmap* icon = skin.GetMessageBoxIcon(i);
        ASSERT_NE(nullptr, icon) << i;
        EXPECT_EQ(iconSize, icon->GetWidth());
        EXPECT_EQ(icon, skin.GetMessageBoxIcon(i));  // kept after the first use
    }
    EXPECT_EQ(nullptr, skin.GetMessageBoxIcon(4));
    EXPECT_EQ(nullptr, skin.GetMessageBoxIcon(-1));
    EXPECT_NE(nullptr, skin.GetResizeCursor());
    EXPECT_NE(nullptr, skin.GetHandCursor());

    for (int index : {kShadowSmall, kShadowLarge}) {
        const ShadowRecord& record = skin.GetShadow(index);
        EXPECT_EQ(0, record.radius % 2);
        EXPECT_GE(record.radius, static_cast<int>((index ? 30 : 12) * g_dpiFactor));
        EXPECT_EQ(static_cast<UINT>(3 * record.radius + 2), record.bitmap->GetWidth());
        EXPECT_EQ(2 * record.radius + 2, record.width);
    }
    // Arrow paths fill an 11-unit cell around the origin, turned each way.
    Gdiplus::RectF up, left;
    skin.GetArrowPath(kArrowUp)->GetBounds(&up);
    skin.GetArrowPath(kArrowLeft)->GetBounds(&left);
    EXPECT_NEAR(-5.0 * g_dpiFactor, up.X, 0.01);
    EXPECT_NEAR(10.0 * g_dpiFactor, up.Width, 0.01);
    EXPECT_NEAR(5.0 * g_dpiFactor, up.Height, 0.01);
    EXPECT_NEAR(up.Width, left.Height, 0.01);

    // A strip shorter than its two corners draws no (mirrored) middle: only
    // the corners' columns are touched.
    const ShadowRecord& record = skin.GetShadow(kShadowSmall);
    const int R = record.radius, h = R / 2;
    Gdiplus::Bitmap strip(2 * R, h, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics graphics(&strip);
        graphics.Clear(Gdiplus::Color(0xFF00FF00));
        DrawShadowStrip(&graphics, record, kShadowTop, R + 2, true);
    }
    Gdiplus::Color beyond;
    strip.GetPixel(R + 4, 0, &beyond);
    EXPECT_EQ(0xFF00FF00u, beyond.GetValue());
    Gdiplus::Color corner;
    strip.GetPixel(0, 0, &corner);
    EXPECT_NE(0xFF00FF00u, corner.GetValue());  // copy mode replaced it
}

TEST(TextGlow, GlowReachesBeyondTheInkAndKeepsItsColour) {
    CDuiSkinManager skin(L"微软雅黑", 210, 0.5, 0.4, 0);
    const UIRect rect(0, 0, 160, 60);
    Gdiplus::Bitmap target(rect.width, rect.height, PixelFormat32bppPARGB);
    Gdiplus::Graphics graphics(&target);
    Gdiplus::RectF box;
    graphics.MeasureString(L"启动", -1, skin.GetFont(1), Gdiplus::RectF(0, 0, 160, 60), skin.GetStringFormat(0), &box);
    const int inkRight = static_cast<int>(std::ceil(box.X + box.Width)), inkBottom = static_cast<int>(std::ceil(box.Height));

    struct Case {
        uint32_t color;
        bool grey;
    } cases[] = {{0xFFFFFFFF, true}, {0xFFFF2010, false}};
    for (const Case& c : cases) {
        CTextGlow glow(c.color, 4);
        glow.Draw(&graphics, L"启动", skin.GetFont(1), skin.GetStringFormat(0), rect);
        Gdiplus::Bitmap* bitmap = glow.GetBitmap();
        ASSERT_NE(nullptr, bitmap);
        int beyond = 0, wrongColour = 0;
        for (int y = 0; y < rect.height; ++y) {
            for (int x = 0; x < rect.width; ++x) {
                Gdiplus::Color pixel;
                bitmap->GetPixel(x, y, &pixel);
                if (pixel.GetA() == 0) continue;
                if (x >= inkRight || y >= inkBottom) ++beyond;
                const bool grey = pixel.GetR() == pixel.GetG() && pixel.GetG() == pixel.GetB();
                if (pixel.GetA() > 64 && grey != c.grey) ++wrongColour;
            }
        }
        EXPECT_GT(beyond, 0) << std::hex << c.color;
        EXPECT_EQ(0, wrongColour) << std::hex << c.color;
    }
}

}  // namespace
