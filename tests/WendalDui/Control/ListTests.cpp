// The selection model as tables and against a plain reference over a random
// run, then the list box and the list control in real windows: hit tests,
// hot and pressed items, mouse and keyboard selection with their events,
// column bookkeeping, a real divider drag, cell ownership and row colours.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "Core/UiTestSupport.h"
#include "WendalDui/Control/SelectionModel.h"
#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Control/UIListBodyString.h"
#include "WendalDui/Control/UIListBoxString.h"
#include "WendalDui/Control/UIListBoxViewString.h"
#include "WendalDui/Control/UIListCtrlString.h"
#include "WendalDui/Control/UIListCtrlViewBase.h"
#include "WendalDui/Control/UIListHeader.h"
#include "WendalDui/Control/UIScrollBar.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ImageProcessing.h"

namespace {

using namespace wendaldui;
using internal::CUIListBodyString;
using ui_testing::Near2;
using ui_testing::PumpUntil;
typedef CSelectionModel::SelectResult Result;

constexpr uint32_t kMultiple = CSelectionModel::kSelectionMultiple;
constexpr uint32_t kShown = kControlVisible | kControlTabStop;
constexpr uint32_t kRootBackground = 0xFF336699;

// 'x' for each selected row, '.' for the others.
std::string Bits(const CSelectionModel& m) {
    std::string s;
    for (int i = 0; i < m.GetSize(); ++i) s += m.IsSelected(i) ? 'x' : '.';
    return s;
}

CSelectionModel Model(uint32_t flags, int rows) {
    CSelectionModel m;
    m.SetFlags(flags);
    for (int i = 0; i < rows; ++i) m.InsertItem(i);
    return m;
}

struct Click {
    int index;
    bool shift, ctrl;
};

TEST(SelectionModel, ClicksWithModifiers) {
    const bool S = true, C = true, _ = false;
    struct Case { uint32_t flags; std::vector<Click> clicks; const char* bits; int current, count, first; Result last;
                  const char* rule; } cases[] = {
        {0, {{3, _, _}}, "...x......", 3, 1, 3, {true, true, -1, 3}, "single: first click"},
        {0, {{3, _, _}, {3, _, _}}, "...x......", 3, 1, 3, {false, false, -1, -1}, "single: same row again"},
        {0, {{3, _, _}, {5, S, C}}, ".....x....", 5, 1, 5, {true, true, 3, 5}, "single: modifiers ignored"},
        {CSelectionModel::kSelectionDisabled, {{3, _, _}}, "..........", -1, 0, -1, {}, "selection disabled"},
        {kMultiple, {{3, _, _}}, "...x......", 3, 1, 3, {true, true, -1, 3}, "multiple: first click"},
        {kMultiple, {{3, _, _}, {3, _, _}}, "...x......", 3, 1, 3, {false, true, 3, 3}, "re-click the only row"},
        {kMultiple, {{3, _, _}, {5, _, C}}, "...x.x....", 5, 2, 3, {true, true, 5, -1}, "Ctrl adds"},
        {kMultiple, {{3, _, _}, {5, _, C}, {5, _, C}}, "...x......", 5, 1, 3, {true, true, 5, -1}, "Ctrl removes"},
        {kMultiple, {{3, _, _}, {3, _, C}}, "...x......", 3, 1, 3, {}, "Ctrl keeps the only row"},
        {kMultiple | CSelectionModel::kSelectionCtrlClearsLast, {{3, _, _}, {3, _, C}}, "..........", 3, 0, -1,
         {true, true, 3, -1}, "flag 4: Ctrl clears the only row"},
        {kMultiple, {{3, _, _}, {5, _, C}, {5, _, _}}, ".....x....", 5, 1, 5, {true, false, 3, 5},
         "plain click on one of two"},
        {kMultiple, {{3, _, _}, {7, S, _}}, "...xxxxx..", 7, 5, 3, {true, false, -1, -1}, "Shift 3 to 7"},
        {kMultiple, {{7, _, _}, {3, S, _}}, "...xxxxx..", 3, 5, 3, {true, false, -1, -1}, "Shift backwards"},
        {kMultiple, {{3, _, _}, {7, S, _}, {9, S, C}}, "...xxxxxxx", 7, 7, 3, {true, false, -1, -1},
         "Shift+Ctrl adds 7 to 9, current stays"},
        {kMultiple, {{4, S, C}}, "xxxxx.....", -1, 5, 0, {true, false, -1, -1},
         "Shift+Ctrl from nothing counts its rows (GetFirstSelected was -1)"},
        {kMultiple, {{2, S, _}}, "xxx.......", 2, 3, 0, {true, false, -1, -1}, "Shift from nothing anchors at 0"},
        {kMultiple, {{12, _, _}}, "..........", -1, 0, -1, {}, "outside the rows"},
    };
    for (const Case& c : cases) {
        CSelectionModel m = Model(c.flags, 10);
        Result r;
        for (const Click& k : c.clicks) r = m.Select(k.index, k.shift, k.ctrl);
        EXPECT_EQ(c.bits, Bits(m)) << c.rule;
        EXPECT_EQ(c.current, m.GetCurrent()) << c.rule;
        EXPECT_EQ(c.count, m.GetCount()) << c.rule;
        EXPECT_EQ(c.first, m.GetFirstSelected()) << c.rule;
        EXPECT_EQ(c.last.changed, r.changed) << c.rule;
        if (!r.changed) continue;
        EXPECT_EQ(c.last.simple, r.simple) << c.rule;
        if (r.simple) {
            EXPECT_EQ(std::make_pair(c.last.oldIndex, c.last.newIndex), std::make_pair(r.oldIndex, r.newIndex))
                << c.rule;
        }
    }
}

TEST(SelectionModel, InsertAndRemoveAroundTheSelectionAndTheCurrentRow) {
    // Multiple: rows 2..4 selected, 4 current. Single: row 4 current. n < 0 inserts a row at first.
    struct Case { uint32_t flags; int first, n; const char* bits; int current, count; const char* rule; } cases[] = {
        {kMultiple, 0, -1, "...xxx.....", 5, 3, "insert before"},
        {kMultiple, 3, -1, "..x.xx.....", 5, 3, "insert inside"},
        {kMultiple, 4, -1, "..xx.x.....", 5, 3, "insert at the current row moves it"},
        {kMultiple, 8, -1, "..xxx......", 4, 3, "insert after"},
        {kMultiple, 0, 2, "xxx.....", 2, 3, "remove before"},
        {kMultiple, 3, 1, "..xx.....", 3, 2, "remove inside, before the current row"},
        {kMultiple, 4, 2, "..xx....", -1, 2, "remove the current row"},
        {kMultiple, 7, 2, "..xxx...", 4, 3, "remove after"},
        {kMultiple, 1, 5, ".....", -1, 0, "remove all the selection"},
        {kMultiple, 8, 5, "..xxx...", 4, 3, "a range past the end is cut"},
        {0, 4, -1, ".....x.....", 5, 1, "single: insert at the current row moves it"},
        {0, 5, -1, "....x......", 4, 1, "single: insert after"},
        {0, 2, 2, "..x.....", 2, 1, "single: remove before"},
        {0, 3, 3, ".......", -1, 0, "single: remove the current row"},
        {0, 5, 2, "....x...", 4, 1, "single: remove after"},
    };
    for (const Case& c : cases) {
        CSelectionModel m = Model(c.flags, 10);
        m.Select(c.flags ? 2 : 4, false, false);
        if (c.flags) m.Select(4, true, false);
        c.n < 0 ? m.InsertItem(c.first) : m.Remove(c.first, c.n);
        EXPECT_EQ(c.bits, Bits(m)) << c.rule;
        EXPECT_EQ(c.current, m.GetCurrent()) << c.rule;
        EXPECT_EQ(c.count, m.GetCount()) << c.rule;
    }
}

// The rules in their plainest form, for the random run below.
struct Reference {
    std::vector<bool> bits;
    int current = -1;
    uint32_t flags = kMultiple;
    int Count() const { return static_cast<int>(std::count(bits.begin(), bits.end(), true)); }
    void Select(int i, bool shift, bool ctrl) {
        const int anchor = std::max(current, 0);
        if (shift) {
            if (!ctrl) {
                bits.assign(bits.size(), false);
                current = i;
            }
            for (int k = std::min(anchor, i); k <= std::max(anchor, i); ++k) bits[k] = true;
        } else if (ctrl) {
            if (Count() == 1 && bits[i] && !(flags & CSelectionModel::kSelectionCtrlClearsLast)) return;
            bits[i] = !bits[i];
            current = i;
        } else {
            bits.assign(bits.size(), false);
            bits[i] = true;
            current = i;
        }
    }
    void Insert(int i) {
        bits.insert(bits.begin() + i, false);
        if (current >= i) ++current;
    }
    void Remove(int first, int n) {
        const int end = std::min(first + n, static_cast<int>(bits.size()));
        if (first >= end) return;
        bits.erase(bits.begin() + first, bits.begin() + end);
        current = current >= end ? current - (end - first) : (current >= first ? -1 : current);
    }
};

TEST(SelectionModel, CountEqualsTheSelectedRowsThroughARandomRun) {
    for (uint32_t flags : {kMultiple, kMultiple | CSelectionModel::kSelectionCtrlClearsLast}) {
        std::mt19937 random(20240611u + flags);
        CSelectionModel m = Model(flags, 0);
        Reference ref{{}, -1, flags};
        for (int step = 0; step < 4000; ++step) {
            const int size = m.GetSize(), op = static_cast<int>(random() % 10);
            const int a = static_cast<int>(random() % (size + 1)), b = static_cast<int>(random() % 4);
            SCOPED_TRACE("step " + std::to_string(step) + ": op " + std::to_string(op) + " " + std::to_string(a) +
                         " " + std::to_string(b));
            if (op < 2 || size == 0) {
                m.InsertItem(a);
                ref.Insert(a);
            } else if (op == 2) {
                m.Remove(a % size, b);
                ref.Remove(a % size, b);
            } else if (op == 3 && b == 0) {
                m.ClearAll();
                m.SetCount(0);  // the caller's part of clearing
                ref.bits.assign(size, false);
            } else {
                m.Select(a % size, b & 1, b & 2);
                ref.Select(a % size, b & 1, b & 2);
            }
            std::string expected;
            for (bool bit : ref.bits) expected += bit ? 'x' : '.';
            ASSERT_EQ(expected, Bits(m));
            ASSERT_EQ(ref.current, m.GetCurrent());
            ASSERT_EQ(ref.Count(), m.GetCount());
            ASSERT_EQ(static_cast<int>(expected.find('x')), m.GetFirstSelected());
        }
    }
}

class ListWindow : public testing::Test {
protected:
    void SetUp() override {
        ui_testing::MoveMouseTo(1000, 740);  // no real input over the window unless a test asks
        root = new CUIContainer2;
        root->SetBackgroundColor(kRootBackground);
        window.SetRoot(root);
        hwnd = ui_testing::CreateTestWindow(window, 0, 0, 700, 500);
        ASSERT_NE(nullptr, hwnd);
        SetForegroundWindow(hwnd);
        SetFocus(hwnd);
        ui_testing::PumpFor(50);
    }
    void TearDown() override { DestroyWindow(hwnd); }

