// The main window in-process over a temporary working folder: its lists,
// the panel's slide, the menu, what closing saves, and the launch flow end
// to end against a local HTTP server and the fake Java.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UICheckBox.h"
#include "WendalDui/Control/UIComboBoxString.h"
#include "WendalDui/Control/UIContainerShadow.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UILinkCtrl.h"
#include "WendalDui/Control/UIListBoxString.h"
#include "WendalDui/Control/UIListCtrlString.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Core/ColorConvert.h"
#include "WendalDui/Core/DlgMessageBox.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiMenuWindow.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/UIMenu.h"
#include "core/Endpoints.h"
#include "launcher/JavaRuntimeList.h"
#include "launcher/MinecraftInstanceManager.h"
#include "launcher/MinecraftLauncher.h"
#include "launcher/MinecraftList.h"
#include "services/AccountStore.h"
#include "services/LauncherSettings.h"
#include "services/MachineKey.h"
#include "tests/support/FakeJava.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestSystem.h"
#include "tests/support/TestZip.h"
#include "ui/GameDownloadListDlg.h"
#include "ui/GameDwonloadDlg.h"
#include "ui/GameManagerDlg.h"
#include "ui/SettingDlg.h"
#include "ui/TopLevelWindows.h"
#include "ui/TrelmMainFrame.h"
#include "ui/UIBannerTextButton.h"
#include "ui/UIBluredBackgroundImage.h"
#include "ui/UILaunchButton.h"
#include "ui/UIMcMotdCtrl.h"
#include "ui/UIMenuTitleButton.h"

namespace {

using namespace trelm::ui;
using testing_support::Narrow;
using testing_support::TempDir;
using testing_support::WriteBytes;
using wendaldui::CDlgMessageBox;
using wendaldui::CUIComboBoxString;
using wendaldui::UIRect;

// Answers the message boxes that open inside the window's modal loops, in
// order: the text each showed, and the button (index) and tick to give it.
struct Reply {
    int button;
    bool tick;
};
std::vector<Reply> g_replies;
std::vector<std::wstring> g_boxTexts;
std::function<void()> g_onBox;  // looks at the owner while a box is up

std::wstring BoxText(CDlgMessageBox& box) {
    auto* text = static_cast<wendaldui::CUILinkCtrl*>(box.GetClientContainer()->GetChild(1));
    std::wstring plain;
    for (const auto& piece : text->GetFormattedText().GetPieces()) plain.append(piece.text, piece.length);
    return plain;
}

BOOL CALLBACK FindBox(HWND hwnd, LPARAM found) {
    auto* base = reinterpret_cast<wendaldui::CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!base || !IsWindowVisible(hwnd) || !dynamic_cast<CDlgMessageBox*>(base)) return TRUE;
    *reinterpret_cast<CDlgMessageBox**>(found) = static_cast<CDlgMessageBox*>(base);
    return FALSE;
}

void CALLBACK AnswerBoxes(HWND, UINT, UINT_PTR, DWORD) {
    CDlgMessageBox* box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindBox, reinterpret_cast<LPARAM>(&box));
    if (!box || GetPropW(box->GetHWND(), L"answered")) return;
    SetPropW(box->GetHWND(), L"answered", reinterpret_cast<HANDLE>(1));
    ui_testing::PumpFor(30);  // laid out
    g_boxTexts.push_back(BoxText(*box));
    const HWND hwnd = box->GetHWND();
    if (g_onBox) g_onBox();
    if (!IsWindow(hwnd)) return;  // gone with its owner
    const Reply reply = g_replies.empty() ? Reply{0, false} : g_replies.front();
    if (!g_replies.empty()) g_replies.erase(g_replies.begin());
    wendaldui::CUIContainer* client = box->GetClientContainer();
    if (reply.tick && client->GetChild(2)) client->GetChild(2)->FireEvent(wendaldui::kEventClick, 1);
    client->GetChild(3 + reply.button)->FireEvent(wendaldui::kEventClick);
}

// Records the games handed over; an exit proves the registration.
class RecordingMonitor : public trelm::launcher::MinecraftInstanceManager {
public:
    std::atomic<int> exits{0};

protected:
    void OnGameExited(uint32_t) override { ++exits; }
};

const char kVersionJson[] = R"({"id":"1.7.10-t","mainClass":"net.minecraft.client.main.Main","assets":"t",
    "releaseTime":"2014-05-14T17:29:23+00:00","minecraftArguments":"--username ${auth_player_name} --uuid ${auth_uuid} --accessToken ${auth_access_token}",
    "libraries":[{"name":"com.example:lib:1","url":"BASE/maven/"},
                 {"name":"org.lwjgl:nat:1","natives":{"windows":"natives-windows"},"extract":{},"url":"BASE/maven/"}]})";
const char kHashA[] = "aa11111111111111111111111111111111111111";
const char kHashB[] = "bb22222222222222222222222222222222222222";

class MainFrameTest : public testing::Test {
protected:
    MainFrameTest() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {
        GetCurrentDirectoryW(MAX_PATH, m_oldDir);
        SetCurrentDirectoryW(dir.Path().c_str());
        g_settings.current = g_settings.defaults;
        g_settings.game_ver_setting_map.clear();
        SettingsRecord& s = g_settings.current;
        s.manualJava.enable = true;
        s.manualJava.path = java.JavawExe().c_str();
        s.dontShowTip.javaVerLow = true;  // a runtime the player added has no version number
        s.bmclapi = false;
        s.dlVerifySha1 = false;
        g_accountStore.SetFilePath((dir / L"trelm_account.json").c_str());
        g_accountStore.accounts.clear();
        g_accountStore.offlineNames.clear();
        trelm::launcher::g_minecraftList.SetRoot(dir.Path().c_str());
        java.SetScript("window=1\nsleep=300\n");
        UseEndpoints("http://127.0.0.1:9");
        SetRunningGameMonitor(&monitor);
        monitor.StartMonitor();
        g_replies.clear();
        g_boxTexts.clear();
        g_onBox = nullptr;
        m_timer = SetTimer(NULL, 0, 40, &AnswerBoxes);
    }
    ~MainFrameTest() override {
        CloseFrame();
        KillTimer(NULL, m_timer);
        monitor.StopMonitor();
        SetRunningGameMonitor(nullptr);
        trelm::launcher::g_javaRuntimes = trelm::launcher::JavaRuntimeList();  // registry ones too
        trelm::launcher::g_minecraftList.versions.clear();
        g_settings.current = g_settings.defaults;
        g_settings.game_ver_setting_map.clear();
        SetCurrentDirectoryW(m_oldDir);
    }

