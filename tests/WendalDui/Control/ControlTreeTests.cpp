// The control tree inside a real, hidden window: creation, hit testing,
// mouse routing, Tab order, inherited state, paint clipping and removal.
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "Core/UiTestSupport.h"
#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Control/UIContainerShadow.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/SkinPaint.h"

namespace {

using namespace wendaldui;
using ui_testing::PumpFor;

constexpr uint32_t kShown = kControlVisible | kControlRectInPixels;
constexpr uint32_t kTab = kShown | kControlTabStop;

// Writes every call it gets into a shared journal as "name:event".
class Probe : public CUIContainer2 {
public:
    Probe(std::vector<std::string>& journal, const char* name) : m_journal(journal), m_name(name) {}
    ~Probe() override { Log("deleted"); }

    void OnCreate(void*) override { Log("create"); }
    void OnLButtonDown(WPARAM keys, int x, int y) override {
        Log("down@" + std::to_string(x) + "," + std::to_string(y));
        CUIContainer2::OnLButtonDown(keys, x, y);
    }
    void OnLButtonDblClk(WPARAM keys, int x, int y) override {
        Log("dblclk");
        CUIContainer2::OnLButtonDblClk(keys, x, y);
    }
    void OnLButtonUp(WPARAM keys, int x, int y) override {
        Log("up@" + std::to_string(x) + "," + std::to_string(y));
        CUIContainer2::OnLButtonUp(keys, x, y);
    }
    void OnMouseMove(WPARAM keys, int x, int y) override {
        Log("move");
        CUIContainer2::OnMouseMove(keys, x, y);
    }
    void OnMouseEnter() override { Log("enter"); }
    void OnMouseLeave() override {
        Log("leave");
        CUIContainer2::OnMouseLeave();
        if (onLeave) onLeave();
    }
    void OnSetFocus(int reason) override { Log("setfocus" + std::to_string(reason)); }
    void OnKillFocus() override {
        Log("killfocus");
        CUIContainer2::OnKillFocus();
        if (onKillFocus) onKillFocus();
    }
    void OnTimer(UINT localId) override { Log("timer"); }
    void OnPostedCall(UINT code, WPARAM, LPARAM) override { Log("posted"); }
    void OnEnable(bool enabled) override {
        Log(enabled ? "enable" : "disable");
        CUIContainer2::OnEnable(enabled);
    }
    void OnShow(bool visible) override {
        Log(visible ? "show" : "hide");
        CUIContainer2::OnShow(visible);
    }
    void OnPaint(PaintContext& context) override {
        Gdiplus::Rect clip;
        context.graphics->GetVisibleClipBounds(&clip);
        paints.push_back({context.dirty, context.rect, UIRect(clip.X, clip.Y, clip.Width, clip.Height)});
        CUIContainer2::OnPaint(context);
    }

    struct Paint {
        UIRect dirty, rect, clip;
    };
    std::vector<Paint> paints;
    // Run after the call is logged, as a handler that changes the tree would.
    std::function<void()> onLeave, onKillFocus;

private:
    void Log(const std::string& event) {
        if (!m_name.empty()) m_journal.push_back(m_name + ":" + event);
    }
    std::vector<std::string>& m_journal;
    std::string m_name;
};

class ControlTree : public testing::Test {
protected:
    void SetUp() override {
        m_root = new Probe(journal, "");  // the root keeps no journal
        m_window.SetRoot(m_root);
        hwnd = ui_testing::CreateTestWindow(m_window, 0, 0, 300, 200);
        ASSERT_NE(nullptr, hwnd);
        SetForegroundWindow(hwnd);
        SetFocus(hwnd);
        PumpFor(50);
        ASSERT_TRUE(m_window.HasFocus());
        journal.clear();
    }
    void TearDown() override {
        DestroyWindow(hwnd);
        SetKeyState(VK_SHIFT, false);
        SetKeyState(VK_CONTROL, false);
    }

