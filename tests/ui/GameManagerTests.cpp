// The game manager over a small installed tree: A (plain) and A-Forge1 (Forge,
// inherits A). Message boxes are read and answered through the
// dialogs' box seam (or shown for real where closing them or their links
// count); folders open through the shell seam. The installer dialogs run
// from its buttons against a local mirror serving installers built here from
// the real installer profiles.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UICheckBox.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UILinkCtrl.h"
#include "WendalDui/Control/UIListBodyString.h"
#include "WendalDui/Control/UIListCtrlString.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Core/DlgMessageBox.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/FormattedText.h"
#include "core/Endpoints.h"
#include "core/JsonFile.h"
#include "core/SimpleEventBus.h"
#include "launcher/MinecraftList.h"
#include "download/DownloadManager.h"
#include "services/LauncherSettings.h"
#include "tests/launcher/TreeListing.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestZip.h"
#include "ui/GameDownloadListDlg.h"
#include "ui/GameManagerDlg.h"
#include "ui/LiteLoaderInstallDlg.h"
#include "ui/TopLevelWindows.h"

namespace {

using namespace trelm::ui;
using testing_support::Exists;
using testing_support::Narrow;

// A real box, acted on from inside its modal loop once it is up.
std::function<void(wendaldui::CDlgMessageBox&, HWND)> g_boxAction;
BOOL CALLBACK FindBoxWindow(HWND hwnd, LPARAM found) {
    auto* base = reinterpret_cast<wendaldui::CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!base || !IsWindowVisible(hwnd) || !dynamic_cast<wendaldui::CDlgMessageBox*>(base)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}
void CALLBACK ActOnBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND hwnd = NULL;
    EnumThreadWindows(GetCurrentThreadId(), &FindBoxWindow, reinterpret_cast<LPARAM>(&hwnd));
    if (!hwnd) return;
    KillTimer(NULL, timer);
    ui_testing::PumpFor(50);  // laid out and painted
    g_boxAction(*dynamic_cast<wendaldui::CDlgMessageBox*>(
                    reinterpret_cast<wendaldui::CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))),
                hwnd);
}
int RealBox(HWND owner, const wchar_t* caption, const wchar_t* text, int style, int icon,
            std::function<void(wendaldui::CDlgMessageBox&, HWND)> action) {
    g_boxAction = std::move(action);
    SetTimer(NULL, 0, 30, &ActOnBox);
    return wendaldui::CDlgMessageBox::Show(owner, caption, text, style, icon);
}
// Clicks the first link of the box's text with real input, then closes the box.
void ClickLinkAndClose(wendaldui::CDlgMessageBox& box, HWND hwnd) {
    auto* text = static_cast<wendaldui::CUILinkCtrl*>(box.GetClientContainer()->GetChild(1));
    if (const wendaldui::CFormattedText::Link* link = text->GetFormattedText().GetLink(0)) {
        RECT window;
        GetWindowRect(hwnd, &window);
        const wendaldui::UIRect place = text->GetWindowRect(), piece = link->rects.front();
        ui_testing::ClickAt(window.left + place.x + piece.x + piece.width / 2,
                            window.top + place.y + piece.y + piece.height / 2);
        ui_testing::PumpFor(100);
    }
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
}

// Answers: a result id, or kCloseTheRealBox for a real box ended by WM_CLOSE.
constexpr int kCloseTheRealBox = 1;
std::vector<std::wstring> g_boxes;
std::vector<int> g_icons;
int g_answer = wendaldui::kResultYes;
// Runs while the next question is open, as another window would.
std::function<void()> g_whileAsked;
int RecordBox(HWND owner, const wchar_t* caption, const wchar_t* text, int style, int icon) {
    g_boxes.push_back(text);
    g_icons.push_back(icon);
    if (style != wendaldui::kBoxOk && g_whileAsked) {
        std::function<void()> meanwhile;
        meanwhile.swap(g_whileAsked);
        meanwhile();
    }
    if (wcsstr(text, L"<a href=")) return RealBox(owner, caption, text, style, icon, &ClickLinkAndClose);
    if (g_answer != kCloseTheRealBox || style == wendaldui::kBoxOk) return g_answer;
    return RealBox(owner, caption, text, style, icon,
                   [](wendaldui::CDlgMessageBox&, HWND hwnd) { PostMessageW(hwnd, WM_CLOSE, 0, 0); });
}
std::vector<std::wstring> g_opened;
HINSTANCE RecordOpen(const wchar_t* target) {
    g_opened.push_back(target);
    return reinterpret_cast<HINSTANCE>(42);
}

// Counts the bus's events by id.
struct BusListener {
    void On(unsigned id, int, int) { ++counts[id]; }
    int counts[4] = {};
};

