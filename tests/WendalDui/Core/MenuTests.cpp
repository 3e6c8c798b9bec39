// Pop-up menus: the item model, the keyboard walk and the placement as pure
// functions, then real pop-ups over a real owner window driven by SendInput
// clicks and by keys the owner passes on.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "WendalDui/Control/UIContainerShadow.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiMenuWindow.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/Menu.h"
#include "WendalDui/Core/UIMenu.h"

namespace {

using namespace wendaldui;
using internal::CUIMenu;
using ui_testing::ClickAt;
using ui_testing::PumpFor;
using ui_testing::PumpUntil;

TEST(MenuModel, MnemonicIsTheCharacterOfATrailingAmpersandGroupAndMatchesUpperCaseKeysOnly) {
    const struct {
        const wchar_t* text;
        wchar_t mnemonic;
    } cases[] = {{L"撤销(&U)", L'U'}, {L"(&C)", L'C'}, {L"&C)", kNoMnemonic},  // four characters do, three not
                 {L"撤销(U)", kNoMnemonic}, {L"A(&B)x", kNoMnemonic}, {L"复制(&c)", L'c'}, {nullptr, kNoMnemonic}};
    CMenu menu;
    int command = 0;  // each item its own, so that disabling one leaves the others
    for (const auto& c : cases) menu.InsertItem(99, c.text, ++command, c.text ? 0u : uint32_t{kMenuItemSeparator});
    ASSERT_EQ(7u, menu.GetItemCount());
    for (size_t i = 0; i < menu.GetItemCount(); ++i) {
        EXPECT_EQ(static_cast<int>(cases[i].mnemonic), static_cast<int>(menu.GetItem(i).mnemonic)) << i;
        EXPECT_TRUE(menu.GetItem(i).text == (cases[i].text ? cases[i].text : L"")) << "the text is kept whole";
    }
    EXPECT_EQ(0, CUIMenu::FindMnemonic(menu, 'U'));
    EXPECT_EQ(1, CUIMenu::FindMnemonic(menu, 'C'));
    menu.EnableItem(2, false);  // "(&C)" only
    EXPECT_TRUE(menu.GetItem(5).IsSelectable()) << "复制(&c) stays enabled";
    EXPECT_EQ(0, CUIMenu::FindMnemonic(menu, 'U'));
    EXPECT_EQ(-1, CUIMenu::FindMnemonic(menu, 'C')) << "the lower-case (&c) is never found";
}

TEST(MenuModel, UpDownWalkWrapsAndSkipsDisabledItemsAndSeparators) {
    CMenu menu;
    const uint32_t flags[] = {0, kMenuItemSeparator, kMenuItemDisabled, 0, 0};
    for (int i = 0; i < 5; ++i) menu.InsertItem(i, i == 1 ? nullptr : L"x", i, flags[i]);
    const struct {
        int hot;
        bool up;
        int next;
    } cases[] = {{-1, false, 0}, {-1, true, 4}, {0, false, 3}, {3, false, 4},
                 {4, false, 0},  {0, true, 4},  {3, true, 0},  {4, true, 3}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.next, CUIMenu::NextSelectable(menu, c.hot, c.up)) << "from " << c.hot << (c.up ? " up" : " down");
    }
    for (int id : {0, 3, 4}) menu.EnableItem(id, false);
    EXPECT_EQ(-1, CUIMenu::NextSelectable(menu, -1, false)) << "nothing selectable: no hot item";
    EXPECT_EQ(-1, CUIMenu::NextSelectable(menu, -1, true));
}

TEST(MenuModel, PlacementFlipsUpwardNearTheBottomAndShiftsLeftNearTheRightEdge) {
    const RECT desktop = {0, 0, 1024, 768};
    const POINT cases[][2] = {{{100, 100}, {100, 100}}, {{824, 668}, {824, 668}},  // the second just fits
                              {{900, 100}, {824, 100}}, {{100, 700}, {100, 600}}, {{1000, 760}, {824, 660}}};
    for (const auto& c : cases) {
        const POINT at = CUIMenu::PlaceMenu(c[0].x, c[0].y, 200, 100, desktop);
        EXPECT_TRUE(at.x == c[1].x && at.y == c[1].y) << c[0].x << "," << c[0].y << " -> " << at.x << "," << at.y;
    }
}

// Counts its objects, so a test sees the pop-up delete itself.
class CountedMenuWindow : public internal::CDuiMenuWindow {
public:
    CountedMenuWindow() { ++live; }
    ~CountedMenuWindow() override { --live; }
    static int live;
};
int CountedMenuWindow::live = 0;

