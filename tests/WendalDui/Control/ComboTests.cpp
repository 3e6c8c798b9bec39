// Combo boxes: where the list opens as a pure rule, then real boxes in a real
// window driven by SendInput clicks and keys: the list under or above the box,
// choosing with the mouse and the keyboard, the editable box's text kept in
// step with its list, the installed font families, and a box destroyed while
// its list is open.
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <string>
#include <utility>
#include <vector>

#include "Core/UiTestSupport.h"
#include "WendalDui/Control/ComboxDropListWindow.h"
#include "WendalDui/Control/UIComboBoxFont.h"
#include "WendalDui/Control/UIComboBoxString.h"
#include "WendalDui/Control/UIListBoxString.h"
#include "WendalDui/Control/UIListBoxViewFont.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"

namespace {

using namespace wendaldui;
using ui_testing::ClickAt;
using ui_testing::PumpFor;
using ui_testing::PumpUntil;

constexpr uint32_t kShown = kControlVisible | kControlTabStop;
typedef std::vector<std::pair<int, int>> Events;

TEST(ComboPlacement, BelowElseAboveElseFromTheTopAtMost15RowsAndAtMostHalfTheDesktopWide) {
    const int g = DpiScale(2.0f), h = 24;
    const RECT desktop = {0, 0, 1024, 768}, low = {0, 0, 1024, 300};
    const UIRect box(100, 100, 200, 30), bottom(100, 700, 200, 30);
    struct Case { UIRect control; RECT desktop; int desired, count, visible; UIRect out; bool above; const char* rule; }
        cases[] = {
        {box, desktop, 150, 3, -1, {100, 130 + g, 200, 3 * h + 2}, false, "below, as wide as the box"},
        {box, desktop, 800, 30, 0, {100, 130 + g, 512, 15 * h + 2}, false, "15 rows, half the desktop wide"},
        {box, desktop, 300, 30, 5, {100, 130 + g, 300, 5 * h + 2}, false, "visible items set"},
        {box, desktop, 0, 0, -1, {100, 130 + g, 200, 2}, false, "no items: the frame only"},
        {bottom, desktop, 0, 3, -1, {100, 700 - g - 74, 200, 74}, true, "no room below: above"},
        {UIRect(100, 150, 200, 30), low, 0, 30, -1, {100, 0, 200, 12 * h + 2}, false,
         "a desktop lower than 15 rows: what fits, from the top"},
    };
    for (const Case& c : cases) {
        bool above = !c.above;
        const UIRect out =
            CUIComboBoxBase::PlaceDropList(c.control, c.desktop, c.desired, h, c.count, c.visible, above);
        EXPECT_TRUE(out == c.out) << c.rule << ": " << out.x << "," << out.y << " " << out.width << "x" << out.height;
        EXPECT_EQ(c.above, above) << c.rule;
    }
}

class Combo : public testing::Test {
protected:
    void SetUp() override {
        ui_testing::MoveMouseTo(1010, 5);  // off every box and list
        hwnd = ui_testing::CreateTestWindow(window, kLeft, kTop, 420, 300);
        ASSERT_NE(nullptr, hwnd);
        SetForegroundWindow(hwnd);
        SetFocus(hwnd);
        PumpFor(50);
    }
    void TearDown() override {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
    }

    template <typename T>
    T* Make(uint32_t style, int items, const UIRect& rect = UIRect(20, 20, 200, 28)) {
        T* combo = new T;
        EXPECT_TRUE(combo->Create(window.GetRoot(), kShown | style, rect, 1));
        CUIListBoxString* list = dynamic_cast<CUIListBoxString*>(combo->GetListBox());
        for (int i = 0; list && i < items; ++i) list->InsertString(-1, (L"项目 " + std::to_wstring(i)).c_str());
        combo->BindEvent(kEventClick, this, &Combo::OnEvent);
        combo->BindEvent(kEventSelectionChanged, this, &Combo::OnEvent);
        return combo;
    }
    void OnEvent(EventData& e) { events.push_back({e.id, static_cast<int>(e.p1)}); }