class GameManager : public testing::Test {
protected:
    GameManager() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {
        GetCurrentDirectoryW(MAX_PATH, m_old);
        SetCurrentDirectoryW(dir.Path().c_str());
        Version(L"A", "{\"id\":\"A\",\"releaseTime\":\"2017-01-01T00:00:00\"}");
        Version(L"A-Forge1", "{\"id\":\"A-Forge1\",\"inheritsFrom\":\"A\",\"releaseTime\":\"2017-02-01T00:00:00\"}");
        testing_support::WriteBytes(dir / L".minecraft\\versions\\A-Forge1\\A-Forge1.jar", "jar");
        trelm::launcher::g_minecraftList.SetRoot(nullptr);
        trelm::launcher::g_minecraftList.Refresh();
        m_oldBox = SetVersionMessageBox(&RecordBox);
        m_oldOpen = wendaldui::SetShellOpenFunction(&RecordOpen);
        g_boxes.clear();
        g_icons.clear();
        g_opened.clear();
        g_answer = wendaldui::kResultYes;
    }
    ~GameManager() override {
        if (GetTopLevelWindows().gameManager) SendMessageW(GetTopLevelWindows().gameManager->GetHWND(), WM_CLOSE, 0, 0);
        MSG msg;
        PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);
        SetVersionMessageBox(m_oldBox);
        wendaldui::SetShellOpenFunction(m_oldOpen);
        SetCurrentDirectoryW(m_old);
        trelm::launcher::g_minecraftList.SetRoot(nullptr);
        trelm::launcher::g_minecraftList.Refresh();
    }
    void Version(const wchar_t* id, const std::string& json) {
        testing_support::WriteBytes(dir / (std::wstring(L".minecraft\\versions\\") + id + L"\\" + id + L".json"), json);
    }
    CGameManagerDlg* Open() {
        ShowGameManager();
        CGameManagerDlg* dialog = GetTopLevelWindows().gameManager;
        ui_testing::PumpFor(50);
        return dialog;
    }
    int Row(const wchar_t* id) { return trelm::launcher::g_minecraftList.FindById(id); }
    void Select(CGameManagerDlg* dialog, std::vector<int> rows) {
        auto& selection = dialog->GetList()->GetBody()->GetSelection();
        selection.ClearAll();
        for (int row : rows) dialog->GetList()->SelectRow(row);
        dialog->GetList()->FireEvent(wendaldui::kEventSelectionChanged);
    }
    void Click(CGameManagerDlg* dialog, int index) { dialog->GetControl(index)->FireEvent(wendaldui::kEventClick); }

    testing_support::TempDir dir;
    wendaldui::CDuiSkinManager skin;
    wchar_t m_old[MAX_PATH];
    VersionMessageBox m_oldBox;
    wendaldui::ShellOpenFunction m_oldOpen;
};

enum { kOpenFolder = 1, kSelectionLabel = 4, kNameEdit = 6, kHide = 7, kForge = 8, kOptiFine = 9, kLiteLoader = 10,
       kDeleteFiles = 11, kDeleteTemp = 12, kDeleteVersion = 13 };