    void Mouse(UINT message, int x, int y, WPARAM keys = 0) { SendMessageW(hwnd, message, keys, MAKELPARAM(x, y)); }
    void Click(int x, int y, WPARAM keys = 0) {
        Mouse(WM_MOUSEMOVE, x, y, keys);
        Mouse(WM_LBUTTONDOWN, x, y, keys | MK_LBUTTON);
        Mouse(WM_LBUTTONUP, x, y, keys);
    }
    void Key(UINT vk) { SendMessageW(hwnd, WM_KEYDOWN, vk, 1); }
    uint32_t Pixel(int x, int y) {
        UpdateWindow(hwnd);
        return ui_testing::SurfacePixel(window, x, y);
    }
    // The palette entries' colours laid one over the other (most have alpha) on the root's background.
    uint32_t Shown(std::initializer_list<int> entries) const {
        uint32_t colour = kRootBackground;
        for (int entry : entries) colour = AlphaComposite(skin.GetColor(entry), colour);
        return colour & 0xFFFFFF;
    }

public:
    void OnEvent(EventData& e) { events.push_back({e.id, static_cast<int>(e.p1)}); }

    CDuiSkinManager skin{L"微软雅黑", 210, 0.5, 0.4, 0};
    CDuiWindow window;
    CUIContainer2* root = nullptr;
    HWND hwnd = NULL;
    std::vector<std::pair<int, int>> events;
};

class ListBox : public ListWindow {
protected:
    CUIListBoxString* Make(uint32_t style, int items, int id = 1) {
        CUIListBoxString* list = new CUIListBoxString;
        EXPECT_TRUE(list->Create(root, kShown | kScrollHasVertical | style, UIRect(220 * id - 210, 10, 200, 150), id));
        for (int i = 0; i < items; ++i) list->InsertString(-1, (L"项目 " + std::to_wstring(i)).c_str());
        list->BindEvent(kEventClick, static_cast<ListWindow*>(this), &ListWindow::OnEvent);
        list->BindEvent(kEventSelectionChanged, static_cast<ListWindow*>(this), &ListWindow::OnEvent);
        view = list->GetListView();
        h = view->GetItemHeight();
        return list;
    }
    // Window point inside item i of a list at the top, x just inside the item's left gap.
    POINT At(int i) const {
        const UIRect v = view->GetWindowRect();
        return POINT{v.x + 1, v.y + i * h + h / 2};
    }

