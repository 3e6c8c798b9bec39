// The colour dialog in a real modal loop over an owner: values through its
// own fields, real keys and a real marker drag, folding the value row away,
// and the colour handed back when it closes.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <functional>
#include <random>
#include <string>

#include "UiTestSupport.h"
#include "WendalDui/Control/UIHLPicker.h"
#include "WendalDui/Control/UIHSLPicker.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Control/UITitleBar.h"
#include "WendalDui/Core/ColorConvert.h"
#include "WendalDui/Core/DlgColorPicker.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"

namespace {

using namespace wendaldui;
using ui_testing::PumpFor;
typedef CDlgColorPicker Dlg;

std::function<void(Dlg&, HWND)> g_action;

// Acts on the dialog from inside its modal loop (once it is up), then closes it.
void CALLBACK ActOnDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND hwnd = GetActiveWindow();
    Dlg* dialog = dynamic_cast<Dlg*>(reinterpret_cast<CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
    if (!dialog) return;
    KillTimer(NULL, timer);
    PumpFor(50);
    g_action(*dialog, hwnd);
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
}

struct CallCounter : wendal_::IDelegate<void, const CUIHSLPicker&> {
    void Invoke(const CUIHSLPicker&) override { ++calls; }
    int calls = 0;
};

std::wstring Fields(Dlg& d) {
    std::wstring text;
    for (int id : {Dlg::kRedId, Dlg::kGreenId, Dlg::kBlueId, Dlg::kHexId}) {
        text += std::wstring(text.empty() ? L"" : L",") + d.GetValueField(id)->GetText().GetString();
    }
    return text;
}
std::wstring FieldsOf(uint32_t rgb) {
    wchar_t text[32];
    swprintf(text, 32, L"%d,%d,%d,%06x", (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, rgb & 0xFFFFFF);
    return text;
}
POINT On(HWND hwnd, const UIRect& r, int dx, int dy) {
    RECT w;
    GetWindowRect(hwnd, &w);
    return {w.left + r.x + dx, w.top + r.y + dy};
}
void SendKey(WORD vk, wchar_t ch) {
    INPUT keys[2] = {};
    const DWORD unicode = vk ? 0 : KEYEVENTF_UNICODE;
    for (DWORD i = 0; i < 2; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki = {vk, static_cast<WORD>(vk ? 0 : ch), unicode | (i ? KEYEVENTF_KEYUP : 0u), 0, 0};
    }
    SendInput(2, keys, sizeof keys[0]);
    PumpFor(40);
}

class ColorDialog : public testing::Test {
protected:
    ColorDialog() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {
        owner = ui_testing::CreateTestWindow(ownerWindow, 20, 20, 500, 400);
    }
    ~ColorDialog() override { DestroyWindow(owner); }
    void Run(std::function<void(Dlg&, HWND)> action) {
        g_action = std::move(action);
        SetTimer(NULL, 0, 30, &ActOnDialog);
        Dlg::ShowModal(&param, owner);
    }
    CDuiSkinManager skin;
    CDuiWindow ownerWindow;
    HWND owner;
    CallCounter changes;
    Dlg::Param param = {0, 0, 0, &changes, L"主题颜色", 0x12336699, Dlg::kStartExpanded};
};

// Truncated bytes drifted: an R typed as 68 was refilled as 67 once G was typed. Filling must
// raise no change event either (it would loop back), so each entry calls onChange once.
TEST_F(ColorDialog, BytesTypedInTheFieldsComeBackForEveryGreyAndARandomSample) {
    Run([&](Dlg& d, HWND) {
        std::mt19937 random(116);
        int failures = 0;
        for (int i = 0; i < 256 + 5000; ++i) {
            const uint32_t rgb = i < 256 ? static_cast<uint32_t>(i) * 0x010101 : random() & 0xFFFFFF;
            const int calls = changes.calls;
            for (int id : {Dlg::kRedId, Dlg::kGreenId, Dlg::kBlueId}) {
                d.GetValueField(id)->SetText(std::to_wstring((rgb >> (Dlg::kBlueId - id) * 8) & 0xFF).c_str());
                d.GetValueField(id)->FireEvent(kEventRichEditChanged);
            }
            if ((Fields(d) != FieldsOf(rgb) || changes.calls != calls + 3) && ++failures < 5) {
                ADD_FAILURE() << std::hex << rgb << ": " << testing::PrintToString(Fields(d));
            }
        }
        EXPECT_EQ(0, failures);
    });
}

// A channel out of range ("300", "-5", "") keeps its value but, like any entry,
// refills the other fields and calls onChange; once it did neither. Hex text
// without a digit ("#") does nothing, so the live theme never flashes black;
// numbers are read up to the first other character (" +7", "12 3"). Closing
// hands back the last colour, opaque, in both forms.
TEST_F(ColorDialog, RealKeysInTheFieldsRefillTheOthersAndClosingHandsTheColourBack) {
    Run([&](Dlg& d, HWND hwnd) {
        const struct {
            int id;
            const wchar_t* preset;  // set quietly first, null keeps the text
            const wchar_t* keys;    // '\b' is Backspace
            int changes;            // onChange calls the keys cause
            uint32_t rgb;
            const wchar_t* fields;  // red, green, blue, hex afterwards
        } cases[] = {
            {Dlg::kHexId, L"", L"#", 0, 0x336699, L"51,102,153,#"},
            {Dlg::kHexId, nullptr, L"00ff00", 6, 0x00FF00, L"0,255,0,#00ff00"},
            {Dlg::kHexId, L"#", L"\b", 0, 0x00FF00, L"0,255,0,"},
            {Dlg::kRedId, L"", L"300", 3, 0x1EFF00, L"300,255,0,1eff00"},
            {Dlg::kBlueId, L"", L"-5", 2, 0x1EFF00, L"30,255,-5,1eff00"},
            {Dlg::kGreenId, L"", L" +7", 3, 0x1E0700, L"30, +7,0,1e0700"},
            {Dlg::kHexId, L"", L"12 3", 4, 0x000012, L"0,0,18,12 3"},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(c.keys)));
            CUIRichEdit* edit = d.GetValueField(c.id);
            if (c.preset) edit->SetText(c.preset);
            const POINT at = On(hwnd, edit->GetWindowRect(), 3, 3);
            ui_testing::ClickAt(at.x, at.y);
            edit->SetSel(-1, -1);
            const int calls = changes.calls;
            for (const wchar_t* key = c.keys; *key; ++key) SendKey(*key == L'\b' ? VK_BACK : 0, *key);
            EXPECT_EQ(c.changes, changes.calls - calls);
            EXPECT_EQ(c.rgb, d.GetCurrentRgb());
            EXPECT_EQ(c.fields, Fields(d)) << "the field typed in keeps its text, the others follow";
        }
        RECT w;
        GetWindowRect(hwnd, &w);
        ui_testing::SaveScreenshot(w, (L"color-dialog-" + std::to_wstring(g_screenDpi) + L".png").c_str());
    });
    EXPECT_EQ(0xFF000012u, param.argb);
    float hsl[3];
    ArgbToHsl(0xFF000012u, hsl);
    EXPECT_NEAR(hsl[0], param.h, 0.01f);
    EXPECT_NEAR(hsl[1], param.s, 0.001f);
    EXPECT_NEAR(hsl[2], param.l, 0.001f);
}