TEST_F(GameManager, PanelFollowsSelectionAndNameAndHiddenFlagReachSettingsAndBus) {
    CGameManagerDlg* dialog = Open();
    ASSERT_TRUE(dialog);
    ASSERT_EQ(2, dialog->GetList()->GetBody()->GetRowCount());
    BusListener listener;
    auto* name = new wendal_::CMethodDelegate<BusListener, void, unsigned, int, int>(&listener, &BusListener::On);
    auto* hidden = new wendal_::CMethodDelegate<BusListener, void, unsigned, int, int>(&listener, &BusListener::On);
    wendal_::GetEventBus().Subscribe(wendal_::kEventVersionNameChanged, name);
    wendal_::GetEventBus().Subscribe(wendal_::kEventVersionHiddenChanged, hidden);

    Select(dialog, {Row(L"A"), Row(L"A-Forge1")});
    auto* label = static_cast<wendaldui::CUILabel*>(dialog->GetControl(kSelectionLabel));
    EXPECT_EQ(std::wstring(L"已选择 2 个版本"), label->GetText().GetString());
    EXPECT_FALSE(dialog->GetControl(kNameEdit)->IsEffectivelyEnabled()) << "two rows: no name";
    EXPECT_TRUE(dialog->GetControl(kDeleteFiles)->IsEffectivelyEnabled());

    Select(dialog, {Row(L"A-Forge1")});
    EXPECT_FALSE(dialog->GetControl(kForge)->IsEffectivelyEnabled()) << "a Forge version takes no Forge";
    EXPECT_EQ(std::wstring(L"添加OptiFine Mod"),
              static_cast<wendaldui::CUIButton*>(dialog->GetControl(kOptiFine))->GetText().GetString());
    Select(dialog, {Row(L"A")});
    EXPECT_TRUE(dialog->GetControl(kForge)->IsEffectivelyEnabled());
    auto* edit = static_cast<wendaldui::CUIRichEdit*>(dialog->GetControl(kNameEdit));
    // The empty name field once had no frame: nothing showed where to type.
    const wendaldui::UIRect field = edit->GetWindowRect();
    UpdateWindow(dialog->GetHWND());
    auto at = [&](int dy) { return ui_testing::SurfacePixel(*dialog, field.x + field.width / 2, field.y + dy); };
    EXPECT_FALSE(ui_testing::Near2(at(0), at(3))) << "the top edge is drawn apart from the inside";
    EXPECT_FALSE(ui_testing::Near2(at(0), at(-2))) << "and from the window around it";
    edit->SetText(L"我的A");
    edit->FireEvent(wendaldui::kEventRichEditChanged);
    EXPECT_EQ(std::wstring(L"我的A"), g_settings.GetVersionAlias(L"A"));
    auto* hide = static_cast<wendaldui::CUICheckBox*>(dialog->GetControl(kHide));
    hide->SetFlags(hide->GetFlags() | wendaldui::kCheckBoxChecked);
    hide->FireEvent(wendaldui::kEventClick, 1);
    EXPECT_TRUE(g_settings.IsVersionHidden(L"A"));
    EXPECT_EQ(1, listener.counts[wendal_::kEventVersionNameChanged]);
    EXPECT_EQ(1, listener.counts[wendal_::kEventVersionHiddenChanged]);
    wendal_::GetEventBus().Unsubscribe(wendal_::kEventVersionNameChanged, name);
    wendal_::GetEventBus().Unsubscribe(wendal_::kEventVersionHiddenChanged, hidden);
    g_settings.SetVersionAlias(L"A", L"");
    g_settings.SetVersionHidden(L"A", false);

    Click(dialog, kOpenFolder);
    ASSERT_EQ(1u, g_opened.size());
    EXPECT_EQ(dir.Path() + L".minecraft\\", g_opened[0]) << "through the shell seam";
}

TEST_F(GameManager, DeletesOnlyOnYesRefusesANeededBaseAndRemovesAChildAlone) {
    CGameManagerDlg* dialog = Open();
    ASSERT_TRUE(dialog);
    const std::wstring jsonA = dir / L".minecraft\\versions\\A\\A.json";
    const std::wstring jsonB = dir / L".minecraft\\versions\\A-Forge1\\A-Forge1.json";
    // Cancel, close or WM_CLOSE is no consent.
    for (int answer : {wendaldui::kResultCancel, wendaldui::kResultNo, kCloseTheRealBox}) {
        g_answer = answer;
        Select(dialog, {Row(L"A-Forge1")});
        Click(dialog, kDeleteVersion);
        Click(dialog, kDeleteFiles);
        EXPECT_TRUE(Exists(jsonB)) << answer;
        EXPECT_TRUE(Exists(dir / L".minecraft\\versions\\A-Forge1\\A-Forge1.jar")) << answer;
    }
    EXPECT_EQ(6u, g_boxes.size()) << "only the questions";

    g_answer = wendaldui::kResultYes;
    g_boxes.clear();
    Select(dialog, {Row(L"A")});
    Click(dialog, kDeleteVersion);
    ASSERT_EQ(2u, g_boxes.size());
    EXPECT_EQ(std::wstring(L"无法删除A，需要先删除A-Forge1"), g_boxes[1]);
    EXPECT_TRUE(Exists(jsonA));
    EXPECT_EQ(2, dialog->GetList()->GetBody()->GetRowCount());

    g_boxes.clear();
    Select(dialog, {Row(L"A-Forge1")});
    Click(dialog, kDeleteVersion);
    ASSERT_EQ(2u, g_boxes.size());
    EXPECT_EQ(std::wstring(L"删除完成"), g_boxes[1]);
    EXPECT_FALSE(Exists(jsonB));
    EXPECT_TRUE(Exists(jsonA)) << "the base stays";
    EXPECT_EQ(1, dialog->GetList()->GetBody()->GetRowCount()) << "the list follows the bus";

    g_boxes.clear();
    testing_support::WriteBytes(dir / L".minecraft\\logs\\latest.log", "log");
    Select(dialog, {0});
    Click(dialog, kDeleteTemp);
    ASSERT_EQ(2u, g_boxes.size());
    EXPECT_EQ(std::wstring(L"删除游戏生成的临时文件完成"), g_boxes[1]);
    EXPECT_FALSE(Exists(dir / L".minecraft\\logs\\latest.log"));

    // A log the game still holds: the failure box, with its text spelt once.
    g_boxes.clear();
    const std::wstring log = dir / L".minecraft\\logs\\latest.log";
    testing_support::WriteBytes(log, "log");
    HANDLE held = CreateFileW(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    Click(dialog, kDeleteTemp);
    CloseHandle(held);
    ASSERT_EQ(2u, g_boxes.size());
    EXPECT_EQ(std::wstring(L"删除游戏生成的临时文件失败，请检查游戏文件是否被占用"), g_boxes[1]);
}

// The download dialog stays usable during a deletion's wait and may refresh
// the list meanwhile: the deletion keeps to the versions it was given.
TEST_F(GameManager, ADeletionKeepsToItsVersionsWhenTheListIsRefreshedMeanwhile) {
    int32_t rows[] = {Row(L"A-Forge1")};
    std::vector<WString> blockers;
    DeleteMinecraftAsynTask task(L"正在删除所选版本", trelm::launcher::g_minecraftList, rows, 1, 0x1FF, &blockers);
    Version(L"B", "{\"id\":\"B\",\"releaseTime\":\"2018-01-01T00:00:00\"}");  // newest: first in the list
    trelm::launcher::g_minecraftList.Refresh();
    ASSERT_NE(rows[0], Row(L"A-Forge1"));
    ASSERT_TRUE(task.Submit());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(task.GetDoneEvent(), 20000));
    EXPECT_TRUE(task.GetResult());
    EXPECT_EQ(-1, rows[0]);
    EXPECT_FALSE(Exists(dir / L".minecraft\\versions\\A-Forge1\\A-Forge1.json"));
    EXPECT_TRUE(Exists(dir / L".minecraft\\versions\\B\\B.json")) << "another version was deleted";
    EXPECT_TRUE(Exists(dir / L".minecraft\\versions\\A\\A.json"));
}

