// The version-list dialogs: the four list readers on crafted lists, and the
// vanilla dialog against a local server (fetch, cache, failure, mirror choice).
#include <winsock2.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "UiTestSupport.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UIListCtrlString.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "core/Endpoints.h"
#include "download/DownloadManager.h"
#include "launcher/MinecraftList.h"
#include "services/LauncherSettings.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestPaths.h"
#include "ui/ForgeInstallDlg.h"
#include "ui/GameDwonloadDlg.h"
#include "ui/TopLevelWindows.h"
#include "ui/VersionListParsers.h"

namespace {

using namespace trelm::ui;
using testing_support::Narrow;

// Rows joined as "a|b|c;..." with "*" before the selected one.
std::string Rows(const VersionListRows& rows) {
    std::string text;
    for (size_t i = 0; i < rows.rows.size(); ++i) {
        if (static_cast<int>(i) == rows.selected) text += "*";
        for (size_t c = 0; c < rows.rows[i].size(); ++c) {
            if (c) text += "|";
            // Times depend on the zone: only whether there is one counts.
            const bool time = rows.rows[i][c].Find(L"/") > 0 && rows.rows[i][c].Find(L":") > 0;
            text += time ? "T" : Narrow(rows.rows[i][c].GetString());
        }
        text += ";";
    }
    return text;
}

TEST(VersionListReaders, FourListsAsTables) {
    const struct {
        int kind;
        const wchar_t* base;
        const wchar_t* json;
        bool valid;
        const char* rows;
        const char* message;
        const char* rule;
    } cases[] = {
        {0, L"", LR"({"latest":{"release":"1.2","snapshot":"s1"},"versions":[{"id":"s1","type":"snapshot"},
           {"id":"1.2","type":"release","releaseTime":"2017"},{"id":"x"},{"id":"1.1","type":"release"}]})",
         true, "s1|snapshot||最新测试版;*1.2|release|2017|最新正式版;1.1|release||;", "", "latest marks, no type skipped"},
        {0, L"", LR"({"versions":[{"id":"1.2","type":"release"}]})", true, "1.2|release||;", "",
         "without latest nothing is selected"},
        {0, L"", LR"({"latest":{"release":"1.2","snapshot":"1.2"},"versions":[{"id":"1.2","type":"release"}]})",
         true, "*1.2|release||最新测试版;", "", "a release that is also the latest snapshot is still selected"},
        {0, L"", LR"({"latest":{}})", false, "", "", "no versions"},
        {0, L"", LR"([])", false, "", "", "root not an object"},
        {1, L"1.12", LR"({"promos":{"1.12-latest":7,"1.12-recommended":7},"number":{
           "5":{"mcversion":"1.12","version":"v5","build":5,"files":[["jar","installer"]]},
           "7":{"mcversion":"1.12","version":"v7","build":7,"modified":1.5e9,"files":[["x"],["installer","jar"]]},
           "9":{"mcversion":"1.12","version":"v9","build":9,"files":[["jar"]]},
           "6":{"mcversion":"1.12.2","version":"v6","build":6,"files":[["jar","installer"]]}}})",
         true, "*v7|T|最新 推荐;v5|T|;", "", "both latest and recommended leads; no installer or other game skipped"},
        {1, L"1.12", LR"({"promos":{"1.12-latest":3,"1.12-recommended":1},"number":{
           "1":{"mcversion":"1.12","version":"a","build":1,"files":[["jar","installer"]]},
           "2":{"mcversion":"1.12","version":"b","build":2,"files":[["jar","installer"]]},
           "3":{"mcversion":"1.12","version":"c","build":3,"files":[["jar","installer"]]},
           "4":{"mcversion":"1.12","version":"d","build":4,"files":[["jar","installer"]]}}})",
         true, "*a|T|推荐;c|T|最新;d|T|;b|T|;", "", "recommended, latest, then by build downwards (unsigned key)"},
        {1, L"1.7", LR"({"number":{}})", true, "", "没有适用的Forge", "no build"},
        {2, L"1.12", LR"([{"mcversion":"1.12.0","type":"HD_U","patch":"C1"},{"mcversion":"1.12","type":"HD_U","patch":"E2"},
           {"mcversion":"1.12","type":"HD_U","patch":"C1"},{"mcversion":"1.12","type":"HD_L","patch":"Z9"},
           {"mcversion":"1.12.2","type":"HD_U","patch":"F1"}])",
         true, "*HD_U|E2;HD_U|C1;", "", "1.12.0 matches 1.12, duplicates once, other types and games left out"},
        {2, L"1.12.2", LR"([{"mcversion":"1.12.0","type":"HD_U","patch":"C1"}])", true, "", "没有适用的OptiFine",
         "1.12.0 is not 1.12.2"},
        {3, L"1.12", LR"([{"mcversion":"1.12","version":"b","type":"RELEASE","build":{"timestamp":"1500000000"}},
           {"mcversion":"1.12","version":"a","type":"SNAPSHOT"},{"mcversion":"1.11","version":"c","type":"R"}])",
         true, "*b|RELEASE|T;a|SNAPSHOT|;", "", "list order kept, timestamp formatted"},
        {3, L"1.12", LR"({})", false, "", "", "root not an array"},
    };
    for (const auto& c : cases) {
        JsonDocument document;
        ASSERT_TRUE(ParseJsonText(c.json, &document)) << c.rule;
        VersionListRows rows;
        bool valid = false;
        switch (c.kind) {
            case 0: valid = ReadVanillaList(document, rows); break;
            case 1: valid = ReadForgeList(document, c.base, rows); break;
            case 2: valid = ReadOptiFineList(document, c.base, rows); break;
            default: valid = ReadLiteLoaderList(document, c.base, rows); break;
        }
        EXPECT_EQ(c.valid, valid) << c.rule;
        if (!valid) continue;
        EXPECT_EQ(c.rows, Rows(rows)) << c.rule;
        EXPECT_EQ(c.message, Narrow(rows.message.GetString())) << c.rule;
    }
    EXPECT_GT(ForgeSortKey(true, false, 1), ForgeSortKey(false, true, -1)) << "recommended sorts before all";
    WString url;
    BuildForgeInstallerUrl(url, L"1.7.10", L"10.13.4.1614", L"1.7.10");
    EXPECT_GE(url.Find(L"/maven/net/minecraftforge/forge/1.7.10-10.13.4.1614-1.7.10/"
                       L"forge-1.7.10-10.13.4.1614-1.7.10-installer.jar"),
              0);
    BuildForgeInstallerUrl(url, L"1.12", L"14.21.0.2321", L"");
    EXPECT_GE(url.Find(L"/forge/1.12-14.21.0.2321/forge-1.12-14.21.0.2321-installer.jar"), 0);
}

