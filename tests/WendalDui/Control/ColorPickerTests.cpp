// The colour picker in a real window: SetHSL clamping, the field and bar
// fills read back from the off-screen surface, real clicks and drags on the
// markers, and the parsing of the colour dialog's value fields.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cmath>
#include <random>

#include "Core/UiTestSupport.h"
#include "WendalDui/Control/UIHLPicker.h"
#include "WendalDui/Control/UIHSLPicker.h"
#include "WendalDui/Control/UISPicker.h"
#include "WendalDui/Core/ColorConvert.h"
#include "WendalDui/Core/ColorFields.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "tools/input/ScreenInput.h"

namespace {

using namespace wendaldui;
using ui_testing::ClickAt;
using ui_testing::MoveMouseTo;
using ui_testing::PumpFor;

// The field is 360 x 100 pixels at any DPI, so column c has hue c and row r
// lightness (99 - r) / 100.
constexpr int kLeft = 20;
constexpr int kTop = 20;
constexpr int kWidth = 360;
constexpr int kFieldHeight = 100;

void Button(DWORD flag) {
    screen_input::SendMouse(flag);
    PumpFor(30);
}

class ColorPicker : public testing::Test {
protected:
    void SetUp() override {
        m_root = new CUIContainer;
        m_window.SetRoot(m_root);
        m_hwnd = ui_testing::CreateTestWindow(m_window, 0, 0, 420, 300);
        ASSERT_NE(nullptr, m_hwnd);
        SetForegroundWindow(m_hwnd);
        m_picker = new CUIHSLPicker;
        // Created small and then sized: the bitmaps must follow the size.
        ASSERT_TRUE(m_picker->Create(m_root, kControlVisible | kControlRectInPixels, UIRect(kLeft, kTop, 50, 40), 1));
        m_picker->SetPos(UIRect(kLeft, kTop, kWidth, kFieldHeight + DpiScale(4) + DpiScale(11)));
        m_picker->BindEvent(kEventClick, this, &ColorPicker::OnChanged);
        PumpFor(30);
    }
    void TearDown() override { DestroyWindow(m_hwnd); }

    void OnChanged(EventData& data) { m_events += data.sender == m_picker ? 1 : 100; }
    void Repaint() { RedrawWindow(m_hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW); }
    uint32_t Pixel(int x, int y) { return ui_testing::SurfacePixel(m_window, x, y); }
    std::array<float, 3> Hsl() const {
        std::array<float, 3> hsl;
        m_picker->GetHSL(hsl.data());
        return hsl;
    }
    int BarTop() const { return kTop + kFieldHeight + DpiScale(4); }

    CDuiSkinManager m_skin{L"微软雅黑", 210, 0.5, 0.4, 0};
    CDuiWindow m_window;
    CUIContainer* m_root = nullptr;
    CUIHSLPicker* m_picker = nullptr;
    HWND m_hwnd = NULL;
    int m_events = 0;
};

TEST_F(ColorPicker, StartsRedAndSetHSLClampsEachValueWithoutAnEvent) {
    EXPECT_EQ((std::array<float, 3>{0, 1, 0.5f}), Hsl());
    const struct {
        float h, s, l;
        std::array<float, 3> want;
    } cases[] = {{400, 2, -1, {360, 1, 0}}, {-20, -1, 2, {0, 0, 1}}, {NAN, NAN, 0.25f, {0, 0, 0.25f}},
                 {180, 0.25f, 0.75f, {180, 0.25f, 0.75f}}};
    for (const auto& c : cases) {
        m_picker->SetHSL(c.h, c.s, c.l);
        EXPECT_EQ(c.want, Hsl()) << c.h;
    }
    EXPECT_EQ(0, m_events);
}

// Bytes rounded to nearest: truncation shows 0xBF3F3F-like colours one step darker.
TEST_F(ColorPicker, FieldAndBarAreFilledFromTheirFormulas) {
    m_picker->SetHSL(0, 0.5f, 0.5f);
    Repaint();
    const int barRow = BarTop() + DpiScale(11) - 1;  // the last row: copied from the first
    const struct {
        int x, y;
        uint32_t color;
    } cases[] = {{120, kTop + 49, 0x40BF40}, {240, kTop + 49, 0x4040BF}, {120, kTop + 99, 0x000000},
                 {240, kTop, 0xFBFBFE},      {0, barRow, 0xFF0000},      {90, barRow, 0xDF2020},
                 {270, barRow, 0x9F6060}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(c.color, Pixel(kLeft + c.x, c.y));
    }
}

TEST_F(ColorPicker, ClicksOnTheEdgesReachTheEndsOfEachRange) {
    const int barMiddle = BarTop() + DpiScale(11) / 2;
    const struct {
        int x, y, index;  // index into GetHSL's result
        float value;
    } cases[] = {{100, kTop, 2, 1.0f},        {100, kTop + kFieldHeight - 1, 2, 0.0f},
                 {0, kTop + 50, 0, 0.0f},      {kWidth - 1, kTop + 50, 0, 360.0f},
                 {kWidth - 1, barMiddle, 1, 0.0f}, {0, barMiddle, 1, 1.0f}};
    int events = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.y);
        ClickAt(kLeft + c.x, c.y);
        EXPECT_EQ(++events, m_events);
        EXPECT_EQ(c.value, Hsl()[c.index]);
        ClickAt(kLeft + c.x, c.y);  // the same place changes nothing
        EXPECT_EQ(events, m_events);
    }
    // The bar is drawn in the field's hue and lightness.
    EXPECT_EQ(Hsl()[0], m_picker->GetBar()->GetHue());
    EXPECT_EQ(Hsl()[2], m_picker->GetBar()->GetLightness());
}