    CUIListBoxViewBase* view = nullptr;
    int h = 0;
};

TEST_F(ListBox, ItemFromPointIncludingAboveTheFirstRow) {
    CUIListBoxString* list = Make(0, 20);
    EXPECT_EQ(static_cast<int>(24 * g_dpiFactor), h);
    struct Case { int scroll, y, item; const char* rule; } cases[] = {
        {0, 0, 0, "top"},         {0, h - 1, 0, "last pixel of row 0"}, {0, h, 1, "row 1"},
        {0, -1, -1, "above the first row (division rounds toward zero)"},
        {h / 2, -h / 2, 0, "scrolled: the first row's top"},
        {h / 2, -h / 2 - 1, -1, "scrolled: just above it"},
        {list->GetContentHeight() - list->GetViewHeight(), list->GetViewHeight() - 1, 19, "the end"},
    };
    for (const Case& c : cases) {
        list->ScrollToY(c.scroll, false);
        EXPECT_EQ(c.item, view->ItemFromPoint(POINT{5, c.y})) << c.rule;
    }
    list->RemoveItems(0, 15);
    ASSERT_TRUE(PumpUntil([&] { return list->GetScrollY() == 0; }, 10000)) << "pulled back to the new end";
    EXPECT_EQ(-1, view->ItemFromPoint(POINT{5, 5 * h})) << "below the last item";
}

TEST_F(ListBox, HotAndPressedItemsAndTheirColours) {
    Make(0, 20);
    Mouse(WM_MOUSEMOVE, At(2).x, At(2).y);
    EXPECT_EQ(-1, view->GetHotItem()) << "without hover-select the mouse makes no item hot";
    EXPECT_TRUE(view->SetHotItem(2));
    EXPECT_FALSE(view->SetHotItem(2));
    EXPECT_PRED2(Near2, Shown({8, 58}), Pixel(At(2).x, At(2).y)) << "hot fill";
    EXPECT_PRED2(Near2, Shown({8}), Pixel(At(1).x, At(1).y)) << "background";
    Mouse(WM_LBUTTONDOWN, At(3).x, At(3).y, MK_LBUTTON);
    EXPECT_EQ(3, view->GetPressedItem());
    EXPECT_EQ(3, view->GetCurSel()) << "selected on the button down";
    Mouse(WM_LBUTTONUP, At(3).x, At(3).y);
    EXPECT_EQ(-1, view->GetPressedItem());
    EXPECT_PRED2(Near2, Shown({8, 59}), Pixel(At(3).x, At(3).y)) << "selected fill";

    view = Make(kListBoxHoverSelects, 20, 2)->GetListView();
    Mouse(WM_MOUSEMOVE, At(4).x, At(4).y);
    EXPECT_EQ(4, view->GetHotItem());
    EXPECT_EQ(-1, view->GetCurSel()) << "hovering selects nothing";
    EXPECT_PRED2(Near2, Shown({8, 59}), Pixel(At(4).x, At(4).y)) << "the hot item is drawn as selected";
    Mouse(WM_MOUSEMOVE, At(5).x, At(5).y);
    EXPECT_EQ(5, view->GetHotItem());
    EXPECT_PRED2(Near2, Shown({8}), Pixel(At(4).x, At(4).y));
}

TEST_F(ListBox, ClickRaisesEventZeroOnceAndEventOneOnlyOnAChange) {
    CUIListBoxString* list = Make(0, 20);
    typedef std::vector<std::pair<int, int>> Events;
    Click(At(3).x, At(3).y);
    EXPECT_EQ((Events{{kEventClick, 3}, {kEventSelectionChanged, 3}}), events);
    events.clear();
    Click(At(3).x, At(3).y);
    EXPECT_EQ((Events{{kEventClick, 3}}), events) << "re-clicking the selected item";
    events.clear();
    Key(VK_DOWN);
    EXPECT_EQ((Events{{kEventSelectionChanged, 4}}), events) << "the keyboard never raises event 0";
    events.clear();
    EXPECT_TRUE(list->SetCurSel(-1));
    EXPECT_FALSE(list->SetCurSel(20));
    EXPECT_TRUE(events.empty()) << "SetCurSel raises nothing";

    // Removing keeps the selection on its item, or clears it with the item.
    list->SetCurSel(5);
    EXPECT_EQ(2, list->RemoveItems(0, 2));
    EXPECT_EQ(3, list->GetCurSel());
    EXPECT_EQ(0, list->RemoveItems(10, 50)) << "a range that does not fit";
    EXPECT_EQ(1, list->RemoveItems(-1, 1));
    EXPECT_EQ(17, list->GetItemCount());
    EXPECT_EQ(1, list->RemoveItems(3, 1));
    EXPECT_EQ(-1, list->GetCurSel());
}

TEST_F(ListBox, KeyboardMovesTheSelectionAndScrollsItIntoView) {
    CUIListBoxString* list = Make(0, 20);
    Click(At(0).x, At(0).y);  // the focus
    list->SetCurSel(-1);
    events.clear();
    const int viewHeight = view->GetRect().height;
    enum { kSame, kTop, kBottom };
    struct Case { UINT vk; int selected, align, item; const char* rule; bool clearFirst = false; } cases[] = {
        {VK_DOWN, 0, kSame, 0, "down with nothing selected: the first"},
        {VK_NEXT, 3, kSame, 0, "page down: three on, still visible"},
        {VK_NEXT, 6, kBottom, 6, "page down below the view: its bottom at the view's"},
        {VK_UP, 5, kSame, 0, "visible: no scroll"},
        {VK_PRIOR, 2, kSame, 0, "page up, visible"},
        {VK_PRIOR, 0, kTop, 0, "page up stops at the first, scrolled to the top"},
        {VK_UP, 0, kSame, 0, "up on the first: nothing"},
        {VK_HOME, 0, kSame, 0, "other keys do nothing"},
        {VK_UP, 19, kBottom, 19, "up with nothing selected: the last", true},
        {VK_DOWN, 19, kSame, 0, "down on the last: nothing"},
    };
    int expectedEvents = 0;
    for (const Case& c : cases) {
        if (c.clearFirst) list->SetCurSel(-1);
        const int before = list->GetTargetY();
        const int old = view->GetCurSel();
        Key(c.vk);
        EXPECT_EQ(c.selected, view->GetCurSel()) << c.rule;
        expectedEvents += old != c.selected;
        EXPECT_EQ(expectedEvents, static_cast<int>(events.size())) << c.rule;
        const int target = c.align == kSame ? before : c.align == kTop ? c.item * h : (c.item + 1) * h - viewHeight;
        EXPECT_EQ(target, list->GetTargetY()) << c.rule;
        EXPECT_TRUE(PumpUntil([&] { return list->GetScrollY() == list->GetTargetY(); }, 10000)) << c.rule;
    }
}

// A list box whose view keeps its poisoned memory once deleted.
class QuarantinedListBox : public CUIListBoxString {
    CUIControl* CreateView(const ViewCreateInfo& info) override {
        auto* view = new ui_testing::Quarantined<CUIListBoxViewString>;
        if (view->Create(info.parent, info.flags | kControlFocusable, info.rect, info.id, info.arg)) return view;
        delete view;
        return nullptr;
    }
};

// A handler may destroy the list (a dialog rebuilding itself, or closing):
// the view then touches nothing of itself, neither to raise the next event
// nor to scroll the item into view.
TEST_F(ListBox, AHandlerMayDestroyTheListWhoseEventItIsHandling) {
    for (int event : {kEventClick, kEventSelectionChanged}) {
        CUIListBoxString* list = new QuarantinedListBox;
        ASSERT_TRUE(list->Create(root, kShown | kScrollHasVertical, UIRect(10, 10, 200, 150), 1));
        for (int i = 0; i < 20; ++i) list->InsertString(-1, L"项目");
        view = list->GetListView();
        h = view->GetItemHeight();
        view->SetFocus(kFocusByProgram);
        ui_testing::ControlDestroyer destroyer{list};
        list->BindEvent(event, &destroyer, &ui_testing::ControlDestroyer::OnEvent);
        if (event == kEventClick) {
            Click(At(3).x, At(3).y);
        } else {
            list->SetCurSel(5);
            Key(VK_NEXT);
        }
        EXPECT_EQ(nullptr, root->GetChild(1)) << event;
        EXPECT_TRUE(ui_testing::QuarantineUntouched()) << event;
        ui_testing::ReleaseQuarantine();
    }
}

// A cell that counts its deletions.
struct CountedCell : CUIListBodyString::Item {
    CountedCell(const wchar_t* text, int* deaths_) : Item(text), deaths(deaths_) {}
    ~CountedCell() override { ++*deaths; }
    int* deaths;
};

class ListCtrl : public ListWindow {
protected:
    CUIListCtrlString* Make(uint32_t style) {
        CUIListCtrlString* list = new CUIListCtrlString;
        EXPECT_TRUE(list->Create(root, kShown | kScrollHasVertical | kScrollHasHorizontal | style,
                                 UIRect(10, 10, 400, 250), 1));
        list->BindEvent(kEventSelectionChanged, static_cast<ListWindow*>(this), &ListWindow::OnEvent);
        body = list->GetBody();
        return list;
    }
    // Window point in the middle of a row, x pixels into the body.
    POINT Row(int row, int x = 3) const {
        const UIRect b = body->GetWindowRect();
        return POINT{b.x + x, b.y + row * body->GetRowHeight() + body->GetRowHeight() / 2};
    }
    // Pixels in the cell's rect, inset by 2, that differ from colour.
    int Inked(int column, int row, uint32_t colour) {
        UIRect r;
        body->GetCellRect(column, row, r);
        const UIRect b = body->GetWindowRect();
        UpdateWindow(hwnd);
        int n = 0;
        for (int y = r.y + 2; y < r.y + r.height - 2; ++y) {
            for (int x = r.x + 2; x < r.x + r.width - 2; ++x) {
                n += !Near2(colour, ui_testing::SurfacePixel(window, b.x + x, b.y + y));
            }
        }
        return n;
    }