// 150,000 entries took 68 s on the UI thread while duplicates were looked
// for entry by entry; once sorted they are neighbours. The 200,000 here take
// well under a second in one pass: the bound holds on a far slower machine,
// and the search per entry would take minutes.
TEST(VersionListReaders, ALongOptiFineListIsReadInOnePass) {
    std::wstring json = L"[";
    for (int i = 0; i < 200000; ++i) {
        json += L"{\"mcversion\":\"1.12\",\"type\":\"HD_U\",\"patch\":\"P" + std::to_wstring(i % 190000) + L"\"},";
    }
    json.back() = L']';
    JsonDocument document;
    ASSERT_TRUE(ParseJsonText(json.c_str(), &document));
    VersionListRows rows;
    const DWORD start = GetTickCount();
    ASSERT_TRUE(ReadOptiFineList(document, L"1.12", rows));
    EXPECT_LT(GetTickCount() - start, 30000u);
    ASSERT_EQ(190000u, rows.rows.size());  // the 10,000 repeats once each
    EXPECT_STREQ(L"P99999", rows.rows[0][1].GetString());  // text order, largest first
    EXPECT_STREQ(L"P0", rows.rows.back()[1].GetString());
}

// Two servers, so that the mirror's and the official manifest can be told apart.
class VanillaDialog : public testing::Test {
protected:
    VanillaDialog() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {
        GetCurrentDirectoryW(MAX_PATH, m_old);
        SetCurrentDirectoryW(dir.Path().c_str());
    }
    ~VanillaDialog() override {
        SetCurrentDirectoryW(m_old);
        GetVersionListCache(kListVanilla)->Clear();
    }
    void SetUp() override {
        ASSERT_TRUE(mirror.Start()) << mirror.LastError();
        ASSERT_TRUE(official.Start()) << official.LastError();
        testing_support::WriteBytes(dir / L"endpoints.json", "{\"mirror\": \"" + mirror.BaseUrl() +
                                                                 "\", \"mirror_maven\": \"" + mirror.BaseUrl() +
                                                                 "\", \"version_manifest\": \"" + official.BaseUrl() +
                                                                 "\"}");
        WString message;
        ASSERT_TRUE(trelm::LoadEndpointOverridesFromFile((dir / L"endpoints.json").c_str(), &message));
        manifest = R"({"latest":{"release":"1.2","snapshot":"9.9"},"versions":[
            {"id":"1.2","type":"release","url":")" + official.Url("/v/1.2.json") + R"("},
            {"id":"1.1","type":"release","url":")" + official.Url("/v/1.1.json") + R"("}]})";
    }
    // Opens the dialog and waits until its list has settled.
    CGameDwonloadDlg* Open() {
        ShowGameDownloadDialog();
        CGameDwonloadDlg* dialog = GetTopLevelWindows().gameDownload;
        EXPECT_TRUE(dialog);
        if (dialog) {
            EXPECT_TRUE(ui_testing::PumpUntil([&] {
                return dialog->GetManager()->GetState() == trelm::download::DownloadManager::kIdle &&
                       dialog->GetStatusLabel()->GetText().Find(L"正在获取列表") < 0;
            }));
        }
        return dialog;
    }
    void Close(CGameDwonloadDlg* dialog) {
        SendMessageW(dialog->GetHWND(), WM_CLOSE, 0, 0);
        EXPECT_EQ(nullptr, GetTopLevelWindows().gameDownload);
        MSG msg;
        PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);  // the last window's quit
    }
    testing_support::TempDir dir;
    wendaldui::CDuiSkinManager skin;
    testing_support::TestHttpServer mirror, official;
    std::string manifest;
    wchar_t m_old[MAX_PATH];
};