    static void UseEndpoints(const std::string& base) {
        TempDir where;
        std::string json = "{";
        for (const char* role : {"libraries", "assets", "legacy_store", "forge_maven", "mirror_maven", "mirror",
                                 "authentication", "update"}) {
            json += std::string(json.size() > 1 ? "," : "") + "\"" + role + "\":\"" + base + "\"";
        }
        WriteBytes(where / L"endpoints.json", json + "}");
        WString message;
        ASSERT_TRUE(trelm::LoadEndpointOverridesFromFile((where / L"endpoints.json").c_str(), &message));
    }
    void WriteVersion(const std::wstring& id, const std::string& json) {
        WriteBytes(dir / (L".minecraft\\versions\\" + id + L"\\" + id + L".json"), json);
    }
    void Open() {
        trelm::launcher::g_minecraftList.Refresh();
        frame = ShowMainFrame();
        ASSERT_NE(nullptr, frame);
        ui_testing::PumpFor(100);  // the start-up notices
    }
    // The last window's close posts the quit message, which would end the
    // next modal loop at once.
    void CloseFrame() {
        if (CTrelmMainFrame* open = GetTopLevelWindows().mainFrame) {
            PostMessageW(open->GetHWND(), WM_CLOSE, 0, 0);
            ui_testing::PumpUntil([] { return GetTopLevelWindows().mainFrame == nullptr; });
        }
        MSG msg;
        while (PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    template <typename T = wendaldui::CUIControl>
    T* Control(int id) {
        return dynamic_cast<T*>(frame->GetPanelControl(id));
    }
    std::vector<std::wstring> Items(int id) {
        wendaldui::CUIListBoxBase* list = Control<CUIComboBoxString>(id)->GetListBox();
        std::vector<std::wstring> texts;
        for (int i = 0; i < list->GetItemCount(); ++i) {
            WString text;
            Control<CUIComboBoxString>(id)->GetItemText(list->GetListView()->GetItem(i), text);
            texts.push_back(text.GetString());
        }
        return texts;
    }
    std::wstring Title() {
        wchar_t text[128] = {};
        GetWindowTextW(frame->GetHWND(), text, 128);
        return text;
    }
    void ClickControl(wendaldui::CUIControl* control) {
        RECT window;
        GetWindowRect(frame->GetHWND(), &window);
        const UIRect r = control->GetWindowRect();
        ui_testing::ClickAt(window.left + r.x + r.width / 2, window.top + r.y + r.height / 2);
    }

    TempDir dir;
    wendaldui::CDuiSkinManager skin;
    testing_support::FakeJavaHome java;
    RecordingMonitor monitor;
    CTrelmMainFrame* frame = nullptr;
    wchar_t m_oldDir[MAX_PATH];
    UINT_PTR m_timer = 0;
};

TEST_F(MainFrameTest, ListsFollowTheSettingsAndClosingSavesTheLaunchFields) {
    WriteVersion(L"1.7.10", R"({"id":"1.7.10","releaseTime":"2014-05-14T17:29:23"})");
    WriteVersion(L"1.8", R"({"id":"1.8","releaseTime":"2014-09-02T08:24:35"})");
    WriteVersion(L"b", R"({"id":"b","releaseTime":"2015-01-01T00:00:00"})");
    g_settings.SetVersionAlias(L"1.7.10", L"Seven");
    g_settings.SetVersionHidden(L"1.8", true);
    g_settings.current.gameVer = L"1.7.10";
    ASSERT_NO_FATAL_FAILURE(Open());

    EXPECT_EQ(L"TRELM v1.2.4.0", Title());
    // Aliases shown, hidden versions left out; the stored version chosen.
    EXPECT_EQ((std::vector<std::wstring>{L"b", L"Seven"}), Items(kPanelVersionList));
    EXPECT_EQ(1, Control<CUIComboBoxString>(kPanelVersionList)->GetCurSel());
    EXPECT_EQ((std::vector<std::wstring>{L"自动设置", L"javaw.exe(32bit)"}), Items(kPanelJavaList));
    if (!trelm::launcher::ProcessRunsUnderWow64()) {
        EXPECT_EQ((std::vector<std::wstring>{L"自动设置", L"1,024 MB"}), Items(kPanelMemoryList));
    }
    EXPECT_EQ(std::wstring(L"quorvel\r\n游戏版本:Seven"), frame->GetSummaryButton()->GetText().GetString());
    EXPECT_TRUE(Control(kPanelLaunchButton)->IsEffectivelyEnabled());
    EXPECT_TRUE(g_boxTexts.empty());

    // A typed size is read and shown back; the panel folded away; another name.
    auto* memory = Control<CUIComboBoxString>(kPanelMemoryList);
    memory->SetEditText(L"2g");
    Control<CUIComboBoxString>(kPanelJavaList)->SetCurSel(1);
    Control<CUIComboBoxString>(kPanelNameList)->SetEditText(L"Tester");
    frame->SetPanelState(kPanelHidden, false);
    PostMessageW(frame->GetHWND(), WM_CLOSE, 0, 0);
    MSG msg;
    EXPECT_TRUE(ui_testing::PumpUntil([&] { return PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE) != 0; }));
    EXPECT_EQ(nullptr, GetTopLevelWindows().mainFrame);
    const SettingsRecord& s = g_settings.current;
    EXPECT_STREQ(L"1.7.10", s.gameVer.GetString());
    EXPECT_EQ(0, s.userType);
    EXPECT_EQ(trelm::launcher::g_javaRuntimes.GetAt(0)->id, s.javaVersion);
    EXPECT_EQ(2048, s.javaXmx);
    EXPECT_STREQ(L"Tester", s.offlineName.GetString());
    EXPECT_EQ(2u, s.mainframeLayout);
}

TEST_F(MainFrameTest, WithoutVersionOrJavaBothLaunchButtonsAreDisabled) {
    struct Case {
        const char* what;
        bool hideAll, noJava;
        std::vector<std::wstring> notices;
    };
    const Case cases[] = {
        {"every version hidden", true, false, {}},
        {"no Java runtime", false, true, {L"启动器未找到Java。"}},
    };
    for (const Case& c : cases) {
        WriteVersion(L"1.7.10", R"({"id":"1.7.10"})");
        g_settings.SetVersionHidden(L"1.7.10", c.hideAll);
        g_settings.current.manualJava.enable = !c.noJava;
        g_boxTexts.clear();
        ASSERT_NO_FATAL_FAILURE(Open());
        ui_testing::PumpUntil([&] { return g_boxTexts.size() >= c.notices.size(); }, 10000);
        ASSERT_EQ(c.notices.size(), g_boxTexts.size()) << c.what;
        for (size_t i = 0; i < c.notices.size(); ++i) {
            EXPECT_EQ(0u, g_boxTexts[i].find(c.notices[i])) << c.what;
            EXPECT_NE(std::wstring::npos, g_boxTexts[i].find(L"否则无法启动游戏")) << c.what;
        }
        EXPECT_FALSE(Control(kPanelLaunchButton)->IsEffectivelyEnabled()) << c.what;
        EXPECT_FALSE(frame->GetLaunchButton()->IsEffectivelyEnabled()) << c.what;
        CloseFrame();
    }
}

TEST_F(MainFrameTest, PanelSlidesOutAndTheSummaryButtonBringsItBackAndTheRowKeepsItsWidth) {
    WriteVersion(L"1.7.10", R"({"id":"1.7.10"})");
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_EQ(kPanelShown, frame->GetPanelState());
    EXPECT_FALSE(frame->GetLaunchButton()->IsEffectivelyVisible());
    const struct {
        int state;
        UIRect panel, row;
        bool panelVisible, launchVisible;
    } steps[] = {
        {kPanelHidden, UIRect(680, 0, 208, 400), UIRect(25, 220, 630, 142), false, true},
        {kPanelShown, UIRect(472, 0, 208, 400), UIRect(25, 233, 420, 142), true, false},
    };
    for (const auto& step : steps) {
        if (step.state == kPanelHidden) {
            // Both the panel and the big button show while it moves.
            frame->SetPanelState(step.state);
            EXPECT_TRUE(frame->IsPanelSliding());
            EXPECT_TRUE(frame->GetPanel()->IsEffectivelyVisible());
            EXPECT_TRUE(frame->GetLaunchButton()->IsEffectivelyVisible());
        } else {
            ClickControl(frame->GetSummaryButton());
        }
        ASSERT_TRUE(ui_testing::PumpUntil(
            [&] { return frame->GetPanelState() == step.state && !frame->IsPanelSliding(); }, 10000));
        EXPECT_EQ(step.state, frame->GetPanelState());
        EXPECT_TRUE(wendaldui::DpiScaleRect(step.panel) == frame->GetPanel()->GetRect());
        EXPECT_TRUE(wendaldui::DpiScaleRect(step.row) == frame->GetStatusRow()->GetRect());
        // The server status stays inside the row, clear of the panel.
        const UIRect motd = frame->GetServerStatus()->GetRect();
        EXPECT_LE(motd.x + motd.width, frame->GetStatusRow()->GetRect().width);
        EXPECT_GE(motd.width, wendaldui::DpiScale(step.panelVisible ? 379 : 580));
        EXPECT_EQ(step.panelVisible, frame->GetPanel()->IsEffectivelyVisible());
        EXPECT_EQ(step.launchVisible, frame->GetLaunchButton()->IsEffectivelyVisible());
        // The blurred strip lies under the panel, or nowhere.
        const UIRect blur = frame->GetBackground()->GetBlurArea();
        EXPECT_TRUE(step.panelVisible ? blur == frame->GetPanel()->GetRect() : blur.IsEmpty());
    }
    RECT window;
    GetWindowRect(frame->GetHWND(), &window);
    ui_testing::SaveScreenshot(window, (L"main-frame-" + std::to_wstring(wendaldui::g_screenDpi) + L".png").c_str());
}

TEST_F(MainFrameTest, NicknameHintAndAccountKindSwitchAndNoNameOrRuleHangsTheCheck) {
    WriteVersion(L"1.7.10", R"({"id":"1.7.10"})");
    g_settings.current.offlineNameRegex = L"([A-Za-z0-9_])+";
    g_settings.current.offlineNameMismatchHint = L"只能用字母、数字和下划线";
    ASSERT_NO_FATAL_FAILURE(Open());
    auto* names = Control<CUIComboBoxString>(kPanelNameList);
    auto* hint = Control<wendaldui::CUILabel>(kPanelNameHint);
    EXPECT_STREQ(L"只能用字母、数字和下划线", hint->GetText().GetString());
    // std::regex recurses per character: a huge name must be refused unread.
    const std::wstring huge(100000, L'a');
    for (const std::wstring& name : {std::wstring(L"Tester"), std::wstring(L"bad name!"), huge}) {
        names->SetEditText(name.c_str());
        frame->CheckNickname();
        WString held;
        names->GetText(held);
        const bool valid = name != L"bad name!" && held.GetLength() <= 256;
        EXPECT_EQ(!valid, hint->IsEffectivelyVisible()) << held.GetLength();
    }
    // A rule that backtracks without end (2^27 ways here) is matched in
    // bounded time: the check runs at start-up, before any window shows.
    // Unbounded it took 79 s; bounded, well under a second.
    g_settings.current.offlineNameRegex = L"^(a|a)*$";
    names->SetEditText((std::wstring(27, L'a') + L"!").c_str());
    const DWORD start = GetTickCount();
    EXPECT_FALSE(frame->CheckNickname());
    EXPECT_LT(GetTickCount() - start, 30000u);
    g_settings.current.offlineNameRegex = L"([A-Za-z0-9_])+";
    names->SetEditText(L"bad name!");
    auto* kind = Control<CUIComboBoxString>(kPanelAuthList);
    for (int mode : {kLoginOnline, kLoginOffline}) {
        kind->SetCurSel(mode == kLoginOnline ? 1 : 0);
        kind->FireEvent(wendaldui::kEventSelectionChanged, static_cast<uint32_t>(kind->GetCurSel()));
        const bool online = mode == kLoginOnline;
        EXPECT_EQ(mode, frame->GetLoginMode());
        EXPECT_STREQ(online ? L"邮箱" : L"昵称", Control<wendaldui::CUILabel>(kPanelNameLabel)->GetText().GetString());
        EXPECT_EQ(online, Control(kPanelPassword)->IsEffectivelyVisible());
        EXPECT_EQ(!online, hint->IsEffectivelyVisible());  // each side keeps its own text
        WString held;
        names->GetText(held);
        EXPECT_STREQ(online ? L"" : L"bad name!", held.GetString());
    }
}

std::wstring g_aboutOwnerState;
void CALLBACK CloseAbout(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND about = FindWindowW(wendaldui::kDuiWindowClassName, L"关于TRELM");
    if (!about || !IsWindowVisible(about)) return;
    KillTimer(NULL, timer);
    g_aboutOwnerState = IsWindowEnabled(GetWindow(about, GW_OWNER)) ? L"enabled" : L"disabled";
    PostMessageW(about, WM_CLOSE, 0, 0);
}

TEST_F(MainFrameTest, MenuOpensUnderItsButtonAndAboutIsModal) {
    WriteVersion(L"1.7.10", R"({"id":"1.7.10"})");
    ASSERT_NO_FATAL_FAILURE(Open());
    ClickControl(frame->GetMenuButton());
    ASSERT_TRUE(ui_testing::PumpUntil([&] { return frame->GetMenu().GetMenuWindow() != nullptr; }, 10000));
    wendaldui::internal::CDuiMenuWindow* popup = frame->GetMenu().GetMenuWindow();
    POINT under = {frame->GetMenuButton()->GetWindowRect().x, frame->GetMenuButton()->GetWindowRect().y};
    under.y += frame->GetMenuButton()->GetWindowRect().height;
    ClientToScreen(frame->GetHWND(), &under);
    EXPECT_EQ(under.x, popup->GetRequestedX());
    EXPECT_EQ(under.y, popup->GetRequestedY());
    EXPECT_EQ(7u, frame->GetMenu().GetItemCount());
    EXPECT_STREQ(L"关于", frame->GetMenu().GetItem(6).text.GetString());

    g_aboutOwnerState.clear();
    SetTimer(NULL, 0, 50, &CloseAbout);
    auto* shadow = static_cast<wendaldui::CUIContainerShadow*>(popup->GetRoot());
    dynamic_cast<wendaldui::internal::CUIMenu*>(shadow->GetContent())->ChooseItem(6);
    ASSERT_TRUE(ui_testing::PumpUntil([] { return !g_aboutOwnerState.empty(); }, 10000));
    EXPECT_EQ(L"disabled", g_aboutOwnerState);
    ASSERT_TRUE(ui_testing::PumpUntil([&] { return IsWindowEnabled(frame->GetHWND()) != 0; }, 10000));
    EXPECT_EQ(nullptr, FindWindowW(wendaldui::kDuiWindowClassName, L"关于TRELM"));
}

// The game manager and the vanilla list opened from the main window's menu
// were owned by it, so closing the main window closed them, and freed the
// manager under its own call while it waited in a box. They are top-level
// windows of their own; the run ends with the last of them.
TEST_F(MainFrameTest, ManagerAndVanillaListOutliveTheMainWindowEvenInTheManagersOwnCall) {
    WriteVersion(L"1.7.10", R"({"id":"1.7.10"})");
    const char manifest[] = R"({"versions":[{"id":"1.7.10","type":"release"}]})";
    wendal_::byte_buffer* kept = GetVersionListCache(kListVanilla);  // so that the list fetches nothing
    kept->Clear();
    kept->Write(manifest, sizeof manifest - 1);
    ASSERT_NO_FATAL_FAILURE(Open());
    for (int item : {0, 1}) {  // "原版下载", "游戏管理"
        ClickControl(frame->GetMenuButton());
        ASSERT_TRUE(ui_testing::PumpUntil([&] { return frame->GetMenu().GetMenuWindow() != nullptr; }, 10000));
        auto* shadow = static_cast<wendaldui::CUIContainerShadow*>(frame->GetMenu().GetMenuWindow()->GetRoot());
        dynamic_cast<wendaldui::internal::CUIMenu*>(shadow->GetContent())->ChooseItem(item);
        ui_testing::PumpFor(100);
    }
    CGameManagerDlg* manager = GetTopLevelWindows().gameManager;
    CGameDwonloadDlg* list = GetTopLevelWindows().gameDownload;
    ASSERT_TRUE(manager && list);
    const HWND managerWindow = manager->GetHWND(), listWindow = list->GetHWND();
    EXPECT_EQ(NULL, GetWindow(managerWindow, GW_OWNER));
    EXPECT_EQ(NULL, GetWindow(listWindow, GW_OWNER));

    // "删除此版本" asks; while the manager waits for the answer the main window closes.
    bool upWhileAsking = false;
    g_onBox = [&] {
        PostMessageW(GetTopLevelWindows().mainFrame->GetHWND(), WM_CLOSE, 0, 0);
        ui_testing::PumpUntil([] { return GetTopLevelWindows().mainFrame == nullptr; }, 10000);
        upWhileAsking = IsWindow(managerWindow) && IsWindow(listWindow) && GetTopLevelWindows().gameManager == manager;
    };
    g_replies = {{1, false}};  // "否"
    manager->GetList()->SelectRow(0);
    manager->GetList()->FireEvent(wendaldui::kEventSelectionChanged);
    RECT window;
    GetWindowRect(managerWindow, &window);
    const UIRect button = manager->GetControl(13)->GetWindowRect();  // "删除此版本"
    ui_testing::ClickAt(window.left + button.x + button.width / 2, window.top + button.y + button.height / 2);
    ASSERT_TRUE(ui_testing::PumpUntil([] { return GetTopLevelWindows().mainFrame == nullptr; }, 10000));
    ui_testing::PumpFor(100);
    EXPECT_TRUE(upWhileAsking) << "the main window took the manager or the list with it";
    ASSERT_EQ(manager, GetTopLevelWindows().gameManager);
    EXPECT_TRUE(IsWindowEnabled(managerWindow)) << "the manager's call returned";
    EXPECT_TRUE(testing_support::Exists(dir / L".minecraft\\versions\\1.7.10\\1.7.10.json")) << "no \"是\", no deletion";
    MSG quit;
    EXPECT_FALSE(PeekMessageW(&quit, NULL, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    PostMessageW(listWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(ui_testing::PumpUntil([] { return GetTopLevelWindows().gameDownload == nullptr; }, 10000));
    EXPECT_FALSE(PeekMessageW(&quit, NULL, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "the manager is still open";
    PostMessageW(managerWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(ui_testing::PumpUntil([] { return GetTopLevelWindows().gameManager == nullptr; }, 10000));
    EXPECT_TRUE(PeekMessageW(&quit, NULL, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "the last window ends the run";
    kept->Clear();
}

// The settings dialog's preset "红色" recolours the open main window at once:
// the launch button is painted anew in the red theme while the dialog is up.
TEST_F(MainFrameTest, PresetRedRecoloursTheOpenLaunchButtonAtOnce) {
    WriteVersion(L"1.7.10", R"({"id":"1.7.10"})");
    g_settings.current.mainframeLayout = kPanelHidden;
    ASSERT_NO_FATAL_FAILURE(Open());
    const UIRect r = frame->GetLaunchButton()->GetWindowRect();
    auto pixel = [&] {
        RedrawWindow(frame->GetHWND(), nullptr, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
        ui_testing::PumpFor(100);
        const wendaldui::COffscreenDC& dc = frame->GetOffscreenDC();
        return dc.GetBits()[(r.y + r.height / 2) * dc.GetWidth() + r.x + r.width / 4];
    };
    const uint32_t before = pixel();
    auto* dialog = new CSettingDlg;
    CreateWindowExW(0, wendaldui::kDuiWindowClassName, L"SettingDlg", WS_CAPTION | WS_SYSMENU, 0, 0, 200, 200,
                    frame->GetHWND(), NULL, GetModuleHandleW(NULL), dialog);
    dialog->GetPresetCombo()->SetCurSel(5);
    dialog->GetPresetCombo()->FireEvent(wendaldui::kEventSelectionChanged, 5);
    const uint32_t after = pixel();
    DestroyWindow(dialog->GetHWND());
    delete dialog;
    const int red = (after >> 16) & 0xFF, green = (after >> 8) & 0xFF, blue = after & 0xFF;
    EXPECT_NE(before, after);
    EXPECT_GT(red, green + 40) << std::hex << after;
    EXPECT_GT(red, blue + 40) << std::hex << after;
}

void CALLBACK CloseSettings(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND settings = FindWindowW(wendaldui::kDuiWindowClassName, L"TRELM - 设置");
    if (!settings || !IsWindowVisible(settings)) return;
    KillTimer(NULL, timer);
    PostMessageW(settings, WM_CLOSE, 0, 0);
}

// The background's tint is the theme colour and follows it; after the
// settings close, a status row out of its place slides back into it.
TEST_F(MainFrameTest, BackgroundTintFollowsTheThemeAndTheRowSlidesBackAfterTheSettings) {
    WriteVersion(L"1.7.10", R"({"id":"1.7.10"})");
    ASSERT_NO_FATAL_FAILURE(Open());
    auto themeTint = [&] {
        const double* rgb = skin.GetTheme().rgb;
        return wendaldui::MakeArgb(0xFF, rgb[0], rgb[1], rgb[2]);
    };
    EXPECT_EQ(themeTint(), frame->GetBackground()->GetTint());
    ApplyThemeArgb(0xFFC0392B);
    EXPECT_EQ(themeTint(), frame->GetBackground()->GetTint());
    EXPECT_NE(0xFF000000u, frame->GetBackground()->GetTint());

    const UIRect home = frame->GetStatusRow()->GetRect();
    frame->GetStatusRow()->SetPos(UIRect(home.x, home.y + 40, home.width, home.height));
    SetTimer(NULL, 0, 50, &CloseSettings);
    SendMessageW(frame->GetHWND(), wendaldui::WM_DUI_MENU_COMMAND, reinterpret_cast<WPARAM>(&frame->GetMenu()),
                 kMenuSettings);
    ASSERT_TRUE(ui_testing::PumpUntil([&] { return !frame->IsPanelSliding(); }, 10000));
    EXPECT_TRUE(home == frame->GetStatusRow()->GetRect());
}

TEST(MainFrameUpdateOffer, SameVersionIsNotAnnouncedAgainWithinThreeDays) {
    const int64_t now = 1700000000;
    LauncherVersion offered;
    offered.major = 1;
    offered.minor = 3;
    LauncherVersion older = offered;
    older.minor = 2;
    const struct {
        const char* what;
        LauncherVersion stored;
        int64_t time;
        bool announce;
    } cases[] = {
        {"never announced", older, -1, true},
        {"same version an hour ago", offered, now - 3600, false},
        {"same version exactly three days ago", offered, now - 259200, false},
        {"same version three days and a second ago", offered, now - 259201, true},
        {"another version an hour ago", older, now - 3600, true},
        {"a stored time in the future", offered, now + 60, true},
    };
    for (const auto& c : cases) {
        UpdateOfferedSetting stored;
        stored.version = c.stored;
        stored.time = c.time;
        EXPECT_EQ(c.announce, ShouldAnnounceUpdate(stored, offered, now)) << c.what;
    }
}

// The launch flow against a local version tree and server.
class LaunchFlowTest : public MainFrameTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Start()) << server.LastError();
        UseEndpoints(server.BaseUrl());
        std::string json = kVersionJson;
        for (size_t at; (at = json.find("BASE")) != std::string::npos;) json.replace(at, 4, server.BaseUrl());
        WriteVersion(L"1.7.10-t", json);
        ASSERT_NO_FATAL_FAILURE(testing_support::BuildZip(files / L"natives.jar", {{L"lwjgl.dll", "dll bytes"}}));
        const std::string natives = testing_support::WindowsToHostPath(files / L"natives.jar");
        const std::string index = std::string(R"({"objects":{"a.ogg":{"hash":")") + kHashA +
                                  R"(","size":1},"b.ogg":{"hash":")" + kHashB + R"(","size":1}}})";
        ASSERT_TRUE(server.SetRoutes(std::string(R"({
            "/Minecraft.Download/versions/1.7.10-t/1.7.10-t.jar": {"generate": 2000},
            "/Minecraft.Download/indexes/t.json": {"body": )") + testing_support::JsonQuote(index) + R"(},
            "/maven/com/example/lib/1/lib-1.jar": {"generate": 500},
            "/maven/org/lwjgl/nat/1/nat-1-natives-windows.jar": {"file": )" +
                                     testing_support::JsonQuote(natives) + R"(},
            "/aa/)" + kHashA + R"(": {"body": "a"}, "/bb/)" + kHashB + R"(": {"body": "b"}})"))
            << server.LastError();
        g_settings.current.offlineName = L"Tester";
        g_settings.current.gameVer = L"1.7.10-t";
    }
    // Presses the launch button and waits until the flow is over.
    void Launch() {
        wendaldui::EventData event;
        frame->OnBtnLaunchClick(event);
        ASSERT_TRUE(ui_testing::PumpUntil([&] { return !frame->IsBusy(); }, 30000));
    }
    std::wstring Mc(const std::wstring& relative) const { return dir / (L".minecraft\\" + relative); }

    TempDir files;
    testing_support::TestHttpServer server;
};

TEST_F(LaunchFlowTest, OfflineLaunchFetchesExtractsStartsJavaAndRegistersTheGame) {
    ASSERT_NO_FATAL_FAILURE(Open());
    g_replies = {{0, false}};  // "是": fetch the missing assets
    std::wstring titleMeanwhile;
    bool launchEnabledMeanwhile = true;
    g_onBox = [&] {
        titleMeanwhile = Title();
        launchEnabledMeanwhile = frame->GetLaunchButton()->IsEffectivelyEnabled() ||
                                 Control(kPanelLaunchButton)->IsEffectivelyEnabled() ||
                                 frame->GetMenuButton()->IsEffectivelyEnabled();
        PostMessageW(frame->GetHWND(), WM_CLOSE, 0, 0);  // refused while busy
    };
    ASSERT_NO_FATAL_FAILURE(Launch());
    EXPECT_EQ(std::vector<std::wstring>{L"检查到资源文件不完整，是否补全？"}, g_boxTexts);
    EXPECT_EQ(L"TRELM v1.2.4.0 - 正在检查游戏文件", titleMeanwhile);
    EXPECT_FALSE(launchEnabledMeanwhile);
    ASSERT_EQ(frame, GetTopLevelWindows().mainFrame);
    for (const char* path : {"/Minecraft.Download/versions/1.7.10-t/1.7.10-t.jar", "/Minecraft.Download/indexes/t.json",
                             "/maven/com/example/lib/1/lib-1.jar", "/maven/org/lwjgl/nat/1/nat-1-natives-windows.jar"}) {
        EXPECT_EQ(1, server.Hits(path)) << path;
    }
    EXPECT_TRUE(testing_support::Exists(Mc(L"assets\\objects\\aa\\") + testing_support::Widen(kHashA)));
    EXPECT_TRUE(testing_support::Exists(Mc(L"native\\1.7.10-t\\lwjgl.dll")));

    const auto runs = java.Runs();
    ASSERT_EQ(1u, runs.size());
    WString uuid;
    trelm::launcher::MinecraftLauncher::MakeOfflineUuid(uuid, L"Tester");
    for (const std::wstring& part :
         {std::wstring(L" -Xmx1024m "), L"\"-Djava.library.path=" + Mc(L"native\\1.7.10-t") + L"\"",
          L"-cp \"" + Mc(L"libraries\\com\\example\\lib\\1\\lib-1.jar;"),
          Mc(L"versions\\1.7.10-t\\1.7.10-t.jar\" net.minecraft.client.main.Main"),
          L"--username Tester --uuid " + std::wstring(uuid.GetString()), std::wstring(L"--height 480 --width 854")}) {
        EXPECT_NE(std::wstring::npos, runs[0].commandLine.find(part)) << Narrow(part) << "\n" << Narrow(runs[0].commandLine);
    }
    EXPECT_EQ(1u, g_accountStore.offlineNames.count(L"Tester"));
    EXPECT_EQ((std::vector<std::wstring>{L"Tester"}), Items(kPanelNameList));
    EXPECT_EQ(L"TRELM v1.2.4.0", Title());
    EXPECT_TRUE(Control(kPanelLaunchButton)->IsEffectivelyEnabled());
    // The monitor watches it: its exit is reported.
    EXPECT_TRUE(ui_testing::PumpUntil([&] { return monitor.exits == 1; }, 10000));
}

TEST_F(LaunchFlowTest, HeapQuestionForA32BitJavaAndItsDoNotShowBox) {
    g_settings.current.dontCheckAssets = true;
    ASSERT_NO_FATAL_FAILURE(Open());
    const struct {
        int heap;
        std::vector<Reply> replies;  // empty: no question expected
        const wchar_t* option;
        const wchar_t* fieldAfter;
        bool suppressedAfter;
    } cases[] = {
        {1024, {}, L" -Xmx1024m ", L"1,024 MB", false},
        {1025, {{0, false}}, L" -Xmx1024m ", L"1,024 MB", false},  // "是"
        {1025, {{1, true}}, L" -Xmx1025m ", L"1,025 MB", true},    // "否" with the box ticked
        {1025, {}, L" -Xmx1025m ", L"1,025 MB", true},             // not asked again
    };
    size_t launches = 0;
    for (const auto& c : cases) {
        frame->SetMemoryValue(c.heap);
        g_replies = c.replies;
        g_boxTexts.clear();
        ASSERT_NO_FATAL_FAILURE(Launch());
        ASSERT_EQ(c.replies.size(), g_boxTexts.size()) << c.heap;
        if (!g_boxTexts.empty()) {
            EXPECT_EQ(0u, g_boxTexts[0].find(L"用32位Java运行游戏，如果游戏内存设置超过1024MB"));
        }
        const auto runs = java.Runs();
        ASSERT_EQ(++launches, runs.size());
        EXPECT_NE(std::wstring::npos, runs.back().commandLine.find(c.option)) << Narrow(runs.back().commandLine);
        WString field;
        Control<CUIComboBoxString>(kPanelMemoryList)->GetText(field);
        EXPECT_STREQ(c.fieldAfter, field.GetString());
        EXPECT_EQ(c.suppressedAfter, g_settings.current.dontShowTip.java32XmxWarning);
    }
    // dont_check_assets: neither the index nor an object was asked for.
    EXPECT_EQ(0, server.Hits("/Minecraft.Download/indexes/t.json"));
    EXPECT_EQ(0, server.Hits(std::string("/aa/") + kHashA));
}

TEST_F(LaunchFlowTest, OnlineSignInHandsTheProfileToTheGameOrSaysWhyItFailed) {
    SettingsRecord& s = g_settings.current;
    s.dontCheckAssets = true;
    s.userType = kLoginOnline;
    s.yggAccount = L"user@example.com";
    ASSERT_TRUE(InitMachineKeyFromId(L"1234QUORVEL-PCtester"));  // the start-up reads the real one
    ASSERT_NO_FATAL_FAILURE(Open());
    Control<wendaldui::CUIRichEdit>(kPanelPassword)->SetText(L"pw");
    auto* remember = Control<wendaldui::CUICheckBox>(kPanelRememberPassword);
    remember->SetFlags(remember->GetFlags() | wendaldui::kCheckBoxChecked);
    const struct {
        const char* answer;
        bool started;
    } cases[] = {
        {R"({"status": 403, "body": "{\"error\":\"ForbiddenOperationException\",\"errorMessage\":\"<a href=\\\"calc.exe\\\"><b>Invalid.</b></a>\"}"})",
         false},
        {R"({"body": "{\"accessToken\":\"tok-1\",\"selectedProfile\":{\"id\":\"0123abcd\",\"name\":\"Alex\"}}"})",
         true},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(server.SetRoutes(std::string(R"({"/authenticate": )") + c.answer + "}")) << server.LastError();
        g_boxTexts.clear();
        const size_t before = java.Runs().size();
        ASSERT_NO_FATAL_FAILURE(Launch());
        EXPECT_EQ(before + (c.started ? 1 : 0), java.Runs().size());
        EXPECT_EQ(c.started, g_accountStore.FindYggdrasilAccount(L"user@example.com") != nullptr);
        if (c.started) {
            EXPECT_TRUE(g_boxTexts.empty());
        } else {
            // A refusal by the server adds the hint about too frequent
            // requests; the server's own text is shown as it is, not as mark-up.
            ASSERT_EQ(1u, g_boxTexts.size());
            EXPECT_EQ(0u, g_boxTexts[0].find(L"无法完成正版验证"));
            EXPECT_NE(std::wstring::npos, g_boxTexts[0].find(L"errorMessage:<a href=\"calc.exe\"><b>Invalid.</b></a>"))
                << Narrow(g_boxTexts[0]);
            EXPECT_NE(std::wstring::npos, g_boxTexts[0].find(L"请求过于频繁"));
        }
        EXPECT_TRUE(Control(kPanelLaunchButton)->IsEffectivelyEnabled());
    }
    const std::wstring line = java.Runs().back().commandLine;
    EXPECT_NE(std::wstring::npos, line.find(L"--username Alex --uuid 0123abcd --accessToken tok-1")) << Narrow(line);
    const YggdrasilAccount* stored = g_accountStore.FindYggdrasilAccount(L"user@example.com");
    ASSERT_NE(nullptr, stored);
    WString password;
    stored->GetPassword(password);
    EXPECT_STREQ(L"Alex", stored->name.GetString());
    EXPECT_STREQ(L"pw", password.GetString());  // "记住密码" was ticked
}

// The version's display name (the player's alias from the settings file)
// and the launcher's reason reach the launch error box as they are.
TEST_F(LaunchFlowTest, LaunchErrorShowsTheNameAndTheReasonAsPlainText) {
    g_settings.current.dontCheckAssets = true;
    WriteVersion(L"1.7.10-t", R"({"id":"1.7.10-t","mainClass":"m","releaseTime":"2014-05-14T17:29:23+00:00",
        "minecraftArguments":"","libraries":[{"name":5}]})");
    g_settings.SetVersionAlias(L"1.7.10-t", L"<color cr=\"ff0000\">红</color>");
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_EQ(1u, g_boxTexts.size());
    EXPECT_EQ(0u, g_boxTexts[0].find(L"无法启动Minecraft <color cr=\"ff0000\">红</color>(1.7.10-t)Json文件("))
        << Narrow(g_boxTexts[0]);
    EXPECT_EQ(0u, java.Runs().size());
}

TEST_F(LaunchFlowTest, EmptyNicknameShowsTheTipOpensThePanelAndStartsNothing) {
    g_settings.current.offlineName = L"";
    g_settings.current.mainframeLayout = kPanelHidden;
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(Launch());
    EXPECT_EQ(std::vector<std::wstring>{L"请输入昵称"}, g_boxTexts);
    EXPECT_EQ(kPanelShown, frame->GetPanelState());
    EXPECT_TRUE(Control(kPanelNameList)->HasFocus());
    EXPECT_TRUE(java.Runs().empty());
    EXPECT_EQ(0, server.Hits("/Minecraft.Download/versions/1.7.10-t/1.7.10-t.jar"));
}

// The main window and the launch flow on the system their test entry chose:
// ui_tests_dpi96/144 run them in the 32-bit prefix (a 32-bit Windows, one
// registry view), ui_tests_wow64 in the 64-bit one, where this program runs
// under WOW64 beside separate 32- and 64-bit views, as on most players'
// Windows. Runtimes are registered as their installers do, no seam.
class MainFrameBySystem : public LaunchFlowTest {
protected:
    MainFrameBySystem() { g_settings.current.manualJava.enable = false; }