// While the question is open the list is read again (the download window
// stays usable): a newer version moves every row down, or the named version
// is gone. What is deleted is what the question named, by its id.
TEST_F(GameManager, DeletesTheVersionTheQuestionNamedWhateverTheListBecameMeanwhile) {
    const std::wstring jarA = dir / L".minecraft\\versions\\A\\A.jar", jarC = dir / L".minecraft\\versions\\C\\C.jar";
    const struct {
        int button;
        bool gone;
        const wchar_t* result;
    } cases[] = {
        {kDeleteVersion, false, L"删除完成"},
        {kDeleteFiles, false, L"删除启动器可下载的文件完成"},
        {kDeleteVersion, true, L"C已不在版本列表中，未删除"},
        {kDeleteFiles, true, L"C已不在版本列表中，未删除"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.button << (c.gone ? " gone" : " moved"));
        testing_support::WriteBytes(jarA, "jar");
        testing_support::WriteBytes(jarC, "jar");
        Version(L"C", "{\"id\":\"C\",\"releaseTime\":\"2016-01-01T00:00:00\"}");
        DeleteFileW((dir / L".minecraft\\versions\\B\\B.json").c_str());
        RefreshInstalledVersions();
        CGameManagerDlg* dialog = Open();
        ASSERT_TRUE(dialog);
        Select(dialog, {Row(L"C")});
        g_whileAsked = [&] {
            if (c.gone) {
                DeleteFileW((dir / L".minecraft\\versions\\C\\C.json").c_str());  // the list reads only this
            } else {
                Version(L"B", "{\"id\":\"B\",\"releaseTime\":\"2018-01-01T00:00:00\"}");
            }
            RefreshInstalledVersions();
        };
        g_boxes.clear();
        Click(dialog, c.button);
        ASSERT_EQ(2u, g_boxes.size());
        EXPECT_EQ(std::wstring(c.result), g_boxes[1]);
        EXPECT_TRUE(Exists(jarA)) << "a version the question did not name lost its jar";
        EXPECT_TRUE(Exists(dir / L".minecraft\\versions\\A\\A.json"));
        EXPECT_EQ(c.gone, Exists(jarC)) << "what was gone is left alone";
        if (!c.gone) {
            EXPECT_EQ(c.button == kDeleteVersion, !Exists(dir / L".minecraft\\versions\\C\\C.json"));
        }
    }
}

// Files only: the deleter may leave or take empty folders.
std::set<std::wstring> Files(const std::wstring& root) {
    std::set<std::wstring> files;
    for (const std::wstring& path : testing_support::ListTree(root)) {
        if (path.back() != L'\\') files.insert(path);
    }
    return files;
}
std::set<std::wstring> Gone(const std::set<std::wstring>& before, const std::set<std::wstring>& after) {
    std::set<std::wstring> gone;
    for (const std::wstring& path : before) {
        if (!after.count(path)) gone.insert(path);
    }
    return gone;
}