// What reached the owner: WM_APP+3 messages and posted calls alike.
std::vector<ui_testing::RecordingControl::Call> g_delivered;

class OwnerWindow : public CDuiWindow {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_DUI_MENU_COMMAND) g_delivered.push_back({message, wParam, lParam});
        return CDuiWindow::WindowProc(message, wParam, lParam);
    }
};

// Fills the owner: counts the clicks the owner handles, records posted calls.
class OwnerContent : public CUIControl {
public:
    void OnLButtonDown(WPARAM, int, int) override { ++clicks; }
    void OnRButtonDown(WPARAM, int, int) override { ++clicks; }
    void OnPostedCall(UINT code, WPARAM a, LPARAM b) override { g_delivered.push_back({code, a, b}); }
    int clicks = 0;
};

enum { kUndo = 11, kCut = 13, kCopy = 14, kSelectAll = 17 };
enum { kUndoRow = 0, kSeparatorRow = 1, kCutRow = 2, kSelectAllRow = 3 };
constexpr int kX = 100, kY = 70;  // where the menus open, inside the owner

class MenuWindowTest : public testing::Test {
protected:
    void SetUp() override {
        ui_testing::MoveMouseTo(1000, 740);  // off the pop-up, which would make a row hot
        g_delivered.clear();
        m_owner = ui_testing::CreateTestWindow(owner, 40, 30, 500, 400);
        ASSERT_NE(nullptr, m_owner);
        SetForegroundWindow(m_owner);
        SetFocus(m_owner);
        content = new OwnerContent;
        const uint32_t shown = kControlVisible | kControlRectInPixels;
        ASSERT_TRUE(content->Create(owner.GetRoot(), shown, UIRect(0, 0, 500, 400), 1));
        menu = new CMenu;
        const wchar_t* texts[] = {L"撤销(&U)", nullptr, L"剪切(&T)", L"全选(&A)", L"复制(&c)"};
        const int ids[] = {kUndo, -1, kCut, kSelectAll, kCopy};
        const uint32_t flags[] = {0, kMenuItemSeparator, kMenuItemDisabled, 0, 0};
        for (int i = 0; i < 5; ++i) menu->InsertItem(i, texts[i], ids[i], flags[i]);
        menu->SetTargetWindow(m_owner);
    }
    void TearDown() override {
        delete menu;
        DestroyWindow(m_owner);
        EXPECT_EQ(0, CountedMenuWindow::live);
    }

    // Opens and waits for the fade-in to end; call through ASSERT_NO_FATAL_FAILURE.
    void Open(HWND* popup = nullptr) {
        CountedMenuWindow* window = new CountedMenuWindow;
        ASSERT_TRUE(window->Create(&owner, menu, kX, kY));
        window->Show();
        ASSERT_TRUE(PumpUntil([&] { return window->GetOpacity() == 255; }));
        if (popup) *popup = window->GetHWND();
    }
    // Null, with a failure, once the pop-up has gone.
    CUIMenu* Content() const {
        internal::CDuiMenuWindow* window = menu->GetMenuWindow();
        if (!window) ADD_FAILURE() << "the pop-up is not open";
        return window ? static_cast<CUIMenu*>(static_cast<CUIContainerShadow*>(window->GetRoot())->GetContent())
                      : nullptr;
    }
    // A real click in the middle of a row of the open pop-up; call through ASSERT_NO_FATAL_FAILURE.
    void Click(int row) {
        CUIMenu* content = Content();
        ASSERT_NE(nullptr, content);
        RECT window;
        GetWindowRect(menu->GetMenuWindow()->GetHWND(), &window);
        const UIRect r = content->GetChild(row)->GetWindowRect();
        ClickAt(window.left + r.x + r.width / 2, window.top + r.y + r.height / 2);
    }
    void OwnerKey(UINT vk) { PostMessageW(m_owner, WM_KEYDOWN, vk, 1); }
    static bool Closed(HWND popup) { return PumpUntil([&] { return !IsWindow(popup); }, 10000); }

    CDuiSkinManager skin{L"微软雅黑", 210, 0.5, 0.4, 0};
    OwnerWindow owner;
    OwnerContent* content = nullptr;
    CMenu* menu = nullptr;
    HWND m_owner = NULL;
};