TEST_F(VanillaDialog, ListIsCachedAfterSuccessFetchedAgainAfterFailureAndMirrorAskedOnlyWhenChosen) {
    const std::string route = "{\"/mc/game/version_manifest.json\": {\"body\": " + testing_support::JsonQuote(manifest) + "}}";
    ASSERT_TRUE(official.SetRoutes(route));
    ASSERT_TRUE(mirror.SetRoutes(R"({"/mc/game/version_manifest.json": {"status": 500}})"));
    g_settings.current.bmclapi = false;
    CGameDwonloadDlg* dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(2, dialog->GetList()->GetBody()->GetRowCount());
    EXPECT_EQ(0, dialog->GetList()->GetBody()->GetSelection().GetFirstSelected()) << "the latest release";
    EXPECT_EQ(0, mirror.Hits("/mc/game/version_manifest.json")) << "mirror off: only the official list";
    Close(dialog);
    dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(2, dialog->GetList()->GetBody()->GetRowCount());
    EXPECT_EQ(1, official.Hits("/mc/game/version_manifest.json")) << "reopening reads the cache";
    Close(dialog);

    // A failed fetch shows the error and empties the cache, so the next opening asks again.
    GetVersionListCache(kListVanilla)->Clear();
    ASSERT_TRUE(official.SetRoutes(R"({"/mc/game/version_manifest.json": {"status": 500}})"));
    dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(0, dialog->GetList()->GetBody()->GetRowCount());
    EXPECT_GT(dialog->GetStatusLabel()->GetText().GetLength(), 0);
    EXPECT_EQ(0u, GetVersionListCache(kListVanilla)->GetSize());
    Close(dialog);
    ASSERT_TRUE(official.SetRoutes(route));
    g_settings.current.bmclapi = true;
    dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(2, dialog->GetList()->GetBody()->GetRowCount()) << "the official list after the mirror's 500";
    EXPECT_GE(mirror.Hits("/mc/game/version_manifest.json"), 1) << "mirror first when chosen";
    Close(dialog);
    g_settings.current.bmclapi = false;
}