    static POINT ScreenPoint(const CUIControl* control, int dx, int dy) {
        POINT pt = {control->GetWindowRect().x + dx, control->GetWindowRect().y + dy};
        ClientToScreen(control->GetWindow()->GetHWND(), &pt);
        return pt;
    }
    // Clicks the box's middle, or its arrow button.
    static void ClickBox(const CUIComboBoxBase* combo, bool arrow = false) {
        const UIRect r = combo->GetRect();
        const POINT pt = ScreenPoint(combo, arrow ? r.width - 5 : r.width / 3, r.height / 2);
        ClickAt(pt.x, pt.y);
    }
    static bool Settled(const CUIComboBoxBase* combo) {
        return PumpUntil([&] { return !combo->GetDropWindow()->GetSlideTween().IsRunning(); }, 10000);
    }
    static bool Shown(const CUIComboBoxBase* combo) { return IsWindowVisible(combo->GetDropWindow()->GetHWND()) != 0; }
    // The middle of a row of the open list, on the screen.
    static POINT Row(const CUIComboBoxBase* combo, int row) {
        const CUIListBoxViewBase* view = combo->GetListBox()->GetListView();
        const int h = view->GetItemHeight();
        return ScreenPoint(view, view->GetRect().width / 2, row * h + h / 2 - combo->GetListBox()->GetScrollY());
    }
    void Keys(std::vector<WORD> down) {
        std::vector<INPUT> inputs;
        for (size_t i = 0; i < down.size() * 2; ++i) {
            INPUT input = {};
            input.type = INPUT_KEYBOARD;
            const bool up = i >= down.size();
            input.ki.wVk = up ? down[down.size() * 2 - 1 - i] : down[i];
            input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            inputs.push_back(input);
        }
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
        PumpFor(80);
    }

