// The account-name box of the main window: real clicks on its open list,
// on a row's delete box and on the name beside it.
#include <gtest/gtest.h>

#include <windows.h>

#include <utility>
#include <vector>

#include "UiTestSupport.h"
#include "WendalDui/Control/ComboxDropListWindow.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/DuiWindow.h"
#include "ui/UIComboBoxName.h"
#include "ui/UIListBoxName.h"
#include "ui/UIListBoxViewName.h"

namespace {

using namespace trelm::ui;
using ui_testing::ClickAt;
using ui_testing::PumpUntil;
using wendaldui::EventData;
typedef std::vector<std::pair<int, int>> Events;

class NameCombo : public testing::Test {
protected:
    void SetUp() override {
        ui_testing::MoveMouseTo(1010, 5);
        hwnd = ui_testing::CreateTestWindow(window, 40, 30, 400, 300);
        ASSERT_NE(nullptr, hwnd);
        SetForegroundWindow(hwnd);
        combo = new CUIComboBoxName;
        ASSERT_TRUE(combo->Create(window.GetRoot(), wendaldui::kControlVisible | wendaldui::kControlTabStop,
                                  wendaldui::UIRect(20, 20, 200, 28), 1));
        list = dynamic_cast<internal::CUIListBoxName*>(combo->GetListBox());
        ASSERT_NE(nullptr, list);
        for (const wchar_t* name : {L"Steve", L"Alex", L"玩家"}) list->InsertString(-1, name);
        list->BindEvent(internal::kEventDeleteName, this, &NameCombo::OnEvent);
        combo->BindEvent(wendaldui::kEventSelectionChanged, this, &NameCombo::OnEvent);
    }
    void TearDown() override { DestroyWindow(hwnd); }
    void OnEvent(EventData& e) { events.push_back({e.id, static_cast<int>(e.p1)}); }

    void Open() {
        combo->ShowDropDown(true);
        ASSERT_TRUE(PumpUntil([&] { return !combo->GetDropWindow()->GetSlideTween().IsRunning(); }, 10000));
    }
    bool Shown() const { return IsWindowVisible(combo->GetDropWindow()->GetHWND()) != 0; }
    // A point of a row of the open list on the screen, x from the row's left edge.
    POINT Row(int row, int x) const {
        const wendaldui::UIRect view = list->GetListView()->GetWindowRect();
        POINT pt = {view.x + x, view.y + row * list->GetListView()->GetItemHeight() + 5};
        ClientToScreen(combo->GetDropWindow()->GetHWND(), &pt);
        return pt;
    }

    wendaldui::CDuiSkinManager skin{L"微软雅黑", 210, 0.5, 0.4, 0};
    wendaldui::CDuiWindow window;
    HWND hwnd = NULL;
    CUIComboBoxName* combo = nullptr;
    internal::CUIListBoxName* list = nullptr;
    Events events;
};

TEST_F(NameCombo, DeleteBoxClickRaisesEvent100WithoutSelectingAndAClickBesideItSelects) {
    const int box = internal::CUIListBoxViewName::DeleteBoxWidth();
    EXPECT_EQ(wendaldui::DpiScale(15.0f), box);
    Open();
    ClickAt(Row(1, box / 2).x, Row(1, box / 2).y);
    EXPECT_EQ((Events{{internal::kEventDeleteName, 1}}), events);
    EXPECT_EQ(-1, combo->GetCurSel()) << "the row is not selected";
    EXPECT_TRUE(Shown()) << "and the list stays open";

    // Fault: a press on the name (which chooses it) released over the box
    // deleted the name just chosen.
    events.clear();
    ui_testing::DragMouse(Row(2, box + 20).x, Row(2, box + 20).y, Row(2, box / 2).x, Row(2, box / 2).y);
    EXPECT_EQ((Events{{wendaldui::kEventSelectionChanged, 2}}), events);
    EXPECT_FALSE(Shown());

    events.clear();
    Open();
    ClickAt(Row(0, box + 2).x, Row(0, box + 2).y);
    EXPECT_EQ((Events{{wendaldui::kEventSelectionChanged, 0}}), events) << "just beside the box selects";
    WString text;
    combo->GetText(text);
    EXPECT_TRUE(text == L"Steve");
    // The chosen row is still the list's hot row; the closed box must draw it
    // plainly, without the hot fill and the cross.
    RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    const wendaldui::UIRect r = combo->GetWindowRect();
    EXPECT_GT((ui_testing::SurfacePixel(window, r.x + 3, r.y + 3) >> 16) & 0xFF, 0xC0u);
}

}  // namespace