    Probe* Add(CUIContainer* parent, const char* name, int id, uint32_t flags, UIRect rect) {
        Probe* probe = new Probe(journal, name);
        EXPECT_TRUE(probe->Create(parent, flags, rect, id));
        return probe;
    }
    void Mouse(UINT message, int x, int y, WPARAM keys = 0) { SendMessageW(hwnd, message, keys, MAKELPARAM(x, y)); }
    void Key(UINT vk) { SendMessageW(hwnd, WM_KEYDOWN, vk, 1); }
    static void SetKeyState(int vk, bool down) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[vk] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    CUIControl* Focused() { return m_root->GetFocusedControl(); }
    std::vector<std::string> Take() {
        std::vector<std::string> taken;
        taken.swap(journal);
        return taken;
    }

    std::vector<std::string> journal;
    CDuiWindow m_window;
    Probe* m_root = nullptr;
    HWND hwnd = NULL;
};

TEST_F(ControlTree, CreateScalesInheritsAndRefusesADuplicateId) {
    Probe* a = Add(m_root, "a", 1, kControlVisible | kControlTabStop, UIRect(10, 20, 30, 40));
    EXPECT_EQ(DpiScaleRect(UIRect(10, 20, 30, 40)), a->GetRect());
    EXPECT_EQ(kControlVisible | kControlTabStop | kControlFocusable, a->GetFlags());
    EXPECT_EQ(kStateAncestorsVisible, a->GetState());

    Probe twin(journal, "twin");
    EXPECT_FALSE(twin.Create(m_root, kShown, UIRect(0, 0, 5, 5), 1));
    EXPECT_EQ(nullptr, twin.GetParent());
    EXPECT_EQ(a, m_root->GetChild(1));

    Probe* hidden = Add(m_root, "hidden", 2, kControlRectInPixels | kControlDisabled, UIRect(0, 0, 5, 5));
    Probe* below = Add(hidden, "below", 1, kShown, UIRect(0, 0, 5, 5));  // ids are per parent
    EXPECT_EQ(kStateAncestorDisabled, below->GetState());
    EXPECT_FALSE(below->IsEffectivelyVisible());
    EXPECT_FALSE(below->IsEffectivelyEnabled());
    EXPECT_EQ((std::vector<std::string>{"a:create", "hidden:create", "below:create"}), Take());

    // 0x04 belongs to the control; a plain control refuses to change it.
    CUIControl* plain = new CUIControl;
    ASSERT_TRUE(plain->Create(m_root, kShown | kControlFocusable, UIRect(0, 0, 1, 1), 3));
    EXPECT_EQ(kShown | kControlFocusable, plain->SetFlags(kShown));
    EXPECT_EQ(kShown | kControlFocusable | kControlDisabled, plain->SetFlags(kControlDisabled | kShown));
}

TEST_F(ControlTree, HitTestPassesOverTransparentDisabledAndHiddenChildren) {
    Probe* bottom = Add(m_root, "bottom", 1, kShown, UIRect(0, 0, 100, 100));
    Probe* top = Add(m_root, "top", 2, kShown, UIRect(50, 50, 100, 100));
    CUIControl* hit = nullptr;
    EXPECT_EQ(kHitNothing, m_root->HitTest(60, 60, hit));  // containers are transparent
    CUIControl* inner = new CUIControl;
    ASSERT_TRUE(inner->Create(top, kShown, UIRect(0, 0, 20, 20), 1));
    EXPECT_EQ(kHitClient, m_root->HitTest(60, 60, hit));
    EXPECT_EQ(inner, hit);

    Take();
    Mouse(WM_LBUTTONDOWN, 60, 60, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 60, 60);
    EXPECT_EQ((std::vector<std::string>{"top:down@10,10", "top:up@10,10"}), Take());
    // Over the same place: a mouse-transparent, a disabled and a hidden one.
    const uint32_t passedOver[] = {kShown | kControlMouseTransparent, kShown | kControlDisabled, kControlRectInPixels};
    for (uint32_t flags : passedOver) {
        Probe* over = Add(m_root, "over", 3, flags, UIRect(40, 40, 100, 100));
        EXPECT_EQ(kHitClient, m_root->HitTest(60, 60, hit)) << flags;
        EXPECT_EQ(inner, hit);
        Take();
        Mouse(WM_LBUTTONDOWN, 60, 60, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, 60, 60);
        EXPECT_EQ((std::vector<std::string>{"top:down@10,10", "top:up@10,10"}), Take()) << flags;
        over->Destroy();
    }
    top->Enable(false);
    Take();
    Mouse(WM_LBUTTONDOWN, 60, 60, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 60, 60);
    EXPECT_EQ((std::vector<std::string>{"bottom:down@60,60", "bottom:up@60,60"}), Take());
    bottom->SetFlags(kControlRectInPixels);
    Take();
    Mouse(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    EXPECT_TRUE(Take().empty());

    // A drag area answers "caption" where no child is, "client" on its children.
    top->Enable(true);
    m_root->SetFlags(m_root->GetFlags() | kContainerDragArea);
    EXPECT_EQ(kHitCaption, m_root->HitTest(200, 20, hit));
    EXPECT_EQ(HTCAPTION, SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(200, 20)));
    EXPECT_EQ(kHitClient, m_root->HitTest(60, 60, hit));
}

TEST_F(ControlTree, MouseCaptureHotEnterAndLeave) {
    Probe* a = Add(m_root, "a", 1, kShown, UIRect(0, 0, 50, 50));
    Probe* b = Add(m_root, "b", 2, kShown | kControlDoubleClicks, UIRect(100, 0, 50, 50));
    Take();
    Mouse(WM_MOUSEMOVE, 10, 10);
    Mouse(WM_MOUSEMOVE, 110, 10);
    Mouse(WM_MOUSEMOVE, 200, 100);
    EXPECT_EQ((std::vector<std::string>{"a:enter", "a:move", "a:leave", "b:enter", "b:move", "b:leave"}), Take());

    // Held left button without capture: the hot child stays as it is.
    Mouse(WM_MOUSEMOVE, 10, 10, MK_LBUTTON);
    EXPECT_EQ(nullptr, m_root->GetHotChild());
    // With capture the button-down child gets the moves and the button-up.
    Mouse(WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
    EXPECT_EQ(a, m_root->GetCaptureChild());
    Mouse(WM_MOUSEMOVE, 120, 10, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 120, 10);
    EXPECT_EQ(nullptr, m_root->GetCaptureChild());
    EXPECT_EQ((std::vector<std::string>{"a:down@10,10", "a:move", "a:up@120,10"}), Take());

    // A double click is a second button-down unless the child asks for it.
    Mouse(WM_LBUTTONDBLCLK, 10, 10, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 10, 10);
    Mouse(WM_LBUTTONDBLCLK, 110, 10, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 110, 10);
    EXPECT_EQ((std::vector<std::string>{"a:down@10,10", "a:up@10,10", "b:dblclk", "b:up@10,10"}), Take());
    EXPECT_EQ(nullptr, b->GetParent()->GetCaptureChild());

    Mouse(WM_MOUSEMOVE, 110, 10);
    SendMessageW(hwnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ((std::vector<std::string>{"b:enter", "b:move", "b:leave"}), Take());
    EXPECT_EQ(nullptr, m_root->GetHotChild());

    // The old hot child's leave handler removes the one the mouse moved onto:
    // the removed child gets neither the enter nor the move.
    a->onLeave = [&] { m_root->RemoveChild(b); };
    Mouse(WM_MOUSEMOVE, 10, 10);
    Mouse(WM_MOUSEMOVE, 110, 10);
    EXPECT_EQ(nullptr, m_root->GetHotChild());
    EXPECT_EQ((std::vector<std::string>{"a:enter", "a:move", "a:leave", "b:deleted"}), Take());
}

TEST_F(ControlTree, TabWalksTabStopsInOrderAndWraps) {
    // root { a, box { b, c (disabled) }, d (hidden), e }
    Probe* a = Add(m_root, "a", 1, kTab, UIRect(0, 0, 10, 10));
    Probe* box = Add(m_root, "box", 2, kShown | kControlFocusable, UIRect(20, 0, 100, 10));
    Probe* b = Add(box, "b", 1, kTab, UIRect(0, 0, 10, 10));
    Add(box, "c", 2, kTab | kControlDisabled, UIRect(20, 0, 10, 10));
    Add(m_root, "d", 3, kTab & ~kControlVisible, UIRect(40, 0, 10, 10));
    Probe* e = Add(m_root, "e", 4, kTab, UIRect(60, 0, 10, 10));

    ASSERT_TRUE(a->SetFocus(kFocusByProgram));
    const std::vector<CUIControl*> forward = {b, e, a, b};
    for (CUIControl* expected : forward) {
        Key(VK_TAB);
        EXPECT_EQ(expected, Focused());
    }
    int reason = 0;
    EXPECT_TRUE(b->HasFocus(&reason));
    EXPECT_EQ(kFocusByTab, reason);
    EXPECT_TRUE(box->HasFocus());

    SetKeyState(VK_SHIFT, true);
    for (CUIControl* expected : {static_cast<CUIControl*>(a), static_cast<CUIControl*>(e), static_cast<CUIControl*>(b)}) {
        Key(VK_TAB);
        EXPECT_EQ(expected, Focused());
    }
    SetKeyState(VK_SHIFT, false);
    SetKeyState(VK_CONTROL, true);
    Key(VK_TAB);
    EXPECT_EQ(b, Focused());
}

TEST_F(ControlTree, DisablingAndHidingPassTheFocusAndReachDescendants) {
    Probe* box = Add(m_root, "box", 1, kShown | kControlFocusable, UIRect(0, 0, 100, 50));
    Probe* a = Add(box, "a", 1, kTab, UIRect(0, 0, 10, 10));
    Probe* off = Add(box, "off", 2, kShown | kControlDisabled, UIRect(20, 0, 10, 10));
    Probe* b = Add(m_root, "b", 2, kTab, UIRect(0, 60, 10, 10));
    ASSERT_TRUE(a->SetFocus(kFocusByMouse));
    Take();

    box->Enable(false);
    EXPECT_EQ(b, Focused());  // the next tab stop after the box
    EXPECT_FALSE(a->IsEffectivelyEnabled());
    EXPECT_EQ(kStateAncestorDisabled, a->GetState() & kStateAncestorDisabled);
    const std::vector<std::string> disabled = Take();
    EXPECT_NE(disabled.end(), std::find(disabled.begin(), disabled.end(), "a:disable"));
    EXPECT_EQ(disabled.end(), std::find(disabled.begin(), disabled.end(), "off:disable"));  // was already
    box->Enable(true);
    EXPECT_TRUE(a->IsEffectivelyEnabled());
    EXPECT_FALSE(off->IsEffectivelyEnabled());

    // The last tab stop hidden: nothing follows it, the focus path is cleared.
    b->SetFlags(kTab & ~kControlVisible);
    EXPECT_EQ(m_root, Focused());
    EXPECT_EQ(nullptr, m_root->GetFocusedChild());

    box->SetFlags(kControlFocusable | kControlRectInPixels);
    EXPECT_FALSE(a->IsEffectivelyVisible());
    EXPECT_EQ(0u, a->GetState() & kStateAncestorsVisible);
    box->SetFlags(kShown | kControlFocusable);
    EXPECT_TRUE(a->IsEffectivelyVisible());
}

TEST_F(ControlTree, PaintClipsEachChildToItsPartOfTheDirtyRect) {
    Probe* box = Add(m_root, "box", 1, kShown, UIRect(100, 50, 100, 100));
    Probe* inner = Add(box, "inner", 1, kShown, UIRect(10, 20, 30, 30));
    Probe* distant = Add(m_root, "distant", 2, kShown, UIRect(0, 0, 20, 20));
    UpdateWindow(hwnd);
    PumpFor(30);
    for (Probe* p : {m_root, box, inner, distant}) p->paints.clear();

    // Dirty: the inner control's right half and some space beyond it.
    inner->InvalidateRect(UIRect(15, 0, 40, 30));
    UpdateWindow(hwnd);
    EXPECT_TRUE(distant->paints.empty());
    ASSERT_EQ(1u, box->paints.size());
    ASSERT_EQ(1u, inner->paints.size());
    EXPECT_EQ(UIRect(100, 50, 100, 100), box->paints[0].rect);
    EXPECT_EQ(UIRect(125, 70, 40, 30), box->paints[0].dirty);
    EXPECT_EQ(UIRect(110, 70, 30, 30), inner->paints[0].rect);
    EXPECT_EQ(UIRect(125, 70, 15, 30), inner->paints[0].dirty);
    EXPECT_EQ(inner->paints[0].dirty, inner->paints[0].clip);
    EXPECT_EQ(box->paints[0].dirty, box->paints[0].clip);

    // The same rect again: nothing moves, nothing is repainted.
    for (Probe* p : {m_root, box, inner}) p->paints.clear();
    inner->SetPos(inner->GetRect());
    UpdateWindow(hwnd);
    EXPECT_TRUE(m_root->paints.empty());
    EXPECT_TRUE(box->paints.empty());
    // A hidden child is not painted.
    inner->SetFlags(kControlRectInPixels);
    box->Invalidate();
    UpdateWindow(hwnd);
    EXPECT_FALSE(box->paints.empty());
    EXPECT_TRUE(inner->paints.empty());
}

TEST_F(ControlTree, RemovedControlsAreForgottenByTheWindow) {
    Probe* box = Add(m_root, "box", 1, kShown | kControlFocusable, UIRect(0, 0, 100, 50));
    Probe* a = Add(box, "a", 1, kTab, UIRect(0, 0, 10, 10));
    Probe* b = Add(m_root, "b", 2, kTab, UIRect(0, 60, 10, 10));
    a->SetToolTipText(L"提示");
    a->SetToolTipText(L"新提示");  // an update, not a second tool
    EXPECT_EQ(1, m_window.GetToolTip().GetToolCount());
    m_window.SetControlTimer(a, 1, 100000);
    ASSERT_TRUE(a->SetFocus(kFocusByMouse));

    // The window loses the focus while a has it: a is kept for reactivation.
    SendMessageW(hwnd, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(a, m_window.GetSavedFocus());
    b->Destroy();  // another control's end leaves it alone
    EXPECT_EQ(a, m_window.GetSavedFocus());
    box->Destroy();  // a goes with its container
    EXPECT_EQ(nullptr, m_window.GetSavedFocus());
    EXPECT_EQ(0, m_window.GetToolTip().GetToolCount());  // no tool left at a freed address
    EXPECT_FALSE(m_window.KillControlTimer(a, 1));
    SendMessageW(hwnd, WM_SETFOCUS, 0, 0);  // would call into the deleted control
    EXPECT_EQ(m_root, Focused());

    Probe* c = Add(m_root, "c", 3, kTab, UIRect(0, 0, 10, 10));
    ASSERT_TRUE(c->SetFocus(kFocusByMouse));
    SendMessageW(hwnd, WM_KILLFOCUS, 0, 0);
    EXPECT_TRUE(m_root->RemoveChild(c));
    EXPECT_EQ(nullptr, m_window.GetSavedFocus());
    EXPECT_FALSE(m_root->RemoveChild(c));

    // Disabled while the window was inactive: reactivation does not hand it
    // the keys again.
    SendMessageW(hwnd, WM_SETFOCUS, 0, 0);
    Probe* f = Add(m_root, "f", 7, kTab | kControlFocusable, UIRect(0, 0, 10, 10));
    ASSERT_TRUE(f->SetFocus(kFocusByMouse));
    SendMessageW(hwnd, WM_KILLFOCUS, 0, 0);
    ASSERT_EQ(f, m_window.GetSavedFocus());
    f->SetFlags(kTab | kControlFocusable | kControlDisabled);
    SendMessageW(hwnd, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(m_root, Focused());
    EXPECT_TRUE(m_root->RemoveChild(f));

    // Removed without Destroy, with a tooltip, a timer and a posted call on
    // a control below it: the window drops them all, so no tick and no call
    // reaches the deleted control.
    SendMessageW(hwnd, WM_SETFOCUS, 0, 0);
    Probe* list = Add(m_root, "list", 4, kShown, UIRect(0, 0, 100, 50));
    Probe* row = Add(list, "row", 1, kShown, UIRect(0, 0, 10, 10));
    row->SetToolTipText(L"行");
    m_window.SetControlTimer(row, 2, 10);
    m_window.PostControlCall(row, 9, 0, 0);
    Take();
    EXPECT_EQ(1, m_window.GetToolTip().GetToolCount());
    EXPECT_TRUE(m_root->RemoveChild(list));
    EXPECT_EQ(0, m_window.GetToolTip().GetToolCount());
    EXPECT_FALSE(m_window.KillControlTimer(row, 2));
    EXPECT_TRUE(ui_testing::PumpTimerTicks(10));  // the row's timer and call would have come by then
    EXPECT_EQ((std::vector<std::string>{"list:deleted", "row:deleted"}), Take());

    // The old focused child's kill-focus handler removes the control taking
    // the focus: the focus path stays empty instead of naming it.
    Probe* d = Add(m_root, "d", 5, kTab, UIRect(0, 0, 10, 10));
    Probe* e = Add(m_root, "e", 6, kTab, UIRect(20, 0, 10, 10));
    ASSERT_TRUE(d->SetFocus(kFocusByMouse));
    d->onKillFocus = [&] { m_root->RemoveChild(e); };
    Take();
    e->SetFocus(kFocusByMouse);
    EXPECT_EQ(nullptr, m_root->GetFocusedChild());
    EXPECT_EQ((std::vector<std::string>{"d:killfocus", "e:deleted"}), Take());
}

// A tree can come before its system window (a drop-down list's does): what
// its controls ask for meanwhile waits for the window, and the tooltip
// window waits for the first frame on the screen.
TEST_F(ControlTree, ControlsMadeBeforeTheirWindowWaitForIt) {
    CDuiWindow early;
    Probe* root = new Probe(journal, "");
    early.SetRoot(root);
    ASSERT_TRUE(early.MakeControls(300, 200));
    Probe* tip = Add(root, "tip", 1, kShown, UIRect(0, 0, 10, 10));
    tip->SetToolTipText(L"提示");
    early.SetControlTimer(tip, 1, 10);
    early.PostControlCall(tip, 9, 0, 0);
    EXPECT_TRUE(ui_testing::PumpTimerTicks(10));  // a tick of the tree's timer would have come by then
    EXPECT_EQ((std::vector<std::string>{"tip:create"}), Take()) << "no window: no tick, no call";
    EXPECT_EQ(1, early.GetToolTip().GetToolCount());

    const HWND second = ui_testing::CreateTestWindow(early, 0, 0, 300, 200);
    ASSERT_NE(nullptr, second);
    EXPECT_FALSE(early.MakeControls(300, 200)) << "the window kept the tree";
    EXPECT_EQ(nullptr, early.GetToolTip().GetHWND()) << "no tooltip window before the first frame";
    std::vector<std::string> seen;
    EXPECT_TRUE(ui_testing::PumpUntil([&] {
        for (std::string& entry : Take()) seen.push_back(std::move(entry));
        return std::count(seen.begin(), seen.end(), "tip:timer") >= 1 && early.GetToolTip().GetHWND() != nullptr;
    }, 10000));
    EXPECT_EQ(1, std::count(seen.begin(), seen.end(), "tip:posted"));
    EXPECT_GE(std::count(seen.begin(), seen.end(), "tip:timer"), 1);
    EXPECT_NE(nullptr, early.GetToolTip().GetHWND());
    EXPECT_EQ(1, early.GetToolTip().GetToolCount()) << "the kept tool went to the tooltip window";
    early.KillControlTimer(tip, 1);
    DestroyWindow(second);
}

TEST_F(ControlTree, EventsKeepTheFirstDelegate) {
    struct Handler {
        void First(EventData& e) { seen.push_back(static_cast<int>(e.p1) * 10 + e.id); }
        void Second(EventData& e) { seen.push_back(-1); }
        std::vector<int> seen;
    } handler;
    Probe* a = Add(m_root, "a", 1, kShown, UIRect(0, 0, 10, 10));
    a->BindEvent(kEventClick, &handler, &Handler::First);
    a->BindEvent(kEventClick, &handler, &Handler::Second);
    a->FireEvent(kEventClick, 7);
    a->FireEvent(kEventSelectionChanged, 1);  // nobody bound
    EXPECT_EQ(std::vector<int>{70}, handler.seen);

    // CUIContainer2 resizes its fill child and reports its new size.
    Probe* fill = Add(m_root, "fill", 2, kShown, UIRect(5, 5, 1, 1));
    m_root->SetFillChild(fill);
    struct SizeHandler {
        void OnSize(EventData& e) { size = {static_cast<int>(e.p1), static_cast<int>(e.p2)}; }
        std::pair<int, int> size;
    } sizes;
    m_root->BindEvent(kEventSelectionChanged, &sizes, &SizeHandler::OnSize);
    SetWindowPos(hwnd, NULL, 0, 0, 250, 120, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(UIRect(5, 5, 250, 120), fill->GetRect());
    EXPECT_EQ(std::make_pair(250, 120), sizes.size);
}

TEST(ControlShadow, ContentSitsInsideTheStrips) {
    CDuiSkinManager skin(L"微软雅黑", 210, 0.5, 0.4, 0);
    CDuiWindow window;
    HWND hwnd = ui_testing::CreateTestWindow(window, 0, 0, 200, 120);
    ASSERT_NE(nullptr, hwnd);
    CUIContainerShadow* shadow = new CUIContainerShadow(kShadowSmall);
    ASSERT_TRUE(shadow->Create(window.GetRoot(), kShown, UIRect(0, 0, 100, 60), 1));
    const int h = skin.GetShadow(kShadowSmall).radius / 2;
    if (g_screenDpi == 96) {
        EXPECT_EQ(6, h);
    }
    EXPECT_EQ(UIRect(h, h, 100 - 2 * h, 60 - 2 * h), shadow->GetContent()->GetRect());
    EXPECT_EQ(UIRect(100 - h, h, h, 60 - 2 * h), shadow->GetChild(kShadowRight)->GetRect());
    shadow->SetPos(UIRect(0, 0, 150, 90));
    EXPECT_EQ(UIRect(h, h, 150 - 2 * h, 90 - 2 * h), shadow->GetContent()->GetRect());
    EXPECT_EQ(UIRect(0, 90 - h, 150, h), shadow->GetChild(kShadowBottom)->GetRect());
    shadow->SetFlags(shadow->GetFlags() | kShadowCopyPixels);
    EXPECT_TRUE(shadow->GetChild(kShadowLeft)->GetFlags() & kShadowCopyPixels);
    // Content removed behind the container's back is not handed out again.
    EXPECT_TRUE(shadow->RemoveChild(shadow->GetContent()));
    EXPECT_EQ(nullptr, shadow->GetContent());
    DestroyWindow(hwnd);
}

}  // namespace
