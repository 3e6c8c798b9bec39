// The message box in a real modal loop over an owner window: its buttons and
// their results, closing it, the do-not-show box, links going to the shell
// seam, its size for short, long and very long texts, and a box wider than
// its owner kept whole on the screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UIContainer.h"
#include "WendalDui/Control/UILinkCtrl.h"
#include "WendalDui/Core/DlgMessageBox.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/FormattedText.h"
#include "WendalDui/Core/ShadowWindow.h"

namespace {

using namespace wendaldui;
using ui_testing::ClickAt;
using ui_testing::PumpFor;

// What the test does once the box is up; it runs inside the modal loop.
std::function<void(CDlgMessageBox&, HWND)> g_action;
HWND g_owner = NULL;
bool g_ownerDisabledMeanwhile = false;

BOOL CALLBACK FindBoxWindow(HWND hwnd, LPARAM param) {
    auto* base = reinterpret_cast<CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!base || !IsWindowVisible(hwnd) || !dynamic_cast<CDlgMessageBox*>(base)) return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

CDlgMessageBox* FindBox(HWND* found) {
    *found = NULL;
    EnumThreadWindows(GetCurrentThreadId(), &FindBoxWindow, reinterpret_cast<LPARAM>(found));
    if (!*found) return nullptr;
    return dynamic_cast<CDlgMessageBox*>(reinterpret_cast<CWindowBase*>(GetWindowLongPtrW(*found, GWLP_USERDATA)));
}

void CALLBACK ActOnBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND hwnd = NULL;
    CDlgMessageBox* box = FindBox(&hwnd);
    if (!box) return;  // not up yet: the timer comes again
    KillTimer(NULL, timer);
    PumpFor(50);  // laid out and painted
    g_ownerDisabledMeanwhile = !IsWindowEnabled(g_owner);
    if (g_action) g_action(*box, hwnd);
}

// Runs the box with `action` performed on it from inside the modal loop.
template <typename Run>
int RunWith(std::function<void(CDlgMessageBox&, HWND)> action, Run run) {
    g_action = std::move(action);
    SetTimer(NULL, 0, 30, &ActOnBox);
    const int result = run();
    g_action = nullptr;
    return result;
}

CUIControl* BoxChild(CDlgMessageBox& box, int id) { return box.GetClientContainer()->GetChild(id); }

// A real click in the middle of a control of the box.
void ClickControl(HWND hwnd, CUIControl* control) {
    const UIRect r = control->GetWindowRect();
    RECT window;
    GetWindowRect(hwnd, &window);
    ClickAt(window.left + r.x + r.width / 2, window.top + r.y + r.height / 2);
}

std::vector<std::wstring> g_opened;
HINSTANCE RecordOpen(const wchar_t* target) {
    g_opened.push_back(target);
    return reinterpret_cast<HINSTANCE>(42);
}

class MessageBoxTest : public testing::Test {
protected:
    MessageBoxTest() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {
        owner = ui_testing::CreateTestWindow(ownerWindow, 20, 20, 300, 200);
        g_owner = owner;
    }
    ~MessageBoxTest() override { DestroyWindow(owner); }
    CDuiSkinManager skin;
    CDuiWindow ownerWindow;
    HWND owner;
};

TEST(MessageBoxButtons, StylesGiveTheirButtonsAndResults) {
    const struct {
        int style;
        std::vector<std::wstring> texts;
        std::vector<int> ids;
    } cases[] = {
        {kBoxOk, {L"确定"}, {kResultOk}},
        {kBoxYesNo, {L"是", L"否"}, {kResultYes, kResultNo}},
        {kBoxYesNoCancel, {L"是", L"否", L"取消"}, {kResultYes, kResultNo, kResultCancel}},
        {kBoxOkCancel, {L"确定", L"取消"}, {kResultOk, kResultCancel}},
        {7, {L"确定"}, {kResultOk}},   // any other style: one OK button
        {-1, {L"确定"}, {kResultOk}},
    };
    for (const auto& c : cases) {
        CDlgMessageBox::Param param = {};
        param.SetButtons(c.style);
        ASSERT_EQ(c.texts.size(), param.buttonCount) << c.style;
        for (size_t i = 0; i < c.texts.size(); ++i) {
            EXPECT_EQ(c.texts[i], param.buttonTexts[i]);
            EXPECT_EQ(c.ids[i], param.resultIds[i]);
        }
    }
    EXPECT_EQ(0x80000000u, static_cast<uint32_t>(kResultCancel));
    EXPECT_EQ(0x80000002u, static_cast<uint32_t>(kResultNo));
}

