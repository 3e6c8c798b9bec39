// The update dialog: the check's result as it is shown (against a local
// update server), what "自动更新" and "仅下载" download, and "仅下载" refusing
// a save target another program holds open.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "FileDialogDriver.h"
#include "UiTestSupport.h"
#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "core/Endpoints.h"
#include "download/DownloadInfoCommonFile.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestPaths.h"
#include "ui/TopLevelWindows.h"
#include "ui/UpdateDlg.h"

namespace {

using namespace trelm::ui;
using testing_support::Narrow;
using testing_support::TempDir;
using testing_support::TestHttpServer;

int g_downloads = 0;
int CountDownload(HWND, HWND, const wchar_t*, std::vector<trelm::download::DownloadInfoBase*>&, int32_t*, uint64_t) {
    ++g_downloads;
    return 2;
}

std::wstring Text(const WString& text) { return text.GetString(); }

class UpdateDialog : public testing::Test {
protected:
    UpdateDialog() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {
        g_downloads = 0;
        m_oldRunner = SetUpdateDownloadRunner(&CountDownload);
    }
    ~UpdateDialog() override {
        if (CUpdateDlg* dialog = GetTopLevelWindows().updateDialog) SendMessageW(dialog->GetHWND(), WM_CLOSE, 0, 0);
        MSG msg;
        while (PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        SetUpdateDownloadRunner(m_oldRunner);
    }
    wendaldui::CDuiSkinManager skin;
    UpdateDownloadRunner m_oldRunner;
};

// The newest release from the server's list, with its notes; the buttons only for a newer one.
TEST_F(UpdateDialog, ShowsTheNewestReleaseWithItsNotes) {
    TempDir dir;
    TestHttpServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    testing_support::WriteBytes(dir / L"endpoints.json", "{\"update\": \"" + server.BaseUrl() + "\"}");
    WString message;
    ASSERT_TRUE(trelm::LoadEndpointOverridesFromFile((dir / L"endpoints.json").c_str(), &message));
    const std::string list =
        R"([{"version": "1.3.0.0", "type": "release", "time": 1500000000, "description": "更快的启动", )"
        R"("url": "http://127.0.0.1/n.exe", "sha1": "0123456789abcdef0123456789abcdef01234567", "size": 10}])";
    ASSERT_TRUE(server.SetRoutes("{\"/TRELM/docs/trelm_versions.json\": {\"body\": " +
                                 testing_support::JsonQuote(list) + "}}"));
    trelm::TRELMUpdateService service;
    service.RunCheck();
    UpdateInfo info;
    ASSERT_TRUE(service.GetInfo(info));
    ASSERT_EQ(UpdateInfo::kNewer, info.state) << Narrow(info.errorMessage.GetString());

    CUpdateDlg* dialog = ShowUpdateDialog(nullptr);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(std::wstring(L"正在检查更新"), Text(dialog->GetStatusLabel()->GetText()));
    EXPECT_FALSE(dialog->GetAutoUpdateButton()->IsEffectivelyEnabled());
    EXPECT_EQ(dialog, ShowUpdateDialog(&info));  // a second open reuses the window and takes the result
    const std::wstring status = Text(dialog->GetStatusLabel()->GetText());
    EXPECT_EQ(0u, status.find(L"发现新版本:\r\n1.3.0.0\r\n")) << Narrow(status);
    EXPECT_NE(std::wstring::npos, Text(dialog->GetNotesEdit()->GetText()).find(L"更快的启动"));
    EXPECT_TRUE(dialog->GetAutoUpdateButton()->IsEffectivelyEnabled());
    EXPECT_TRUE(dialog->GetSaveAsButton()->IsEffectivelyEnabled());
    ui_testing::PumpFor(200);
    RECT r;
    GetWindowRect(dialog->GetHWND(), &r);
    ui_testing::SaveScreenshot(r, L"update_dialog_newer");

    // The other states: their texts, no buttons, the notes left as they were.
    const struct {
        int32_t state;
        const wchar_t* text;
    } states[] = {{UpdateInfo::kFailed, L"检查更新失败\r\n(网络<错误>)"},
                  {UpdateInfo::kUpToDate, L"已经是最新版本"},
                  {UpdateInfo::kRunningIsNewer, L"版本高于现有版本（此版本可能为测试版）"}};
    for (const auto& s : states) {
        UpdateInfo other;
        other.state = s.state;
        other.errorMessage = L"网络<错误>";
        other.description = L"别的说明";
        dialog->SetUpdateInfo(other);
        EXPECT_EQ(std::wstring(s.text), Text(dialog->GetStatusLabel()->GetText()));
        EXPECT_FALSE(dialog->GetSaveAsButton()->IsEffectivelyEnabled());
        EXPECT_EQ(std::wstring::npos, Text(dialog->GetNotesEdit()->GetText()).find(L"别的说明"));
    }
    // Closing forgets the window and ends the run when it was the last one.
    SendMessageW(dialog->GetHWND(), WM_CLOSE, 0, 0);
    EXPECT_EQ(nullptr, GetTopLevelWindows().updateDialog);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// The update is fetched only with a SHA-1 of 40 hex digits to check it
// against, its listed size and the program check; without one nothing is
// fetched at all.
TEST(UpdateDownload, IsFetchedOnlyWithAValidSha1AndItsSizeAndProgramChecks) {
    const struct {
        const wchar_t* sha1;
        bool fetched;
    } cases[] = {
        {L"", false},
        {L"0123456789abcdefABCDEF0123456789abcdef01", true},
        {L"0123456789abcdefABCDEF0123456789abcdef0g", false},
        {L"0123456789abcdefABCDEF0123456789abcdef012", false},
        {L"0123456789abcdef", false},
    };
    for (const auto& c : cases) {
        UpdateInfo info;
        info.url = L"http://127.0.0.1/new.exe";
        info.sha1 = c.sha1;
        info.size = 340;
        std::vector<trelm::download::DownloadInfoBase*> infos;
        EXPECT_EQ(c.fetched, BuildUpdateDownload(info, L"C:\\t.exe", infos)) << Narrow(c.sha1);
        ASSERT_EQ(c.fetched ? 1u : 0u, infos.size()) << Narrow(c.sha1);
        if (!c.fetched) continue;
        auto* file = static_cast<trelm::download::DownloadInfoCommonFile*>(infos[0]);
        EXPECT_EQ(trelm::download::kFlagUseCache | trelm::download::kFlagSha1Given, file->flags);
        EXPECT_EQ(trelm::download::kKindCommonFile, file->kind);
        EXPECT_EQ(std::wstring(L"C:\\t.exe"), Text(file->target));
        EXPECT_EQ(340, file->size);
        EXPECT_EQ(&trelm::TRELMUpdateService::AcceptUpdateFile, file->accept);
        ASSERT_EQ(1u, file->urls.size());
        EXPECT_EQ(trelm::download::kSourceUpdate, file->urls[0].source);
        EXPECT_EQ(0xEF, file->sha1[7]);
        delete infos[0];
    }
}

// "仅下载" onto a file held open without write sharing: the notice, the file
// dialog stays, and nothing is downloaded.
TEST_F(UpdateDialog, SaveAsRefusesAFileInUse) {
    TempDir dir;
    const std::wstring target = dir / L"TRELM.exe";
    testing_support::WriteBytes(target, "old");
    HANDLE held = CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    UpdateInfo info;
    info.state = UpdateInfo::kNewer;
    info.url = L"http://127.0.0.1:1/new.exe";
    CUpdateDlg* dialog = ShowUpdateDialog(&info);
    ASSERT_TRUE(dialog);
    HWND fileDialog = NULL;
    bool noticeSeen = false, stayedOpen = false;
    {
        ui_testing::DialogScript script({
            [&] {
                fileDialog = ui_testing::FindSystemDialog(L"");
                if (fileDialog) ui_testing::AcceptFileName(fileDialog, target);
                return fileDialog != NULL;
            },
            [&] {
                HWND box = ui_testing::FindSystemDialog(L"此文件被占用，请换一个保存位置");
                if (!box) return false;
                noticeSeen = true;
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                return true;
            },
            [&] {
                if (ui_testing::FindSystemDialog(L"此文件被占用，请换一个保存位置")) return false;
                stayedOpen = IsWindow(fileDialog) && IsWindowVisible(fileDialog);
                PostMessageW(fileDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                return true;
            },
        });
        wendaldui::EventData event;
        dialog->OnBtnSavaAsClick(event);
        EXPECT_EQ(3u, script.Done());
    }
    CloseHandle(held);
    EXPECT_TRUE(noticeSeen);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(0, g_downloads);
    EXPECT_EQ("old", testing_support::ReadBytes(target));
}

}  // namespace