    internal::CUIListBodyBase* body = nullptr;
};

TEST_F(ListCtrl, ColumnsRowsAndStripes) {
    CUIListCtrlString* list = Make(0);
    EXPECT_EQ(-1, body->InsertRow(-1)) << "no row before a column";
    struct Case { int index, width, min, result, storedWidth, storedMin; const char* rule; } cases[] = {
        {-1, 100, 5, 0, 100, 20, "minimum 5 is stored as 20"},
        {-1, 10, 30, 1, 30, 30, "width 10 with minimum 30 is 30 wide"},
        {0, 50, 0, 0, 50, 20, "inserted in front"},
        {4, 50, 0, -1, 0, 0, "beyond the columns"},
        {-2, 50, 0, -1, 0, 0, "below -1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result, body->InsertColumn(c.index, L"列", c.width, c.min)) << c.rule;
        if (c.result < 0) continue;
        EXPECT_EQ(c.storedWidth, body->GetColumn(c.result)->width) << c.rule;
        EXPECT_EQ(c.storedMin, body->GetColumn(c.result)->minWidth) << c.rule;
    }
    EXPECT_EQ(3, body->GetColumnCount());
    EXPECT_EQ(180, body->GetTotalWidth());
    EXPECT_EQ(180, list->GetContentWidth());
    for (int i = 0; i < 30; ++i) EXPECT_EQ(i, body->InsertRow(0)) << "rows are appended";
    EXPECT_EQ(30 * body->GetRowHeight(), list->GetContentHeight());
    EXPECT_EQ(static_cast<int>(22 * g_dpiFactor), body->GetRowHeight());

    CUIListBodyString::Item* cell = new CUIListBodyString::Item(L"x");
    ASSERT_TRUE(body->SetCell(1, 1, cell));
    EXPECT_EQ(1, body->InsertColumn(1, L"新", 40, 0));
    EXPECT_EQ(cell, body->GetCell(2, 1)) << "cells move with their column";
    EXPECT_EQ(nullptr, body->GetCell(1, 1));
    EXPECT_TRUE(body->SetColumnWidth(0, 5));
    EXPECT_EQ(20, body->GetColumn(0)->width) << "never below the minimum";
    EXPECT_TRUE(body->SetColumnWidth(3, -1));
    EXPECT_EQ(body->GetRect().width, body->GetTotalWidth()) << "the last column fills the body";
    EXPECT_FALSE(body->SetColumnWidth(4, 10));

    // Stripes: entry 121 on even rows, 120 on odd ones, 122 over a selected row; grid lines in 119.
    EXPECT_PRED2(Near2, Shown({121}), Pixel(Row(0).x, Row(0).y));
    EXPECT_PRED2(Near2, Shown({120}), Pixel(Row(1).x, Row(1).y));
    EXPECT_PRED2(Near2, Shown({121, 119}), Pixel(Row(0, 19).x, Row(0).y)) << "column 0's right edge";
    EXPECT_TRUE(list->SelectRow(1));
    EXPECT_FALSE(list->SelectRow(30));
    EXPECT_PRED2(Near2, Shown({120, 122}), Pixel(Row(1).x, Row(1).y));
    EXPECT_TRUE(list->EnsureRowVisible(10));
    EXPECT_EQ(10 * body->GetRowHeight(), list->GetScrollY()) << "the row at the top at once";
}

TEST_F(ListCtrl, RealDragOnADividerResizesItsColumn) {
    Make(0);
    body->InsertColumn(-1, L"名称", 120, 60);
    body->InsertColumn(-1, L"大小", 80, 0);
    const auto* header = static_cast<internal::CUIListCtrlViewBase*>(body->GetParent())->GetHeader();
    const UIRect hr = header->GetWindowRect();
    EXPECT_EQ(static_cast<int>(24 * g_dpiFactor), hr.height);
    const int x = hr.x + 120, y = hr.y + hr.height / 2;  // window and screen coincide
    ui_testing::MoveMouseTo(x - 3, y);
    ui_testing::MoveMouseTo(x - 2, y);  // the cursor is asked for before each move is handled
    EXPECT_TRUE(header->IsOverDivider());
    EXPECT_EQ(0, header->GetSizingColumn());
    EXPECT_EQ(skin.GetResizeCursor(), GetCursor()) << "the resize cursor over the divider";
    ui_testing::DragMouse(x - 2, y, x + 38, y);
    EXPECT_EQ(160, body->GetColumn(0)->width);
    EXPECT_EQ(240, body->GetTotalWidth());
    ui_testing::DragMouse(x + 40, y, x - 100, y);
    EXPECT_EQ(60, body->GetColumn(0)->width) << "the drag stops at the minimum";
    ui_testing::MoveMouseTo(x - 31, y);
    ui_testing::MoveMouseTo(x - 30, y);
    EXPECT_FALSE(header->IsOverDivider()) << "the middle of column 1";
    EXPECT_NE(skin.GetResizeCursor(), GetCursor());
}

// Wine's GDI+ only clips where the string format asks for an ellipsis, so
// "26.1-snapshot-10" and "-11" both read "26.1-snapshot-1" with nothing to
// tell that they were cut. The kept part is the longest that fits with "…".
TEST_F(ListCtrl, CutTextsEndInAnEllipsis) {
    Gdiplus::Graphics* g = skin.GetMeasureGraphics();
    const Gdiplus::Font* font = skin.GetFont(1);
    const Gdiplus::StringFormat* format = skin.GetStringFormat(6);
    auto width = [&](const std::wstring& text) {
        Gdiplus::RectF box;
        g->MeasureString(text.c_str(), static_cast<INT>(text.size()), font, Gdiplus::PointF(0, 0), format, &box);
        return box.Width;
    };
    const std::wstring id = L"26.1-snapshot-10";
    const float whole = width(id);
    EXPECT_EQ(16, FitTextBeforeEllipsis(g, id.c_str(), 16, font, whole, format)) << "the whole text fits";
    for (float w : {whole - 1, whole / 2, 1.0f}) {
        const int kept = FitTextBeforeEllipsis(g, id.c_str(), 16, font, w, format);
        EXPECT_LT(kept, 16) << w;
        if (kept > 0) {
            EXPECT_LE(width(id.substr(0, kept) + L"\u2026"), w) << w;
        }
        EXPECT_GT(width(id.substr(0, kept + 1) + L"\u2026"), w) << w << ": one more character would fit";
    }
    std::wstring pairs;
    for (int i = 0; i < 8; ++i) pairs += L"\xD83D\xDE00";
    for (float w = 1; w < width(pairs); w += 3) {
        EXPECT_EQ(0, FitTextBeforeEllipsis(g, pairs.c_str(), 16, font, w, format) % 2) << "a pair split at " << w;
    }

    // Drawn: the rightmost ink of a cut id is the ellipsis's dots, low on the line, where a
    // whole id ends in a digit as tall as the text.
    Make(0);
    const int indent = static_cast<int>(4 * g_dpiFactor);
    body->InsertColumn(-1, L"版本", static_cast<int>(whole * 0.8f) + 2 * indent, 20);
    body->InsertColumn(-1, L"", static_cast<int>(whole) + 4 * indent, 20);
    for (const wchar_t* text : {L"26.1-snapshot-10", L"26.1-snapshot-11"}) {
        const int row = body->InsertRow(-1);
        body->SetCell(0, row, new CUIListBodyString::Item(text));
        body->SetCell(1, row, new CUIListBodyString::Item(text));
    }
    UpdateWindow(hwnd);
    const UIRect b = body->GetWindowRect();
    // Height of the ink in the two rightmost inked pixel columns of a cell.
    auto endHeight = [&](int column, int row) {
        UIRect r;
        body->GetCellRect(column, row, r);
        const uint32_t ground = ui_testing::SurfacePixel(window, b.x + r.x + 1, b.y + r.y + r.height / 2);
        auto ink = [&](int x, int y) {
            return !ui_testing::NearWithin(ground, ui_testing::SurfacePixel(window, b.x + x, b.y + y), 60);
        };
        int right = -1, top = r.y + r.height, bottom = -1;
        for (int x = r.x + r.width - 2; x > r.x && right < 0; --x) {
            for (int y = r.y + 1; y < r.y + r.height - 1 && right < 0; ++y) right = ink(x, y) ? x : -1;
        }
        for (int x = right - 1; right > 0 && x <= right; ++x) {
            for (int y = r.y + 1; y < r.y + r.height - 1; ++y) {
                if (!ink(x, y)) continue;
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        return bottom - top + 1;
    };
    for (int row : {0, 1}) {
        const int digit = endHeight(1, row), cut = endHeight(0, row);
        EXPECT_GT(digit, static_cast<int>(5 * g_dpiFactor)) << row;
        EXPECT_LT(cut * 2, digit) << row << ": the cut text does not end in the ellipsis";
    }
}

TEST_F(ListCtrl, CellsAreReplacedAndOwned) {
    CUIListCtrlString* list = Make(0);
    body->InsertColumn(-1, L"名称", 150, 0);
    body->InsertRow(-1);
    body->InsertRow(-1);
    int deaths = 0;
    CountedCell* a = new CountedCell(L"██████", &deaths);
    const uint32_t stripe = Shown({121});
    EXPECT_EQ(0, Inked(0, 0, stripe));
    ASSERT_TRUE(list->SetCell(0, 0, a));
    EXPECT_GT(Inked(0, 0, stripe), 0) << "the text is painted";
    EXPECT_TRUE(list->SetCell(0, 0, a)) << "the item the cell holds";
    EXPECT_EQ(0, deaths) << "setting the cell's own item again must not delete it";
    EXPECT_EQ(a, body->GetCell(0, 0));
    CountedCell* b = new CountedCell(L"b", &deaths);
    EXPECT_TRUE(list->SetCell(0, 0, b));
    EXPECT_EQ(1, deaths) << "the old item is deleted";
    CountedCell* c = new CountedCell(L"c", &deaths);
    EXPECT_FALSE(list->SetCell(1, 0, c));
    EXPECT_FALSE(list->SetCell(0, 2, c));
    EXPECT_EQ(1, deaths) << "a refused item stays the caller's";
    delete c;
    EXPECT_TRUE(list->SetCell(0, 0, nullptr));
    EXPECT_EQ(0, Inked(0, 0, stripe)) << "an empty cell shows the stripe";
    list->SetCell(0, 1, new CountedCell(L"d", &deaths));
    body->DeleteAllRows();
    EXPECT_EQ(4, deaths) << "b and d";
    EXPECT_EQ(0, list->GetContentHeight());
    body->InsertRow(-1);
    list->SetCell(0, 0, new CountedCell(L"e", &deaths));
    list->Destroy();
    EXPECT_EQ(5, deaths) << "the list deletes its cells";
}

TEST_F(ListCtrl, ClicksSelectRowsAndRaiseEventOne) {
    Make(kListCtrlMultipleSelection);
    body->InsertColumn(-1, L"名称", 150, 0);
    for (int i = 0; i < 6; ++i) body->InsertRow(-1);
    const CSelectionModel& selection = body->GetSelection();
    struct Case { int row; WPARAM keys; const char* bits; int events; const char* rule; } cases[] = {
        {1, 0, ".x....", 1, "click"},
        {3, MK_CONTROL, ".x.x..", 2, "Ctrl adds"},
        {3, MK_CONTROL, ".x....", 3, "Ctrl on a selected row deselects it"},
        {1, MK_CONTROL, ".x....", 3, "but not the only one"},
        {8, 0, ".x....", 3, "below the last row: nothing"},
        {4, MK_SHIFT, "...xx.", 4, "Shift extends from the current row, the last Ctrl-clicked"},
    };
    for (const Case& c : cases) {
        Click(Row(c.row).x, Row(c.row).y, c.keys);
        EXPECT_EQ(c.bits, Bits(selection)) << c.rule;
        EXPECT_EQ(c.events, static_cast<int>(events.size())) << c.rule;
    }
    EXPECT_EQ((std::pair<int, int>(kEventSelectionChanged, 0)), events.back());
    EXPECT_PRED2(Near2, Shown({120, 122}), Pixel(Row(3).x, Row(3).y));
}

TEST_F(ListCtrl, WheelScrolledPictureEqualsAFreshPaint) {
    // Each frame of a smooth scroll moves the rows already drawn and paints
    // only what comes into view and where the thumb was and is.
    CUIListCtrlString* list = Make(0);
    for (const wchar_t* title : {L"版本", L"类型", L"时间"}) body->InsertColumn(-1, title, 120, 0);
    for (int row = 0; row < 300; ++row) {
        body->InsertRow(-1);
        const std::wstring n = std::to_wstring(row);
        const std::wstring cells[] = {L"1." + n + L"-pre", row % 3 ? L"快照" : L"正式版", L"2014-06-" + n};
        for (int column = 0; column < 3; ++column) {
            list->SetCell(column, row, new CUIListBodyString::Item(cells[column].c_str()));
        }
    }
    list->SelectRow(7);
    const UIRect r = list->GetWindowRect();
    auto picture = [&] {
        UpdateWindow(hwnd);
        std::vector<uint32_t> pixels;
        for (int y = r.y; y < r.y + r.height; ++y) {
            for (int x = r.x; x < r.x + r.width; ++x) pixels.push_back(ui_testing::SurfacePixel(window, x, y));
        }
        return pixels;
    };
    picture();
    const int thumbBefore = list->GetVerticalBar()->GetScrollPos();
    // Notches faster than the animation, so each starts from the value on
    // screen; then back up part of the way.
    for (int delta : {-WHEEL_DELTA, -WHEEL_DELTA, -WHEEL_DELTA, -WHEEL_DELTA, WHEEL_DELTA, WHEEL_DELTA}) {
        SendMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(r.x + 50, r.y + 80));
        ui_testing::PumpFor(25);
    }
    ASSERT_TRUE(PumpUntil([&] { return list->GetScrollY() == list->GetTargetY(); }, 10000));
    EXPECT_EQ(6 * body->GetRowHeight(), list->GetScrollY());
    EXPECT_NE(thumbBefore, list->GetVerticalBar()->GetScrollPos());
    const std::vector<uint32_t> scrolled = picture();
    RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(scrolled == picture()) << "the rows, the header and the bar as a fresh paint shows them";
}

}  // namespace