TEST_F(MessageBoxTest, EachButtonEndsTheBoxWithItsResultAndClosingMeansCancel) {
    const struct {
        int style;
        int button;  // index, or -1 to post WM_CLOSE
        int result;
    } cases[] = {
        {kBoxOk, 0, kResultOk},          {kBoxYesNo, 0, kResultYes},      {kBoxYesNo, 1, kResultNo},
        {kBoxYesNoCancel, 2, kResultCancel}, {kBoxOkCancel, 0, kResultOk}, {kBoxYesNo, -1, kResultCancel},
    };
    for (const auto& c : cases) {
        g_ownerDisabledMeanwhile = false;
        const int result = RunWith(
            [&](CDlgMessageBox& box, HWND hwnd) {
                if (c.button < 0) {
                    PostMessageW(hwnd, WM_CLOSE, 0, 0);
                } else {
                    ClickControl(hwnd, BoxChild(box, 3 + c.button));
                }
            },
            [&] { return CDlgMessageBox::Show(owner, L"提示", L"要继续吗？", c.style, kIconQuestion); });
        EXPECT_EQ(c.result, result) << "style " << c.style << " button " << c.button;
        EXPECT_TRUE(g_ownerDisabledMeanwhile);
        EXPECT_TRUE(IsWindowEnabled(owner));
    }
}

TEST_F(MessageBoxTest, DoNotShowWordIsOneOnlyWhenTicked) {
    for (bool tick : {true, false}) {
        CDlgMessageBox::Param param = {};
        param.caption = L"提示";
        param.text = L"下载完成";
        param.SetButtons(kBoxOk);
        param.doNotShow = 1;
        const int result = RunWith(
            [&](CDlgMessageBox& box, HWND hwnd) {
                ASSERT_NE(nullptr, BoxChild(box, 2));
                if (tick) ClickControl(hwnd, BoxChild(box, 2));
                ClickControl(hwnd, BoxChild(box, 3));
            },
            [&] { return CDlgMessageBox::DoModal(owner, &param); });
        EXPECT_EQ(kResultOk, result);
        EXPECT_EQ(tick ? 1u : 0u, param.doNotShow);
    }
}

// Each button is as wide as its text, kept within 75 to 200 × DPI; the box
// is as high as its rows: text, 12, the check box (16), 12, the buttons (25),
// 12 and the 28-pixel title bar, all × DPI.
TEST_F(MessageBoxTest, ButtonWidthsAreClampedAndTheHeightAddsUpItsRows) {
    const std::wstring middle = L"保存并关闭窗口", wide(40, L'宽');
    const wchar_t* texts[] = {L"是", middle.c_str(), wide.c_str()};
    const int expected[] = {DpiScale(75), CalcButtonWidth(middle.c_str()), DpiScale(200)};
    ASSERT_TRUE(expected[1] > DpiScale(75) && expected[1] < DpiScale(200)) << expected[1] << ": not a width between";
    ASSERT_GT(CalcButtonWidth(wide.c_str()), DpiScale(200));
    CDlgMessageBox::Param param = {};
    param.caption = L"提示";
    param.text = L"好";
    param.buttonCount = 3;
    for (int i = 0; i < 3; ++i) {
        param.buttonTexts[i] = texts[i];
        param.resultIds[i] = kResultOk;
    }
    param.doNotShow = 1;
    RunWith(
        [&](CDlgMessageBox& box, HWND hwnd) {
            const UIRect text = BoxChild(box, 1)->GetRect(), check = BoxChild(box, 2)->GetRect();
            EXPECT_EQ(text.y + text.height + DpiScale(12), check.y);
            EXPECT_EQ(DpiScale(16), check.height);
            for (int i = 0; i < 3; ++i) {
                const UIRect button = BoxChild(box, 3 + i)->GetRect();
                EXPECT_EQ(expected[i], button.width) << i;
                EXPECT_EQ(check.y + check.height + DpiScale(12), button.y) << i;
                EXPECT_EQ(DpiScale(25), button.height) << i;
            }
            const UIRect last = BoxChild(box, 5)->GetRect();
            EXPECT_EQ(text.x + text.width, last.x + last.width) << "the row ends under the text's right edge";
            RECT window;
            GetWindowRect(hwnd, &window);
            EXPECT_EQ(last.y + DpiScale(25) + DpiScale(12) + DpiScale(28), window.bottom - window.top);
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
        },
        [&] { return CDlgMessageBox::DoModal(owner, &param); });
}