TEST_F(GameManager, HeldFileFailsWithItsBoxAndAChildTakesOnlyWhatItAloneUses) {
    Version(L"A", R"({"id":"A","releaseTime":"2017-01-01T00:00:00","libraries":[{"name":"com.shared:lib:1"}]})");
    Version(L"A-Forge1", R"({"id":"A-Forge1","inheritsFrom":"A","releaseTime":"2017-02-01T00:00:00","libraries":[
        {"name":"net.forge:forge:1","url":"http://forge.test/maven/"},{"name":"com.shared:lib:1"},
        {"name":"com.child:only:1"}]})");
    const std::wstring root = dir / L".minecraft\\";
    const std::wstring own = L"libraries\\com\\child\\only\\1\\only-1.jar";
    for (const wchar_t* file : {own.c_str(), L"libraries\\com\\shared\\lib\\1\\lib-1.jar",
                                L"libraries\\net\\forge\\forge\\1\\forge-1.jar", L"versions\\A\\A.jar",
                                L"saves\\w\\level.dat"}) {
        testing_support::WriteBytes(root + file, "x");
    }
    trelm::launcher::g_minecraftList.Refresh();
    CGameManagerDlg* dialog = Open();
    ASSERT_TRUE(dialog);

    // Held open without sharing: the deletion of downloadable files fails, and
    // at most the version's own downloadable files are gone.
    std::set<std::wstring> before = Files(root);
    HANDLE held = CreateFileW((root + own).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    Select(dialog, {Row(L"A-Forge1")});
    Click(dialog, kDeleteFiles);
    CloseHandle(held);
    ASSERT_EQ(2u, g_boxes.size());
    EXPECT_EQ(std::wstring(L"删除启动器可下载的文件失败，请检查游戏文件是否被占用"), g_boxes[1]);
    EXPECT_EQ(wendaldui::kIconError, g_icons[1]);
    for (const std::wstring& path : Gone(before, Files(root))) {
        EXPECT_EQ(L"versions\\A\\A.jar", path) << "lost " << Narrow(path);
    }

    // The child goes with its JSON, its jar and its own libraries; the shared one stays.
    testing_support::WriteBytes(dir / L".minecraft\\versions\\A-Forge1\\A-Forge1.jar", "jar");
    testing_support::WriteBytes(root + own, "x");
    before = Files(root);
    g_boxes.clear();
    Select(dialog, {Row(L"A-Forge1")});
    Click(dialog, kDeleteVersion);
    ASSERT_EQ(2u, g_boxes.size());
    EXPECT_EQ(std::wstring(L"删除完成"), g_boxes[1]);
    EXPECT_EQ((std::set<std::wstring>{own, L"libraries\\net\\forge\\forge\\1\\forge-1.jar",
                                      L"versions\\A-Forge1\\A-Forge1.jar", L"versions\\A-Forge1\\A-Forge1.json"}),
              Gone(before, Files(root)));
}