    static bool Wow64() {
        BOOL wow64 = FALSE;
        return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
    }
    void SetUp() override {
        ASSERT_EQ(testing_support::InWin64Prefix(), Wow64()) << "the 64-bit prefix runs this program under WOW64";
        LaunchFlowTest::SetUp();
    }
    void OpenWithRegistry() {
        ASSERT_TRUE(trelm::launcher::g_javaRuntimes.Refresh());
        ASSERT_NO_FATAL_FAILURE(Open());
    }
};

TEST_F(MainFrameBySystem, MemoryListAndBitTextsAndTheNo64BitJavaNoticeAreTheSystems) {
    const bool wow64 = Wow64();
    // Under WOW64 every size below the total memory (the host's under Wine,
    // so read here) and 8,192 MB above it; a 32-bit system offers 1,024 MB.
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    const uint64_t totalMB = status.ullTotalPhys >> 20;
    std::vector<std::wstring> memory = {L"自动设置", L"1,024 MB"};
    if (wow64) {
        const struct {
            uint64_t size;
            const wchar_t* text;
        } sizes[] = {{2048, L"2,048 MB"}, {3072, L"3,072 MB"}, {4096, L"4,096 MB"}};
        if (totalMB <= 1024) memory.pop_back();
        for (const auto& size : sizes)
            if (size.size < totalMB) memory.push_back(size.text);
        if (totalMB > 8192) memory.push_back(L"8,192 MB");
    }
    const std::wstring bits = wow64 ? L"64位" : L"32位";
    testing_support::FakeJavaHome java64(testing_support::FakeJavaHome::k64Bit);
    using testing_support::RegisteredJava;
    const struct {
        const char* what;
        bool java32, java64;
        std::vector<std::wstring> javaList;
        const wchar_t* notice;  // its start; every notice names the system's bits
    } cases[] = {
        {"no runtime", false, false, {L"自动设置"}, L"启动器未找到Java。"},
        // The 64-bit prefix's notice; a 32-bit system gives none.
        {"only a 32-bit runtime", true, false, {L"自动设置", L"35.0.0_1(32bit)"},
         wow64 ? L"检测到64位系统，但只安装了32位Java。" : nullptr},
        // The 32-bit prefix's one view holds both, read as 32-bit.
        {"both", true, true, {L"自动设置", L"35.0.0_1(32bit)", wow64 ? L"35.0.0_2(64bit)" : L"35.0.0_2(32bit)"},
         nullptr},
    };
    for (const auto& c : cases) {
        std::unique_ptr<RegisteredJava> registered32, registered64;
        if (c.java32) registered32.reset(new RegisteredJava(L"35.0.0_1", java.Home(), false));
        if (c.java64) registered64.reset(new RegisteredJava(L"35.0.0_2", java64.Home(), true));
        g_boxTexts.clear();
        g_replies = {{0, true}};  // "不再显示这个消息" where the box has it
        g_settings.current.dontShowTip.no64Java = false;
        ASSERT_NO_FATAL_FAILURE(OpenWithRegistry());
        EXPECT_EQ(memory, Items(kPanelMemoryList)) << c.what << ", total " << totalMB << " MB";
        EXPECT_EQ(c.javaList, Items(kPanelJavaList)) << c.what;
        ui_testing::PumpUntil([&] { return !g_boxTexts.empty(); }, c.notice ? 15000 : 300);
        ASSERT_EQ(c.notice ? 1u : 0u, g_boxTexts.size()) << c.what;
        if (c.notice) {
            EXPECT_EQ(0u, g_boxTexts[0].find(c.notice)) << c.what;
            EXPECT_NE(std::wstring::npos, g_boxTexts[0].find(L"下载Windows版本的" + bits + L"Java")) << c.what;
        }
        EXPECT_EQ(c.java32 && !c.java64 && wow64, g_settings.current.dontShowTip.no64Java) << c.what;
        CloseFrame();
    }
}

// The 64-bit prefix starts the real 64-bit fake, registered in the 64-bit
// view. A 32-bit system cannot start it, so the 32-bit prefix shows the rule
// only through the seam of a runtime the player marked as 64-bit.
TEST_F(MainFrameBySystem, A64BitRuntimeIsNeverAskedAboutTheHeapAndIsStarted) {
    const bool wow64 = Wow64();
    g_settings.current.dontCheckAssets = true;
    testing_support::FakeJavaHome java64(testing_support::FakeJavaHome::k64Bit);
    std::unique_ptr<testing_support::RegisteredJava> registered;
    testing_support::FakeJavaHome* started = &java;
    if (wow64) {
        java64.SetScript("window=1\nsleep=300\n");
        registered.reset(new testing_support::RegisteredJava(L"35.0.0_2", java64.Home(), true));
        started = &java64;
    } else {
        g_settings.current.manualJava.enable = true;
        g_settings.current.manualJava.arch = 1;
    }
    ASSERT_NO_FATAL_FAILURE(OpenWithRegistry());
    EXPECT_EQ(wow64 ? L"35.0.0_2(64bit)" : L"javaw.exe(64bit)", Items(kPanelJavaList).back());
    size_t launches = 0;
    for (int heap : {1025, 8192}) {
        frame->SetMemoryValue(heap);
        g_boxTexts.clear();
        ASSERT_NO_FATAL_FAILURE(Launch());
        EXPECT_TRUE(g_boxTexts.empty()) << heap;
        const auto runs = started->Runs();
        ASSERT_EQ(++launches, runs.size()) << heap;
        EXPECT_EQ(started->JavawExe(), runs.back().module);
        const std::wstring option = L" -Xmx" + std::to_wstring(heap) + L"m ";
        EXPECT_NE(std::wstring::npos, runs.back().commandLine.find(option)) << Narrow(runs.back().commandLine);
    }
    EXPECT_FALSE(g_settings.current.dontShowTip.java32XmxWarning);
    EXPECT_TRUE(ui_testing::PumpUntil([&] { return monitor.exits == 2; }, 10000));
}

}  // namespace