TEST_F(MessageBoxTest, LinkGoesToTheShellSeamAndTheBoxGrowsWithItsText) {
    const ShellOpenFunction old = SetShellOpenFunction(&RecordOpen);
    g_opened.clear();
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    const int halfWidth = (desktop.right - desktop.left) / 2;
    const int twoThirds = (desktop.bottom - desktop.top) * 2 / 3;
    const int textX = static_cast<int>(4 * g_dpiFactor) + static_cast<int>(8 * g_dpiFactor);

    std::wstring longLine(200, L'长');
    std::wstring veryLong;
    for (int i = 0; i < 120; ++i) veryLong += L"很长的一行文字，一直写下去。\r\n";
    const struct {
        std::wstring text;
        int minWidth, maxWidth;  // bounds of the text's width, -1 not checked
        int height;              // expected text height, -1 not checked
    } cases[] = {
        {L"好", static_cast<int>(220 * g_dpiFactor), static_cast<int>(220 * g_dpiFactor),
         static_cast<int>(40 * g_dpiFactor)},
        // Wrapped at half the desktop: as wide as the whole characters that fit.
        {longLine, halfWidth * 9 / 10, halfWidth, -1},
        {veryLong, -1, halfWidth, twoThirds},
        {L"详见<a href=\"https://example.invalid/help\">帮助</a>。", -1, -1, -1},
    };
    for (const auto& c : cases) {
        const int result = RunWith(
            [&](CDlgMessageBox& box, HWND hwnd) {
                CUILinkCtrl* text = static_cast<CUILinkCtrl*>(BoxChild(box, 1));
                const UIRect& r = text->GetRect();
                EXPECT_EQ(textX, r.x);  // no icon
                if (c.minWidth >= 0) {
                    EXPECT_GE(r.width, c.minWidth);
                }
                if (c.maxWidth >= 0) {
                    EXPECT_LE(r.width, c.maxWidth);
                }
                if (c.height >= 0) {
                    EXPECT_EQ(c.height, r.height);
                }
                RECT window;
                GetWindowRect(hwnd, &window);
                EXPECT_EQ(r.x + r.width + static_cast<int>(12 * g_dpiFactor), window.right - window.left);
                if (const CFormattedText::Link* link = text->GetFormattedText().GetLink(0)) {
                    const UIRect place = text->GetWindowRect();
                    const UIRect& piece = link->rects.front();
                    ClickAt(window.left + place.x + piece.x + piece.width / 2,
                            window.top + place.y + piece.y + piece.height / 2);
                    ui_testing::SaveScreenshot(window,
                                               (L"message-box-" + std::to_wstring(g_screenDpi) + L".png").c_str());
                }
                PostMessageW(hwnd, WM_CLOSE, 0, 0);
            },
            [&] { return CDlgMessageBox::Show(owner, L"提示", c.text.c_str(), kBoxOk, 0); });
        EXPECT_EQ(kResultCancel, result);
    }
    EXPECT_EQ(std::vector<std::wstring>{L"https://example.invalid/help"}, g_opened);
    SetShellOpenFunction(old);
}

// A box much wider than its owner (one long link without a break), centred
// on a dialog at the screen's right edge and opened before that dialog's
// first frame made its shadow: the box stays on the screen, its link broken
// into lines within the text, and no strip of the owner's shadow lies over
// it: the screen shows every pixel the box painted.
TEST_F(MessageBoxTest, ABoxWiderThanItsOwnerIsWholeOnTheScreenOverTheOwnersShadow) {
    RECT work;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    CDuiDialog narrow;
    HWND dialog = CreateWindowExW(0, kDuiWindowClassName, L"对话框", WS_POPUP, work.right - DpiScale(200),
                                  work.top + DpiScale(60), DpiScale(200), DpiScale(150), NULL, NULL,
                                  GetModuleHandleW(NULL), &narrow);
    ASSERT_NE(nullptr, dialog);
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);  // the first frame: its shadow comes a moment later
    const std::wstring url = L"https://example.invalid/" + std::wstring(300, L'x');
    const std::wstring link = L"<a href=\"" + url + L"\">" + url + L"</a>";
    RunWith(
        [&](CDlgMessageBox& box, HWND hwnd) {
            ASSERT_TRUE(ui_testing::PumpUntil([&] {
                const internal::CShadowWindow* left = narrow.GetShadowWindow(3);
                return left && IsWindowVisible(left->GetHWND());
            }, 10000));
            PumpFor(100);
            RECT window;
            GetWindowRect(hwnd, &window);
            EXPECT_GT(window.right - window.left, DpiScale(200) + DpiScale(100));
            EXPECT_TRUE(window.left >= work.left && window.top >= work.top && window.right <= work.right &&
                        window.bottom <= work.bottom)
                << window.left << "," << window.top << "," << window.right << "," << window.bottom;
            CUILinkCtrl* text = static_cast<CUILinkCtrl*>(BoxChild(box, 1));
            const UIRect r = text->GetRect();
            EXPECT_EQ(r.x + r.width + DpiScale(12), window.right - window.left);
            const CFormattedText::Link* pieces = text->GetFormattedText().GetLink(0);
            ASSERT_NE(nullptr, pieces);
            EXPECT_GT(pieces->rects.size(), 2u);
            for (const UIRect& piece : pieces->rects) EXPECT_LE(piece.x + piece.width, r.width);
            ui_testing::PumpUntilOnScreen(box);  // drawn on the X screen a moment later
            EXPECT_EQ(0, ui_testing::PixelsCoveredOnScreen(box));
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
        },
        [&] { return CDlgMessageBox::Show(dialog, L"提示", link.c_str(), kBoxOk, kIconWarning); });
    DestroyWindow(dialog);
}

}  // namespace