TEST_F(VanillaDialog, TwoChosenVersionsAreDownloadedAndJoinTheInstalledList) {
    ASSERT_TRUE(official.SetRoutes(
        "{\"/mc/game/version_manifest.json\": {\"body\": " + testing_support::JsonQuote(manifest) +
        R"(}, "/v/1.2.json": {"body": "{\"id\":\"1.2\",\"releaseTime\":\"2017-02-01T00:00:00\"}"},
              "/v/1.1.json": {"body": "{\"id\":\"1.1\",\"releaseTime\":\"2017-01-01T00:00:00\"}"}})"));
    g_settings.current.bmclapi = false;
    trelm::launcher::g_minecraftList.SetRoot(nullptr);
    CGameDwonloadDlg* dialog = Open();
    ASSERT_TRUE(dialog);
    dialog->GetList()->GetBody()->GetSelection().SelectRange(0, 1);
    dialog->Install();  // the download dialog closes itself after a success
    for (const wchar_t* id : {L"1.2", L"1.1"}) {
        const std::wstring json = std::wstring(L".minecraft\\versions\\") + id + L"\\" + id + L".json";
        EXPECT_TRUE(testing_support::Exists(dir / json)) << Narrow(id);
        EXPECT_GE(trelm::launcher::g_minecraftList.FindById(id), 0) << Narrow(id) << " in the installed list";
    }
    Close(dialog);
    trelm::launcher::g_minecraftList.Refresh();
}

// Posts WM_CLOSE to the open installer dialog once the slow server has been asked.
testing_support::TestHttpServer* g_slowServer = nullptr;
bool g_closedWhileFetching = false;
BOOL CALLBACK FindListDialog(HWND hwnd, LPARAM found) {
    auto* base = reinterpret_cast<wendaldui::CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!base || !IsWindowVisible(hwnd) || !dynamic_cast<CGameDownloadListDlg*>(base)) return TRUE;
    *reinterpret_cast<CGameDownloadListDlg**>(found) = dynamic_cast<CGameDownloadListDlg*>(base);
    return FALSE;
}
void CALLBACK CloseOnceAsked(HWND, UINT, UINT_PTR timer, DWORD) {
    CGameDownloadListDlg* dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindListDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog || g_slowServer->Hits("/maven/net/minecraftforge/forge/json") < 1) return;
    KillTimer(NULL, timer);
    g_closedWhileFetching = dialog->GetManager()->GetState() != trelm::download::DownloadManager::kIdle;
    PostMessageW(dialog->GetHWND(), WM_CLOSE, 0, 0);
}

TEST_F(VanillaDialog, ClosingWhileTheListComesSlowlyDropsItAndTheNextOpeningFetchesAgain) {
    const std::string path = "/mc/game/version_manifest.json";
    const std::string slow = "{\"" + path + "\": {\"body\": " + testing_support::JsonQuote(manifest) +
                             ", \"chunk_size\": 16, \"chunk_delay_ms\": 200}}";
    ASSERT_TRUE(official.SetRoutes(slow));
    g_settings.current.bmclapi = false;
    ShowGameDownloadDialog();
    CGameDwonloadDlg* dialog = GetTopLevelWindows().gameDownload;
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(ui_testing::PumpUntil([&] { return official.Hits(path) == 1; }));
    // Part of the body has come.
    ASSERT_TRUE(ui_testing::PumpUntil([&] { return dialog->GetManager()->GetTransferredBytes() > 0; }, 15000));
    EXPECT_NE(trelm::download::DownloadManager::kIdle, dialog->GetManager()->GetState());
    Close(dialog);
    EXPECT_EQ(0u, GetVersionListCache(kListVanilla)->GetSize()) << "the partial list is dropped";
    ASSERT_TRUE(official.SetRoutes("{\"" + path + "\": {\"body\": " + testing_support::JsonQuote(manifest) + "}}"));
    dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(2, dialog->GetList()->GetBody()->GetRowCount());
    EXPECT_EQ(2, official.Hits(path)) << "fetched again";
    Close(dialog);

    // A modal installer dialog closed while fetching ends its loop.
    ASSERT_TRUE(mirror.SetRoutes(R"({"/maven/net/minecraftforge/forge/json": {"generate": 100000, "chunk_size": 64,
                                     "chunk_delay_ms": 100}})"));
    trelm::launcher::VersionInfo version;
    version.id = version.rootId = L"1.12.2";
    CForgeInstallDlg forge(version);
    g_slowServer = &mirror;
    SetTimer(NULL, 0, 50, &CloseOnceAsked);
    CGameDownloadListDlg::RunModal(forge, NULL);
    EXPECT_TRUE(g_closedWhileFetching);
    EXPECT_EQ(0u, GetVersionListCache(kListForge)->GetSize());
}

}  // namespace