    static constexpr int kLeft = 40, kTop = 30;
    CDuiSkinManager skin{L"微软雅黑", 210, 0.5, 0.4, 0};
    CDuiWindow window;
    HWND hwnd = NULL;
    Events events;
};

TEST_F(Combo, ListOpensUnderTheBoxOrAboveItNearTheScreensBottomSlidingAwayFromIt) {
    CUIComboBoxString* combo = Make<CUIComboBoxString>(0, 30);
    const int g = DpiScale(2.0f), h = combo->GetListBox()->GetListView()->GetItemHeight();
    const int m = combo->GetDropWindow()->ShadowMargin();
    for (bool nearBottom : {false, true}) {
        SCOPED_TRACE(nearBottom ? "near the bottom" : "at the top");
        SetWindowPos(hwnd, NULL, kLeft, nearBottom ? 768 - 100 : kTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        PumpFor(50);
        const POINT box = ScreenPoint(combo, 0, 0);
        // Where the list first shows is read as it shows: a busy machine may
        // end the slide before a pump of fixed length does.
        const POINT middle = ScreenPoint(combo, combo->GetRect().width / 3, combo->GetRect().height / 2);
        ui_testing::PressAt(middle.x, middle.y);
        RECT start = {};
        ASSERT_TRUE(PumpUntil([&] {
            return Shown(combo) && GetWindowRect(combo->GetDropWindow()->GetHWND(), &start);
        }, 10000));
        ASSERT_TRUE(combo->IsDropDownOpen());
        ASSERT_TRUE(Settled(combo));
        PumpFor(50);
        RECT r;
        GetWindowRect(combo->GetDropWindow()->GetHWND(), &r);
        EXPECT_EQ(box.x, r.left + m);
        EXPECT_EQ(15 * h + 2, r.bottom - r.top - 2 * m) << "30 items, 15 rows shown";
        if (nearBottom) {
            EXPECT_EQ(box.y - g, r.bottom - m) << "above the box";
            EXPECT_GT(start.top, r.top) << "rises into place";
        } else {
            EXPECT_EQ(box.y + combo->GetRect().height + g, r.top + m) << "under the box";
            EXPECT_LT(start.top, r.top) << "drops into place";
            RECT shot = {kLeft, kTop, r.right, r.bottom};
            ui_testing::SaveScreenshot(shot, (L"combo-" + std::to_wstring(g_screenDpi) + L".png").c_str());
        }
        ClickBox(combo);
        PumpFor(150);
        EXPECT_FALSE(Shown(combo) || combo->IsDropDownOpen()) << "a click on the open box only closes it";
    }
    EXPECT_TRUE(events.empty());
}

TEST_F(Combo, MouseAndKeyboardChooseItemsAndTheBoxShowsTheChoice) {
    CUIComboBoxString* combo = Make<CUIComboBoxString>(0, 5);
    const UIRect text = combo->GetWindowRect();
    auto darkPixels = [&] {
        RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
        int dark = 0;
        for (int y = text.y; y < text.y + text.height; ++y) {
            for (int x = text.x + 2; x < text.x + text.width / 2; ++x) {
                dark += (ui_testing::SurfacePixel(window, x, y) & 0xFF) < 0x80;
            }
        }
        return dark;
    };
    EXPECT_EQ(0, darkPixels()) << "nothing selected, nothing drawn";
    EXPECT_EQ(nullptr, combo->GetDropWindow()->GetHWND()) << "the list's window waits for its first opening";
    ClickBox(combo, true);
    ASSERT_TRUE(Shown(combo) && Settled(combo));
    ClickAt(Row(combo, 2).x, Row(combo, 2).y);
    EXPECT_EQ((Events{{kEventSelectionChanged, 2}}), events);
    EXPECT_FALSE(Shown(combo) || combo->IsDropDownOpen()) << "choosing closes the list";
    WString chosen;
    combo->GetText(chosen);
    EXPECT_TRUE(chosen == L"项目 2");
    EXPECT_GT(darkPixels(), 0) << "the box draws the chosen item";

    // The keyboard: arrows while closed, Alt+Down opens, the arrows then go to
    // the list through the box's window, Alt+Down closes.
    events.clear();
    combo->SetFocus(kFocusByTab);
    Keys({VK_DOWN});
    Keys({VK_MENU, VK_DOWN});
    ASSERT_TRUE(Shown(combo));
    Keys({VK_DOWN});
    Keys({VK_DOWN});
    Keys({VK_MENU, VK_DOWN});
    EXPECT_FALSE(Shown(combo));
    EXPECT_EQ((Events{{1, 3}, {1, 4}}), events) << "the end of the list stops the second move";
    combo->SetCurSel(-1);
    events.clear();
    Keys({VK_UP});
    EXPECT_EQ((Events{{1, 4}}), events) << "Up with nothing selected selects the last item";
    const POINT mid = ScreenPoint(combo, 10, 10);
    SendMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(WHEEL_DELTA)), MAKELPARAM(mid.x, mid.y));
    EXPECT_EQ(3, combo->GetCurSel()) << "the wheel up: the previous item";
}