// The mirror serves the lists and the installers; installers are packed here
// from the real installer profiles with a stand-in for the library they name.
class GameManagerInstalls : public GameManager {
protected:
    void SetUp() override {
        SKIP_WITHOUT_REAL_DATA();
        ASSERT_TRUE(mirror.Start()) << mirror.LastError();
        testing_support::WriteBytes(dir / L"endpoints.json", "{\"mirror\": \"" + mirror.BaseUrl() +
                                                                 "\", \"mirror_maven\": \"" + mirror.BaseUrl() + "\"}");
        WString message;
        ASSERT_TRUE(trelm::LoadEndpointOverridesFromFile((dir / L"endpoints.json").c_str(), &message));
        for (const wchar_t* id : {L"1.7.10", L"1.12.2"}) {
            Version(id, testing_support::ReadBytes(testing_support::RealTestDataDir() + L"versions\\official\\" + id +
                                                   L".json"));
        }
        trelm::launcher::g_minecraftList.Refresh();
        for (int kind : {kListForge, kListOptiFine, kListLiteLoader}) GetVersionListCache(kind)->Clear();
    }
    void TearDown() override {
        for (int kind : {kListForge, kListOptiFine, kListLiteLoader}) GetVersionListCache(kind)->Clear();
        g_settings.current.mcVersionSeparate = false;
    }
    // A jar of the given entries, served at path.
    void Serve(const std::string& path, const std::vector<testing_support::TestZipEntry>& entries) {
        const std::wstring file = dir / (L"served" + std::to_wstring(++m_served) + L".jar");
        ASSERT_NO_FATAL_FAILURE(testing_support::BuildZip(file, entries));
        ASSERT_TRUE(mirror.SetRoutes("{" + testing_support::JsonQuote(path) +
                                     ": {\"file\": " + testing_support::JsonQuote(Narrow(file)) + "}}"));
    }
    std::string Real(const wchar_t* relative) {
        return testing_support::ReadBytes(testing_support::RealTestDataDir() + relative);
    }
    // Clicks an install button of the manager for the version and, once the
    // installer dialog has its list, runs act on it; then closes the dialog.
    void Install(const wchar_t* id, int button, std::function<void(CGameDownloadListDlg&)> act) {
        CGameManagerDlg* dialog = GetTopLevelWindows().gameManager ? GetTopLevelWindows().gameManager : Open();
        ASSERT_TRUE(dialog);
        Select(dialog, {Row(id)});
        ASSERT_TRUE(dialog->GetControl(button)->IsEffectivelyEnabled()) << Narrow(id);
        s_act = std::move(act);
        s_deadline = GetTickCount() + 20000;
        s_acted = false;
        SetTimer(NULL, 0, 50, &ActOnInstaller);
        Click(dialog, button);  // returns when the modal installer dialog has closed
        EXPECT_TRUE(s_acted) << "the installer dialog never had its list";
    }
    static BOOL CALLBACK FindInstaller(HWND hwnd, LPARAM found) {
        auto* base = reinterpret_cast<wendaldui::CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        auto* installer = base && IsWindowVisible(hwnd) ? dynamic_cast<CGameDownloadListDlg*>(base) : nullptr;
        if (!installer) return TRUE;
        *reinterpret_cast<CGameDownloadListDlg**>(found) = installer;
        return FALSE;
    }
    static void CALLBACK ActOnInstaller(HWND, UINT, UINT_PTR timer, DWORD) {
        CGameDownloadListDlg* installer = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &FindInstaller, reinterpret_cast<LPARAM>(&installer));
        const bool late = GetTickCount() > s_deadline;
        if (!installer && !late) return;
        if (installer && !late &&
            (installer->GetManager()->GetState() != trelm::download::DownloadManager::kIdle ||
             installer->GetStatusLabel()->GetText().Find(L"正在获取列表") >= 0)) {
            return;
        }
        KillTimer(NULL, timer);
        if (!installer) return;
        if (!late) {
            s_acted = true;
            s_act(*installer);
        }
        PostMessageW(installer->GetHWND(), WM_CLOSE, 0, 0);
    }
    static std::function<void(CGameDownloadListDlg&)> s_act;
    static DWORD s_deadline;
    static bool s_acted;

    testing_support::TestHttpServer mirror;
    int m_served = 0;
};
std::function<void(CGameDownloadListDlg&)> GameManagerInstalls::s_act;
DWORD GameManagerInstalls::s_deadline;
bool GameManagerInstalls::s_acted;

// Rows as "cell|cell;" with the selected row marked "*"; times as "T".
std::string ListRows(CGameDownloadListDlg& dialog) {
    std::string text;
    auto* body = dialog.GetList()->GetBody();
    for (int row = 0; row < body->GetRowCount(); ++row) {
        if (body->GetSelection().IsSelected(row)) text += "*";
        for (int column = 0; column < body->GetColumnCount(); ++column) {
            auto* cell = static_cast<wendaldui::internal::CUIListBodyString::Item*>(body->GetCell(column, row));
            const std::wstring cellText = cell ? cell->text.GetString() : L"";
            text += (column ? "|" : "") + (cellText.find(L':') != std::wstring::npos ? "T" : Narrow(cellText));
        }
        text += ";";
    }
    return text;
}