TEST_F(MenuWindowTest, ClickedItemIsDeliveredOnceDisabledRowsAndSeparatorsDeliverNothing) {
    for (bool toControl : {false, true}) {
        SCOPED_TRACE(toControl ? "posted call to a control" : "WM_APP+3 to a window");
        if (toControl) menu->SetTargetControl(content);
        HWND popup = NULL;
        ASSERT_NO_FATAL_FAILURE(Open(&popup));
        if (!toControl) {
            EXPECT_FALSE(menu->Popup(&owner, kX, kY)) << "one pop-up per menu";
            RECT window;
            GetWindowRect(popup, &window);
            const int s = skin.GetShadow(kShadowSmall).radius / 2;
            EXPECT_TRUE(window.left == kX - s && window.top == kY - s) << window.left << "," << window.top;
            EXPECT_EQ(GetForegroundWindow(), m_owner) << "never activated";
            // Under Xvfb the layered pop-up shows as if over black.
            ui_testing::SaveScreenshot(window, (L"menu-" + std::to_wstring(g_screenDpi) + L".png").c_str());
        }
        ASSERT_NO_FATAL_FAILURE(Click(kCutRow));
        ASSERT_NO_FATAL_FAILURE(Click(kSeparatorRow));
        PumpFor(100);
        ASSERT_TRUE(IsWindow(popup) && g_delivered.empty()) << "a disabled row or a separator chose something";
        ASSERT_NO_FATAL_FAILURE(Click(kSelectAllRow));
        EXPECT_TRUE(Closed(popup));
        PumpFor(100);
        EXPECT_EQ(0, CountedMenuWindow::live) << "the pop-up deleted itself";
        EXPECT_EQ(nullptr, menu->GetMenuWindow());
        ASSERT_EQ(1u, g_delivered.size());
        EXPECT_EQ(toControl ? kMenuCommandCall : WM_DUI_MENU_COMMAND, g_delivered[0].code);
        EXPECT_TRUE(g_delivered[0].a == reinterpret_cast<WPARAM>(menu) && g_delivered[0].b == kSelectAll);
        EXPECT_EQ(0, content->clicks) << "clicks on the pop-up are its own";
        g_delivered.clear();
        ui_testing::MoveMouseTo(1000, 740);
    }
}

TEST_F(MenuWindowTest, OwnerKeysWalkChooseAndEscapeButEnterWithoutHotItemDoesNothing) {
    HWND popup = NULL;
    ASSERT_NO_FATAL_FAILURE(Open(&popup));
    OwnerKey(VK_RETURN);
    OwnerKey('C');  // written as "(&c)"
    PumpFor(100);
    ASSERT_TRUE(IsWindow(popup) && g_delivered.empty()) << "Enter without a hot row or a lower-case mnemonic chose";
    OwnerKey(VK_DOWN);
    OwnerKey(VK_DOWN);
    PumpFor(50);
    CUIMenu* content = Content();
    ASSERT_NE(nullptr, content);
    EXPECT_EQ(kSelectAllRow, content->GetHotItem());
    OwnerKey(VK_RETURN);
    EXPECT_TRUE(Closed(popup));
    ASSERT_TRUE(menu->Popup(&owner, kX, kY));
    popup = menu->GetMenuWindow()->GetHWND();
    OwnerKey(VK_ESCAPE);
    EXPECT_TRUE(Closed(popup));
    ASSERT_NO_FATAL_FAILURE(Open(&popup));
    OwnerKey('U');
    EXPECT_TRUE(Closed(popup));
    PumpFor(50);
    ASSERT_EQ(2u, g_delivered.size());
    EXPECT_TRUE(g_delivered[0].b == kSelectAll && g_delivered[1].b == kUndo);
}

TEST_F(MenuWindowTest, ClicksInTheOwnerCloseWithoutCommandAndTheOwnerStillGetsThem) {
    HWND popup = NULL;
    ASSERT_NO_FATAL_FAILURE(Open(&popup));
    ClickAt(440, 380);
    EXPECT_TRUE(Closed(popup));
    ASSERT_NO_FATAL_FAILURE(Open(&popup));
    PostMessageW(m_owner, WM_RBUTTONDOWN, 0, MAKELPARAM(400, 350));
    EXPECT_TRUE(Closed(popup));
    PumpFor(50);
    EXPECT_EQ(2, content->clicks);
    EXPECT_TRUE(g_delivered.empty());
}

// Fault: a menu destroyed while open left the pop-up on freed item records,
// and its final message wrote into the freed menu.
TEST_F(MenuWindowTest, DestroyingTheMenuWhileOpenClosesThePopupFirst) {
    HWND popup = NULL;
    ASSERT_NO_FATAL_FAILURE(Open(&popup));
    delete menu;
    menu = nullptr;
    EXPECT_FALSE(IsWindow(popup)) << "gone at once";
    EXPECT_EQ(0, CountedMenuWindow::live);
    OwnerKey(VK_DOWN);  // the owner's filter is gone too
    ClickAt(440, 380);
    EXPECT_EQ(1, content->clicks);
}

}  // namespace