// The fields and the caller follow the marker while it moves, not only when it is let go.
TEST_F(ColorDialog, DraggingTheMarkerFillsTheFieldsAndCallsOnChangeLive) {
    Run([&](Dlg& d, HWND hwnd) {
        const UIRect field = d.GetPicker()->GetField()->GetWindowRect();
        const POINT steps[] = {{10, 10}, {field.width / 2, 20}, {field.width - 20, field.height / 2}};
        for (int i = 0; i < 3; ++i) {
            const POINT at = On(hwnd, field, steps[i].x, steps[i].y);
            ui_testing::MoveMouseTo(at.x, at.y);
            INPUT press = {};
            press.type = INPUT_MOUSE;
            press.mi.dwFlags = i == 0 ? MOUSEEVENTF_LEFTDOWN : i == 2 ? MOUSEEVENTF_LEFTUP : 0;
            if (press.mi.dwFlags) SendInput(1, &press, sizeof press);
            PumpFor(30);
            EXPECT_EQ(i + 1, changes.calls);
            EXPECT_EQ(FieldsOf(d.GetCurrentRgb()), Fields(d));
        }
        EXPECT_NE(0x336699u, d.GetCurrentRgb());
    });
}

// Whether the glyph points up: its ink (difference from the corner) lies mostly below the middle.
bool GlyphPointsUp(Dlg& d, const UIRect& r) {
    const uint32_t background = ui_testing::SurfacePixel(d, r.x + 1, r.y + 1);
    double ink = 0, moment = 0;
    for (int y = r.y; y < r.y + r.height; ++y) {
        for (int x = r.x; x < r.x + r.width; ++x) {
            const uint32_t pixel = ui_testing::SurfacePixel(d, x, y);
            for (int shift : {0, 8, 16}) {
                const int diff = std::abs(static_cast<int>((pixel >> shift) & 0xFF) -
                                          static_cast<int>((background >> shift) & 0xFF));
                ink += diff;
                moment += diff * (y + 0.5);
            }
        }
    }
    return ink > 0 && moment / ink > r.y + r.height / 2.0;
}

// Either start (from h, s, l folded, or from argb unfolded); the title button toggles in place.
TEST_F(ColorDialog, FoldingTheValueRowShortensTheWindowInPlaceAndTurnsTheTriangle) {
    for (uint8_t flags : {Dlg::kHslGiven, Dlg::kStartExpanded}) {
        param = {120, 1, 0.5f, &changes, L"颜色", 0xFF336699, flags};
        Run([&](Dlg& d, HWND hwnd) {
            EXPECT_EQ(FieldsOf(flags == Dlg::kHslGiven ? 0x00FF00 : 0x336699), Fields(d));
            const UIRect button = d.GetTitleBar()->GetChild(Dlg::kExpandButtonId)->GetWindowRect();
            RECT start;
            GetWindowRect(hwnd, &start);
            for (bool expanded : {flags == Dlg::kStartExpanded, flags != Dlg::kStartExpanded}) {
                RECT w;
                GetWindowRect(hwnd, &w);
                EXPECT_EQ(start.left, w.left);
                EXPECT_EQ(start.top, w.top);
                EXPECT_EQ(static_cast<int>(270 * g_dpiFactor), w.right - w.left);
                EXPECT_EQ(static_cast<int>((expanded ? 180 : 143) * g_dpiFactor), w.bottom - w.top);
                EXPECT_EQ(expanded, d.GetValueField(Dlg::kHexId)->IsEffectivelyVisible());
                EXPECT_EQ(expanded, GlyphPointsUp(d, button));
                const POINT at = On(hwnd, button, 5, 5);
                ui_testing::ClickAt(at.x, at.y);
            }
        });
    }
}

}  // namespace