TEST_F(GameManagerInstalls, ForgeOnPlainVersionsFromItsAddressWithAndWithoutBranch) {
    const char* forgeList = R"({"promos":{"1.7.10-latest":1614,"1.7.10-recommended":1558,"1.12.2-latest":2847,
        "1.12.2-recommended":2847},"number":{
        "1300":{"mcversion":"1.7.10","version":"10.13.2.1300","build":1300,"branch":"1.7.10","modified":1.4e9,
                "files":[["jar","installer"]]},
        "1558":{"mcversion":"1.7.10","version":"10.13.4.1558","build":1558,"branch":"1.7.10","modified":1.44e9,
                "files":[["jar","installer"]]},
        "1614":{"mcversion":"1.7.10","version":"10.13.4.1614","build":1614,"branch":"1.7.10","modified":1.46e9,
                "files":[["jar","installer"]]},
        "2847":{"mcversion":"1.12.2","version":"14.23.5.2847","build":2847,"modified":1.56e9,
                "files":[["jar","installer"]]}}})";
    ASSERT_TRUE(mirror.SetRoutes("{\"/maven/net/minecraftforge/forge/json\": {\"body\": " +
                                 testing_support::JsonQuote(forgeList) + "}}"));
    const struct {
        const wchar_t* version;
        const char* rows;
        int row;  // the one installed
        const char* installer;
        const wchar_t* profile;
        const wchar_t* library;
        const wchar_t* installed;
        const wchar_t* box;
    } cases[] = {
        {L"1.7.10", "*10.13.4.1558|T|推荐;10.13.4.1614|T|最新;10.13.2.1300|T|;", 1,
         "/maven/net/minecraftforge/forge/1.7.10-10.13.4.1614-1.7.10/forge-1.7.10-10.13.4.1614-1.7.10-installer.jar",
         L"forge\\meta-upstream\\install_profile-1.7.10-10.13.4.1614-1.7.10.json",
         L"forge-1.7.10-10.13.4.1614-1.7.10-universal.jar", L"1.7.10-Forge10.13.4.1614-1.7.10",
         L"Forge(10.13.4.1614)安装完成"},
        {L"1.12.2", "*14.23.5.2847|T|最新 推荐;", 0,
         "/maven/net/minecraftforge/forge/1.12.2-14.23.5.2847/forge-1.12.2-14.23.5.2847-installer.jar",
         L"forge\\meta-upstream\\install_profile-1.12.2-14.23.5.2847.json", L"forge-1.12.2-14.23.5.2847-universal.jar",
         L"1.12.2-forge1.12.2-14.23.5.2847", L"Forge(14.23.5.2847)安装完成"},
    };
    for (const auto& c : cases) {
        Serve(c.installer, {{L"install_profile.json", Real(c.profile)}, {c.library, "universal"}});
        g_boxes.clear();
        Install(c.version, kForge, [&](CGameDownloadListDlg& installer) {
            EXPECT_EQ(c.rows, ListRows(installer)) << "recommended, latest, then the others";
            installer.GetList()->GetBody()->GetSelection().ClearAll();
            installer.GetList()->SelectRow(c.row);
            installer.Install();
        });
        EXPECT_EQ(1, mirror.Hits(c.installer)) << Narrow(c.version);
        ASSERT_EQ(1u, g_boxes.size()) << Narrow(c.version);
        EXPECT_EQ(c.box, g_boxes[0]);
        EXPECT_EQ(wendaldui::kIconInformation, g_icons[0]);
        const int row = Row(c.installed);
        ASSERT_GE(row, 0) << "the new version is in the list";
        EXPECT_EQ(Narrow(c.installed),
                  Narrow(static_cast<wendaldui::internal::CUIListBodyString::Item*>(
                             GetTopLevelWindows().gameManager->GetList()->GetBody()->GetCell(0, row))
                             ->text.GetString()))
            << "the manager's list follows";
    }
    EXPECT_EQ(1, mirror.Hits("/maven/net/minecraftforge/forge/json")) << "the second dialog reads the cache";
}