// The old marker lies above the new one, so that the bar, repainted too, does
// not stretch the window's update box over it.
TEST_F(ColorPicker, DraggingRaisesEvent0RepaintsTheOldMarkerAndClampsOutsideTheField) {
    const int ringX = kLeft + static_cast<int>(0.25f * (kWidth - 1)) + DpiScale(4), ringY = kTop + 10;
    Repaint();
    const uint32_t plain = Pixel(ringX, ringY);  // the field at saturation 1, no marker there
    m_picker->SetHSL(90, 1, 0.9f);
    Repaint();
    EXPECT_NE(plain, Pixel(ringX, ringY));
    MoveMouseTo(kLeft + 300, kTop + 80);
    Button(MOUSEEVENTF_LEFTDOWN);
    EXPECT_EQ(plain, Pixel(ringX, ringY));
    MoveMouseTo(kLeft + 100, kTop + 80);
    MoveMouseTo(kLeft + 100, kTop + kFieldHeight + 60);  // below the whole picker
    Button(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(3, m_events);
    EXPECT_EQ(0.0f, Hsl()[2]);
    MoveMouseTo(kLeft + 200, kTop + 50);  // no button: no drag
    EXPECT_EQ(3, m_events);
    EXPECT_EQ(0x000000u, Pixel(kLeft + 100, BarTop() + 1));  // refilled for lightness 0
}

// The marker maths divided by the size: a drag held while the picker shrank
// to nothing moved the markers to an end.
TEST_F(ColorPicker, ZeroSizedPartsKeepTheirMarkers) {
    m_picker->SetHSL(180, 0.25f, 0.75f);
    m_picker->SetPos(UIRect(kLeft, kTop, 0, 0));
    m_picker->GetField()->OnLButtonDown(0, 5, 5);
    m_picker->GetField()->OnMouseMove(MK_LBUTTON, 7, 9);
    m_picker->GetBar()->OnMouseMove(MK_LBUTTON, 3, 0);
    EXPECT_EQ((std::array<float, 3>{180, 0.25f, 0.75f}), Hsl());
    EXPECT_EQ(0, m_events);
    Repaint();
}

// Truncated bytes drifted: most colours came back one step darker.
TEST_F(ColorPicker, TypedBytesSurviveThePickerForEveryGreyAndARandomSample) {
    std::mt19937 random(116);
    std::uniform_int_distribution<uint32_t> any(0, 0xFFFFFF);
    int failures = 0;
    for (int i = 0; i < 256 + 20000; ++i) {
        const uint32_t rgb = i < 256 ? static_cast<uint32_t>(i) * 0x010101 : any(random);
        float typed[3];
        ArgbToHsl(0xFF000000 | rgb, typed);
        m_picker->SetHSL(typed[0], typed[1], typed[2]);
        uint8_t bytes[3];
        HslToFieldBytes(Hsl().data(), bytes);
        const uint32_t back = (bytes[0] << 16) | (bytes[1] << 8) | bytes[2];
        if (back != rgb && ++failures < 5) ADD_FAILURE() << std::hex << rgb << " came back as " << back;
    }
    EXPECT_EQ(0, failures);
}

// Read as C reads a decimal integer; only a value from 0 to 255 is a channel.
TEST(ColorFields, DecimalChannelIsAnIntegerFrom0To255) {
    const struct {
        const wchar_t* text;
        bool ok;
        int value;
    } cases[] = {{L"0", true, 0},      {L"255", true, 255},  {L"068", true, 68},   {L"+5", true, 5},
                 {L" \t7", true, 7},   {L"1a", true, 1},     {L"-0", true, 0},     {L"256", false, 0},
                 {L"300", false, 0},   {L"-5", false, 0},    {L"", false, 0},      {L"-", false, 0},
                 {L"a1", false, 0},    {L"99999999999", false, 0}, {L"0000000000255", true, 255}};
    for (const auto& c : cases) {
        uint8_t value = 7;
        EXPECT_EQ(c.ok, ParseDecimalChannel(c.text, value)) << c.text;
        EXPECT_EQ(c.ok ? c.value : 7, value) << c.text;  // untouched when refused
    }
}

// Read as a hexadecimal number up to the first other character; text without
// a digit ("#" half typed) would read as 0 and flash the theme black.
TEST(ColorFields, HexIsANumberWithAtLeastOneDigit) {
    const struct {
        const wchar_t* text;
        bool ok;
        uint32_t rgb;
    } cases[] = {{L"#00ff00", true, 0x00FF00},   {L"ABCDEF", true, 0xABCDEF}, {L"#fff", true, 0x000FFF},
                 {L"#FF123456", true, 0x123456}, {L"12 3", true, 0x12},       {L"0x12", true, 0x12},
                 {L"# 1f", true, 0x1F},          {L"#123456789", false, 0},   {L"", false, 0},
                 {L"#", false, 0},               {L"#zz", false, 0},          {L"##1", false, 0},
                 {L"-1", false, 0},              {L"0x", true, 0}};
    for (const auto& c : cases) {
        uint32_t rgb = 7;
        EXPECT_EQ(c.ok, ParseHexColor(c.text, rgb)) << c.text;
        EXPECT_EQ(c.ok ? c.rgb : 7u, rgb) << c.text;
    }
}

}  // namespace