// The choice's handler may destroy the box: the key that moved the choice
// then goes no further into it.
TEST_F(Combo, AHandlerMayDestroyTheBoxWhoseChoiceItIsHandling) {
    CUIComboBoxString* combo = new ui_testing::Quarantined<CUIComboBoxString>;
    ASSERT_TRUE(combo->Create(window.GetRoot(), kShown, UIRect(20, 20, 200, 28), 1));
    dynamic_cast<CUIListBoxString*>(combo->GetListBox())->InsertString(-1, L"项目");
    ui_testing::ControlDestroyer destroyer{combo};
    combo->BindEvent(kEventSelectionChanged, &destroyer, &ui_testing::ControlDestroyer::OnEvent);
    combo->SetFocus(kFocusByTab);
    SendMessageW(hwnd, WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(nullptr, window.GetRoot()->GetChild(1));
    EXPECT_TRUE(ui_testing::QuarantineUntouched());
    ui_testing::ReleaseQuarantine();
}

TEST_F(Combo, EditableBoxRaisesOneEditEventPerTypedEditAndKeepsItsListInStep) {
    CUIComboBoxString* combo = Make<CUIComboBoxString>(kComboEditable | kComboSelectEditText, 5);
    combo->SetFocus(kFocusByProgram);
    ASSERT_NE(nullptr, combo->GetEdit());
    ASSERT_TRUE(combo->GetEdit()->HasFocus());
    combo->SetEditText(L"项目 1");
    EXPECT_EQ(1, combo->GetCurSel()) << "the list selects the item that reads the same";
    EXPECT_TRUE(events.empty()) << "SetEditText raises nothing";
    combo->GetEdit()->SetSel(-1, -1);
    ui_testing::TypeText(L"x9");
    EXPECT_EQ((Events{{kEventClick, 0}, {kEventClick, 0}}), events) << "the first edit after SetEditText counts";
    EXPECT_EQ(-1, combo->GetCurSel()) << "typing clears the selection";
    events.clear();
    combo->SetEditText(L"项目");
    combo->GetEdit()->SetSel(-1, -1);
    ui_testing::TypeText(L" 3");
    EXPECT_EQ(2u, events.size());
    ClickBox(combo, true);
    ASSERT_TRUE(Shown(combo) && Settled(combo));
    EXPECT_EQ(3, combo->GetCurSel()) << "opening selects the typed item (kComboSelectEditText)";
    EXPECT_EQ(3, combo->GetListBox()->GetListView()->GetHotItem());
    events.clear();
    ClickAt(Row(combo, 0).x, Row(combo, 0).y);
    WString text;
    combo->GetEditText(text);
    EXPECT_TRUE(text == L"项目 0");
    EXPECT_EQ((Events{{kEventSelectionChanged, 0}}), events) << "the chosen text is set without an edit event";
}

TEST_F(Combo, FontBoxListsTheInstalledFamiliesOnceInOrderEachInItsOwnFace) {
    for (uint32_t style : {0u, uint32_t{kComboFontVertical}}) {
        CUIComboBoxFont* combo = Make<CUIComboBoxFont>(style, 0, UIRect(20, 20 + (style ? 40 : 0), 200, 28));
        const CUIListBoxViewBase* view = combo->GetListBox()->GetListView();
        WString previous;
        int vertical = 0;
        for (int i = 0; i < view->GetItemCount(); ++i) {
            WString name;
            combo->GetItemText(view->GetItem(i), name);
            EXPECT_LT(std::wstring(previous.GetString()), std::wstring(name.GetString())) << "ascending, no repeats";
            vertical += name.GetString()[0] == L'@';
            previous = name;
        }
        EXPECT_EQ(style != 0, vertical > 0) << "vertical (\"@\") families only with kComboFontVertical";
        // The prefix maps the skin's face to WenQuanYi Micro Hei, so the face is there.
        const int wqy = combo->FindItemByText(combo->GetListBox(), L"微软雅黑");
        ASSERT_GE(wqy, 0);
        const auto* item = dynamic_cast<const internal::CUIListBoxViewFont::Item*>(view->GetItem(wqy));
        EXPECT_TRUE(item && item->font && item->font->IsAvailable()) << "drawn in its own face";
        ASSERT_TRUE(combo->SetCurSel(wqy));
        combo->GetText(previous);
        EXPECT_TRUE(previous == L"微软雅黑");
        combo->Destroy();
    }
}

// Fault: a box destroyed (or deleted with its container) while its list was
// open left its filter on the window and the pop-up on the screen.
TEST_F(Combo, DestroyedWhileOpenRemovesItsFilterAndItsPopup) {
    for (bool viaParent : {false, true}) {
        SCOPED_TRACE(viaParent ? "removed by its container" : "Destroy");
        CUIComboBoxString* combo = Make<CUIComboBoxString>(0, 3);
        wendaldui::IMessageFilter* filter = combo;
        combo->ShowDropDown(true);
        const HWND popup = combo->GetDropWindow()->GetHWND();
        ASSERT_TRUE(IsWindowVisible(popup));
        if (viaParent) {
            window.GetRoot()->RemoveChild(combo);
        } else {
            combo->Destroy();
        }
        EXPECT_FALSE(IsWindow(popup));
        EXPECT_FALSE(window.RemoveMessageFilter(filter)) << "no filter left (the pointer is only compared)";
        PostMessageW(hwnd, WM_KEYDOWN, VK_DOWN, 1);
        ClickAt(kLeft + 300, 200);
        EXPECT_TRUE(IsWindow(hwnd));
    }
}

}  // namespace