TEST_F(GameManagerInstalls, OptiFineAndLiteLoaderAsModsOnAForgeVersionAsVersionsOnAPlainOne) {
    // A Forge version of 1.12.2 stands in the tree, as the Forge installer leaves it.
    Version(L"1.12.2-forge", R"({"id":"1.12.2-forge","inheritsFrom":"1.12.2","releaseTime":"2019-01-01T00:00:00",
        "libraries":[{"name":"net.minecraftforge:forge:1.12.2-14.23.5.2847"}]})");
    trelm::launcher::g_minecraftList.Refresh();
    // The LiteLoader list entry made from the real version index's latest 1.12.2 build.
    JsonDocument index;
    ASSERT_TRUE(LoadJsonFile(&index, (testing_support::RealTestDataDir() +
                                      L"liteloader\\meta-upstream-versions.json").c_str()));
    const JsonValue& latest = index[L"versions"][L"1.12.2"][L"snapshots"][L"com.mumfrey:liteloader"][L"latest"];
    WString libraries;
    ASSERT_TRUE(JsonToText(latest[L"libraries"], &libraries));
    const std::string liteVersion = Narrow(latest[L"version"].GetString());
    const std::string liteList = R"([{"mcversion":"1.12.2","version":")" + liteVersion +
                                 R"(","type":"SNAPSHOT","build":{"timestamp":")" +
                                 Narrow(latest[L"timestamp"].GetString()) + R"(","libraries":)" +
                                 Narrow(libraries.GetString()) + "}}]";
    const std::string liteJar = "/maven/com/tolvane/liteloader/" + liteVersion + "/liteloader-" + liteVersion + ".jar";
    ASSERT_TRUE(mirror.SetRoutes(
        R"({"/optifine/versionList": {"body": "[{\"mcversion\":\"1.12.2\",\"type\":\"HD_U\",\"patch\":\"E3\"}]"},
            "/liteloader/list": {"body": )" + testing_support::JsonQuote(liteList) + "}}"));
    Serve("/optifine/1.12.2/HD_U/E3", {{L"optifine/Config.class", "optifine"}});
    Serve(liteJar, {{L"litemod.json", "{}"}});

    const std::wstring mc = dir.Path() + L".minecraft\\";
    const struct {
        const wchar_t* version;
        int button;
        bool separate, asMod;
        const wchar_t* file;    // where the jar lands
        const wchar_t* folder;  // the box's link; none when installed as a version
        const wchar_t* box;     // the box's text starts so
    } cases[] = {
        {L"1.12.2-forge", kOptiFine, false, true, L"mods\\OptiFine_1.12.2_HD_U_E3.jar", L"mods\\",
         L"OptiFine(HD_U_E3)安装成功"},
        {L"1.12.2-forge", kOptiFine, true, true, L"versions\\1.12.2-forge\\mods\\OptiFine_1.12.2_HD_U_E3.jar",
         L"versions\\1.12.2-forge\\mods\\", L"OptiFine(HD_U_E3)安装成功"},
        {L"1.12.2-forge", kLiteLoader, true, true,
         L"versions\\1.12.2-forge\\mods\\1.12.2\\liteloader-1.12.2-snapshot.jar",
         L"versions\\1.12.2-forge\\mods\\1.12.2\\", L"Liteloader(1.12.2-SNAPSHOT)安装成功"},
        {L"1.12.2", kLiteLoader, false, false, nullptr, nullptr, L"Liteloader(1.12.2-SNAPSHOT)安装完成"},
    };
    for (const auto& c : cases) {
        g_settings.current.mcVersionSeparate = c.separate;
        g_boxes.clear();
        g_opened.clear();
        const size_t versions = trelm::launcher::g_minecraftList.versions.size();
        Install(c.version, c.button, [&](CGameDownloadListDlg& installer) {
            if (auto* lite = dynamic_cast<CLiteLoaderInstallDlg*>(&installer)) {
                auto* asMod = lite->GetAsModCheckBox();
                EXPECT_EQ(c.asMod, asMod->IsEffectivelyEnabled()) << "as a mod only on a Forge version";
                if (c.asMod) asMod->SetFlags(asMod->GetFlags() | wendaldui::kCheckBoxChecked);
            }
            installer.Install();
        });
        ASSERT_EQ(1u, g_boxes.size()) << Narrow(c.box);
        EXPECT_EQ(0u, g_boxes[0].find(c.box)) << Narrow(g_boxes[0]);
        if (c.folder) {
            EXPECT_TRUE(Exists(mc + c.file)) << Narrow(c.file);
            EXPECT_EQ(std::vector<std::wstring>{mc + c.folder}, g_opened) << "the link opens the folder";
            EXPECT_EQ(versions, trelm::launcher::g_minecraftList.versions.size()) << "a mod makes no version";
        } else {
            ASSERT_EQ(versions + 1, trelm::launcher::g_minecraftList.versions.size());
            bool liteLoader = false;
            for (const auto& version : trelm::launcher::g_minecraftList.versions) {
                liteLoader = liteLoader || ((version.kind & trelm::launcher::kVersionKindLiteLoader) &&
                                            version.rootId == WString(L"1.12.2"));
            }
            EXPECT_TRUE(liteLoader) << "a LiteLoader version of 1.12.2";
            // Its tweaker needs the build's libraries (launchwrapper, asm) after LiteLoader's own.
            JsonDocument installed;
            const std::wstring id = L"1.12.2-LiteLoader" + testing_support::Widen(liteVersion);
            ASSERT_TRUE(LoadJsonFile(&installed, (mc + L"versions\\" + id + L"\\" + id + L".json").c_str()));
            WString names;
            ASSERT_TRUE(JsonToText(installed[L"libraries"], &names));
            EXPECT_NE(-1, names.Find(libraries.GetString() + 1)) << Narrow(names.GetString());
        }
    }
    EXPECT_EQ(2, mirror.Hits(liteJar));
    EXPECT_EQ(1, mirror.Hits("/liteloader/list")) << "the second dialog reads the cache";

    // A name from the list reaches the box's mark-up only as text: every '<' doubled.
    GetVersionListCache(kListOptiFine)->Clear();
    ASSERT_TRUE(mirror.SetRoutes(R"({"/optifine/versionList": {"body":
        "[{\"mcversion\":\"1.12.2\",\"type\":\"HD_U\",\"patch\":\"E3<b>\"}]"}})"));
    Serve("/optifine/1.12.2/HD_U/*", {{L"optifine/Config.class", "optifine"}});
    g_boxes.clear();
    Install(L"1.12.2", kOptiFine, [](CGameDownloadListDlg& installer) { installer.Install(); });
    ASSERT_EQ(1u, g_boxes.size());
    std::wstring text = g_boxes[0];
    EXPECT_EQ(0u, text.find(L"OptiFine(HD_U_E3<<b>)安装失败\r\n")) << Narrow(text);
    for (size_t at = text.find(L"<<"); at != std::wstring::npos; at = text.find(L"<<")) text.erase(at, 2);
    EXPECT_EQ(std::wstring::npos, text.find(L'<')) << Narrow(g_boxes[0]);
}

}  // namespace
