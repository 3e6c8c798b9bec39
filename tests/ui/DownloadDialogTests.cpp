// The download dialog over real batches of the download engine against the
// local server: progress in the title and on the taskbar, the rows, closing
// itself after a success, the failure report, cancelling; and the list's
// row names, cells and bar colours.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Control/UISimpleProgressBar.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "tests/download/DownloadTestKit.h"
#include "tests/ui/RecordingTaskbar.h"
#include "ui/BoundedText.h"
#include "ui/DownloadContainer.h"
#include "ui/DownloadDialog.h"
#include "ui/DownloadFailureMsgDlg.h"
#include "ui/TaskbarProgress.h"
#include "ui/UIDLList.h"
#include "ui/UIDLListBody.h"

namespace {

using namespace trelm::ui;
using trelm::download::DownloadInfoBase;
using trelm::download::DownloadInfoCommonFile;
using trelm::download::DownloadInfoMemoryBuffer;
using Cells = internal::CUIDLListBody;
using wendaldui::DpiScale;

constexpr wchar_t kTitle[] = L"下载测试";

// Each row as "name|source|percent|state": the percent only when asked for,
// the state's colour after it unless it is 0xFA000000 ("red" for 0xFADC0000).
std::vector<std::wstring> ReadRows(CUIDLList* list, bool percent = false) {
    std::vector<std::wstring> rows;
    auto* body = list ? list->GetBody() : nullptr;
    for (int r = 0; body && r < body->GetRowCount(); ++r) {
        auto text = [&](int column) { return static_cast<Cells::ItemString*>(body->GetCell(column, r)); };
        const double progress = static_cast<Cells::ItemProgress*>(body->GetCell(2, r))->fraction;
        const uint32_t color = text(3)->color;
        rows.push_back(std::wstring(text(0)->text.GetString()) + L"|" + text(1)->text.GetString() + L"|" +
                       (percent ? std::to_wstring(static_cast<int>(progress * 100)) + L"%|" : L"") +
                       text(3)->text.GetString() +
                       (color == 0xFA000000u ? L"" : color == 0xFADC0000u ? L" (red)" : L" " + std::to_wstring(color)));
    }
    return rows;
}

template <typename T>
T* WindowObject(HWND hwnd) {
    if (!IsWindow(hwnd)) return nullptr;
    return dynamic_cast<T*>(reinterpret_cast<wendaldui::CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
}

TEST(DownloadRowNames, FilesByTheirTargetsNameMemoryDownloadsByTheirAddressTail) {
    const struct {
        bool file;
        const wchar_t* targetOrUrl;  // null: a memory download without an address
        const wchar_t* name;
    } cases[] = {{true, L"C:\\g\\versions\\1.12\\1.12.jar", L"1.12.jar"},
                 {true, L"C:/g/libraries/forge-1.jar", L"forge-1.jar"},
                 {false, L"http://h/mc/version_manifest.json", L"version_manifest.json"},
                 {false, L"http://h/lists/", L"http://h/lists/"},  // ends with '/': the whole address
                 {false, nullptr, L""}};
    for (const auto& c : cases) {
        DownloadInfoCommonFile file;
        DownloadInfoMemoryBuffer memory;
        if (c.file) file.target = c.targetOrUrl;
        if (c.targetOrUrl) memory.urls.emplace_back(WString(c.targetOrUrl), 0);
        const DownloadInfoBase* info = c.file ? static_cast<DownloadInfoBase*>(&file) : &memory;
        EXPECT_STREQ(c.name, DownloadRowName(info).GetString()) << c.name;
    }
}

TEST(DownloadList, BarOverListRowsSourcesStatesAndThemedProgressBars) {
    wendaldui::CDuiSkinManager skin(L"微软雅黑", 210, 0.5, 0.4, 0);
    wendaldui::CDuiWindow window;
    auto* root = new wendaldui::CUIContainer2;
    window.SetRoot(root);
    HWND hwnd = ui_testing::CreateTestWindow(window, 40, 40, DpiScale(620), DpiScale(300));
    // Logical sizes: every column fits at either DPI.
    auto* container = new internal::CDownloadContainer;
    ASSERT_TRUE(container->Create(root, wendaldui::kControlVisible, wendaldui::UIRect(0, 0, 580, 240), 1));
    const int bar = DpiScale(2), width = DpiScale(600), height = DpiScale(200);
    EXPECT_EQ(wendaldui::UIRect(0, 0, DpiScale(580), bar), container->GetProgressBar()->GetRect());
    container->SetPos(wendaldui::UIRect(0, 0, width, height));
    EXPECT_EQ(wendaldui::UIRect(0, bar, width, height - bar), container->GetList()->GetRect()) << "laid out again";

    CUIDLList* list = container->GetList();
    auto* body = static_cast<Cells*>(list->GetBody());
    ASSERT_EQ(4, body->GetColumnCount());
    const uint32_t sources[] = {0, 1, 2, 3, 7};
    for (uint32_t source : sources) list->SetSource(list->AddRow(L"a.jar"), source);
    list->SetStatus(1, L"下载失败 x", true);
    list->SetStatus(2, L"下载完成 1B", false);
    // A new row waits in the skin's text colour (0).
    const std::vector<std::wstring> rows = {L"a.jar|Mojang|0%|等待下载 0", L"a.jar|Bmclapi|0%|下载失败 x (red)",
                                            L"a.jar|Forge|0%|下载完成 1B", L"a.jar|TRELM|0%|等待下载 0",
                                            L"a.jar|Unknown|0%|等待下载 0"};
    EXPECT_EQ(rows, ReadRows(list, true));

    // Outline HSL(h, s - 0.22, l - 0.02), fill HSL(h, s - 0.28, l + 0.05), each clamped.
    const struct {
        double hsl[3];
        uint32_t outline, fill;
    } themes[] = {{{210, 0.5, 0.4}, 0xE546617C, 0xD85A738C},
                  {{30, 0.2, 0.4}, 0xE5616161, 0xD8737373},   // saturation below 0: grey
                  {{0, 0.9, 0.98}, 0xE5FCEEEE, 0xD8FFFFFF}};  // lightness above 1: white
    for (const auto& t : themes) {
        skin.SetThemeColor(t.hsl, true);
        EXPECT_EQ(t.outline, body->GetBarOutlineColor()) << t.hsl[0];
        EXPECT_EQ(t.fill, body->GetBarFillColor()) << t.hsl[0];
    }

    // Half a bar: filled over (width - 1) x 0.5 + 0.5 pixels from the left inside the outline.
    list->SetProgress(0, 0.5);
    UpdateWindow(hwnd);
    wendaldui::UIRect cell;
    body->GetCellRect(CUIDLList::kColumnProgress, 0, cell);
    const wendaldui::UIRect origin = body->GetWindowRect();
    const int x = origin.x + cell.x + DpiScale(45) + DpiScale(4), y = origin.y + cell.y + cell.height / 2;
    const int filled = static_cast<int>((cell.width - DpiScale(45) - 2 * DpiScale(4) - 1) * 0.5 + 0.5);
    const uint32_t fill = ui_testing::SurfacePixel(window, x + 2, y);
    const uint32_t empty = ui_testing::SurfacePixel(window, origin.x + cell.x + cell.width - 2, y);
    EXPECT_FALSE(ui_testing::Near2(empty, fill)) << "the left half is filled";
    EXPECT_PRED2(ui_testing::Near2, fill, ui_testing::SurfacePixel(window, x + filled, y)) << "last filled column";
    EXPECT_PRED2(ui_testing::Near2, empty, ui_testing::SurfacePixel(window, x + filled + 2, y)) << "the rest";
    DestroyWindow(hwnd);
}

class DownloadDialogTest : public testing::Test {
protected:
    DownloadDialogTest() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {
        s_test = this;
        m_hook = SetWindowsHookExW(WH_CALLWNDPROC, &TitleHook, NULL, GetCurrentThreadId());
        m_oldTaskbar = ReplaceTaskbarProgress(&taskbar);
    }
    ~DownloadDialogTest() override {
        UnhookWindowsHookEx(m_hook);
        ReplaceTaskbarProgress(m_oldTaskbar);
        s_test = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(download_test::Server().Reset()) << download_test::Server().LastError(); }

    bool Routes(const char* json) { return download_test::Server().SetRoutes(json); }
    std::wstring Url(const std::string& path) { return testing_support::Widen(download_test::Server().Url(path)); }
    // A file under the test's folder, or with name null a memory download,
    // from these (source, path) addresses.
    DownloadInfoBase* Info(const wchar_t* name, std::vector<std::pair<uint32_t, std::string>> urls) {
        DownloadInfoBase* info;
        if (name) {
            auto* file = new DownloadInfoCommonFile;
            file->target = (dir / name).c_str();
            info = file;
        } else {
            auto* memory = new DownloadInfoMemoryBuffer;
            memory->target = &buffer;
            info = memory;
        }
        for (const auto& url : urls) info->urls.emplace_back(WString(Url(url.second).c_str()), url.first);
        return info;
    }

    // Runs the dialog; tick runs on the UI thread every 50 ms meanwhile.
    int Run(std::vector<DownloadInfoBase*> infos, uint64_t totalBytes, std::function<void()> tick, HWND owner = NULL) {
        m_tick = tick;
        const UINT_PTR timer = SetTimer(NULL, 0, 50, &Tick);
        const int result = RunDownloadDialog(owner, NULL, kTitle, infos, &succeeded, totalBytes);
        returnTick = GetTickCount();
        KillTimer(NULL, timer);
        EXPECT_TRUE(infos.empty()) << "the dialog takes the descriptions";
        return result;
    }

    CDownloadDialog* Dialog() const { return WindowObject<CDownloadDialog>(dialog); }
    internal::CDownloadFailureMsgDlg* Report() const { return WindowObject<internal::CDownloadFailureMsgDlg>(report); }
    // The percentages of the progress titles, in order.
    std::vector<int> TitlePercents() const {
        const std::wregex progress(std::wstring(kTitle) + L" (\\d+)% \\d+(\\.\\d)?[KMG]?B/s");
        std::vector<int> out;
        std::wsmatch match;
        for (const std::wstring& title : titles) {
            if (std::regex_match(title, match, progress)) out.push_back(std::stoi(match[1].str()));
        }
        return out;
    }
    // Normal first, then values that never go back, none last.
    void ExpectTaskbar() {
        std::vector<ULONGLONG> values;
        for (const auto& call : taskbar.calls) {
            if (call.first == -1) values.push_back(call.second);
        }
        ASSERT_FALSE(values.empty());
        EXPECT_EQ(kTaskbarNormal, taskbar.calls.front().first);
        EXPECT_EQ(kTaskbarNone, taskbar.calls.back().first);
        EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
        EXPECT_LE(values.back(), 1000u);
    }
    void Screenshot(HWND hwnd, const wchar_t* name) {
        UpdateWindow(hwnd);
        RECT rect;
        GetWindowRect(hwnd, &rect);
        ui_testing::SaveScreenshot(rect, (name + std::to_wstring(wendaldui::g_screenDpi) + L".png").c_str());
    }

    wendaldui::CDuiSkinManager skin;
    ui_testing::RecordingTaskbar taskbar;
    testing_support::TempDir dir;
    wendal_::byte_buffer buffer;
    HWND dialog = NULL, report = NULL;
    std::vector<std::wstring> titles;  // of the download dialog
    std::vector<std::wstring> finalRows;  // when the batch's last title was set
    int32_t succeeded = -1;
    DWORD finalTitleTick = 0, returnTick = 0;

private:
    static LRESULT CALLBACK TitleHook(int code, WPARAM wParam, LPARAM lParam) {
        const CWPSTRUCT* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && message->message == WM_SETTEXT && message->lParam && s_test) {
            s_test->OnTitle(message->hwnd, reinterpret_cast<const wchar_t*>(message->lParam));
        }
        return CallNextHookEx(NULL, code, wParam, lParam);
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        // Real clicks pump messages, and with them this timer again.
        if (!s_test || s_test->m_ticking || !s_test->m_tick) return;
        s_test->m_ticking = true;
        s_test->m_tick();
        s_test->m_ticking = false;
    }
    void OnTitle(HWND hwnd, const std::wstring& text) {
        if (!dialog) dialog = hwnd;  // its title comes first
        if (text == L"下载失败") report = hwnd;
        if (hwnd != dialog) return;
        titles.push_back(text);
        if (text.compare(0, wcslen(kTitle) + 3, std::wstring(kTitle) + L" 下载") == 0 && Dialog()) {
            finalRows = ReadRows(Dialog()->GetList(), true);
            finalTitleTick = GetTickCount();
        }
    }

    static DownloadDialogTest* s_test;
    HHOOK m_hook;
    ITaskbarList3* m_oldTaskbar;
    std::function<void()> m_tick;
    bool m_ticking = false;
};

DownloadDialogTest* DownloadDialogTest::s_test = nullptr;

TEST_F(DownloadDialogTest, ASuccessfulBatchShowsItsProgressThenClosesItselfWithResultZero) {
    ASSERT_TRUE(Routes(R"({
        "/files/big.bin": {"generate": 300000, "chunk_size": 16384, "chunk_delay_ms": 40},
        "/mirror/lib.jar": {"status": 404},
        "/official/lib.jar": {"generate": 5000},
        "/lists/": {"body": "{}", "chunked": true}})"));
    DownloadInfoBase* big = Info(L"big.bin", {{0, "/files/big.bin"}});
    download_test::SetSha1(big, testing_support::GeneratedBytes(0, 300000));
    DownloadInfoBase* lib = Info(L"lib.jar", {{1, "/mirror/lib.jar"}, {0, "/official/lib.jar"}});
    wendaldui::CDuiWindow ownerWindow;
    HWND owner = ui_testing::CreateTestWindow(ownerWindow, 20, 20, 200, 100);
    bool ownerDisabled = false;
    auto watch = [&] { ownerDisabled |= !IsWindowEnabled(owner); };
    const int result = Run({big, lib, Info(nullptr, {{0, "/lists/"}})}, 305002, watch, owner);
    EXPECT_EQ(kDownloadAllSucceeded, result);
    EXPECT_EQ(3, succeeded);
    EXPECT_TRUE(ownerDisabled) << "modal over its owner";
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);

    EXPECT_EQ(kTitle, titles.front());
    EXPECT_EQ(std::wstring(kTitle) + L" 下载完成", titles.back());
    const std::vector<int> percents = TitlePercents();
    ASSERT_GE(percents.size(), 2u) << "the title shows the progress while the batch runs";
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(100, percents.back()) << "updated once more at the end";
    EXPECT_GE(returnTick - finalTitleTick, 150u) << "closes itself after 200 ms";
    EXPECT_LT(returnTick - finalTitleTick, 5000u);
    // lib.jar comes from the official address after the mirror's 404s; the
    // list, sent without its length, is complete all the same.
    const std::vector<std::wstring> rows = {L"big.bin|Mojang|100%|下载完成 293.0KB", L"lib.jar|Mojang|100%|下载完成 4.9KB",
                                            Url("/lists/") + L"|Mojang|100%|下载完成 2B"};
    EXPECT_EQ(rows, finalRows);

    // The mirror is asked (three times) before the official server.
    std::vector<std::string> libRequests;
    for (const auto& request : download_test::Server().Requests()) {
        if (request.path.find("lib.jar") != std::string::npos) libRequests.push_back(request.path);
    }
    const std::vector<std::string> expected = {"/mirror/lib.jar", "/mirror/lib.jar", "/mirror/lib.jar",
                                               "/official/lib.jar"};
    EXPECT_EQ(expected, libRequests);
    ExpectTaskbar();
    EXPECT_EQ(1000u, taskbar.total);
    EXPECT_EQ(1000u, (taskbar.calls.end() - 2)->second) << "the whole bar before the state goes";
}

TEST_F(DownloadDialogTest, AnEmptyBatchClosesItselfWithResultZero) {
    // The engine starts nothing for no descriptions and never reports an end.
    EXPECT_EQ(kDownloadAllSucceeded, Run({}, 0, nullptr));
    EXPECT_EQ(0, succeeded);
    EXPECT_EQ(std::wstring(kTitle) + L" 下载完成", titles.back());
}

TEST_F(DownloadDialogTest, FailuresEndInAReportOfEveryAddressAndResultOne) {
    ASSERT_TRUE(Routes(R"({
        "/good.bin": {"generate": 999},
        "/m/bad.bin": {"status": 404},
        "/o/bad.bin": {"status": 500},
        "/wrong.bin": {"generate": 10},
        "/lists/versions.json": {"status": 404}})"));
    DownloadInfoBase* good = Info(L"good.bin", {{0, "/good.bin"}});
    download_test::SetSha1(good, testing_support::GeneratedBytes(0, 999));
    DownloadInfoBase* wrong = Info(L"wrong.bin", {{0, "/wrong.bin"}});
    download_test::SetSha1(wrong, "other bytes");
    std::vector<DownloadInfoBase*> infos = {good, Info(L"sub\\bad.bin", {{1, "/m/bad.bin"}, {0, "/o/bad.bin"}}),
                                            wrong, Info(nullptr, {{2, "/lists/versions.json"}})};
    std::wstring reportText;
    std::vector<std::wstring> messages, rowsAtReport;
    int barState = -1, firstLine = -1;
    DWORD reportClosed = 0;
    bool stayedOpen = false;
    const int result = Run(infos, 1000, [&] {
        if (Report() && reportText.empty()) {
            reportText = Report()->GetEdit()->GetText().GetString();
            firstLine = static_cast<int>(Report()->GetEdit()->SendEditMessage(EM_GETFIRSTVISIBLELINE, 0, 0));
            for (uint32_t i = 0; i < 4; ++i) {
                const std::string message = download_test::MessageOf(Dialog()->GetManager()->GetTask(i));
                messages.push_back(testing_support::Widen(message));
            }
            barState = Dialog()->GetContainer()->GetProgressBar()->GetBarState();
            rowsAtReport = ReadRows(Dialog()->GetList());
            Screenshot(report, L"download-failure-report-");
            PostMessageW(report, WM_CLOSE, 0, 0);  // the close box
        } else if (!reportText.empty() && !IsWindow(report)) {
            if (!reportClosed) reportClosed = GetTickCount();
            if (GetTickCount() - reportClosed > 500) {
                stayedOpen = IsWindow(dialog);
                PostMessageW(dialog, WM_CLOSE, 0, 0);
            }
        }
    });
    EXPECT_EQ(kDownloadSomeFailed, result);
    EXPECT_EQ(1, succeeded);
    EXPECT_TRUE(stayedOpen) << "closing the report by its close box keeps the download dialog";
    EXPECT_EQ(wendaldui::kProgressFailed, barState);
    EXPECT_EQ(std::wstring(kTitle) + L" 下载失败 请关闭窗口重试", titles.back());
    ASSERT_FALSE(TitlePercents().empty());
    EXPECT_EQ(99, TitlePercents().back()) << "999 of 1000 bytes: truncated, not rounded";
    ExpectTaskbar();
    EXPECT_NE(taskbar.calls.end(), std::find(taskbar.calls.begin(), taskbar.calls.end(), std::make_pair(4, ~0ull)));

    ASSERT_EQ(4u, messages.size());
    EXPECT_NE(std::wstring::npos, messages[1].find(L"500")) << "the last address's answer";
    EXPECT_EQ(L"文件的SHA1不正确", messages[2]);
    // The rich edit ends paragraphs with "\r".
    const std::wstring stars(64, L'*');
    const std::wstring expected = L"3个文件下载失败\r" + stars + L"\r位置: " + (dir / L"sub\\bad.bin") +
                                  L"\rURL[0](Bmclapi): " + Url("/m/bad.bin") + L"\rURL[1](Mojang): " +
                                  Url("/o/bad.bin") + L"\r失败原因: " + messages[1] + L"\r" + stars + L"\r位置: " +
                                  (dir / L"wrong.bin") + L"\rURL[0](Mojang): " + Url("/wrong.bin") +
                                  L"\r失败原因: 文件的SHA1不正确\r" + stars + L"\r位置: buffer\rURL[0](Forge): " +
                                  Url("/lists/versions.json") + L"\r失败原因: " + messages[3];
    EXPECT_EQ(expected, reportText.substr(0, reportText.find_last_not_of(L'\r') + 1));
    EXPECT_EQ(0, firstLine) << "the report opens at its first line";

    const std::vector<std::wstring> rows = {L"good.bin|Mojang|下载完成 999B",
                                            L"bad.bin|Mojang|下载失败 " + messages[1] + L" (red)",
                                            L"wrong.bin|Mojang|下载失败 文件的SHA1不正确 (red)",
                                            L"versions.json|Forge|下载失败 " + messages[3] + L" (red)"};
    EXPECT_EQ(rows, rowsAtReport);
    EXPECT_FALSE(testing_support::Exists(dir / L"wrong.bin")) << "a file with the wrong SHA-1 is not kept";
}

TEST_F(DownloadDialogTest, OkOnTheReportClosesBothWindowsAlsoWithoutATaskbar) {
    ReplaceTaskbarProgress(nullptr);
    ASSERT_TRUE(Routes(R"({"/gone.bin": {"status": 404}})"));
    bool clicked = false;
    const int result = Run({Info(L"gone.bin", {{0, "/gone.bin"}})}, 0, [&] {
        if (clicked || !Report() || !IsWindowVisible(report)) return;
        clicked = true;
        const wendaldui::UIRect button = Report()->GetOkButton()->GetWindowRect();
        POINT pt = {button.x + button.width / 2, button.y + button.height / 2};
        ClientToScreen(report, &pt);
        UpdateWindow(report);
        ui_testing::ClickAt(pt.x, pt.y);
    });
    EXPECT_TRUE(clicked);
    EXPECT_EQ(kDownloadSomeFailed, result);
    EXPECT_FALSE(IsWindow(report));
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(taskbar.calls.empty());
}

// A library whose address is 150,000 characters long: the report shows it
// cut, in rows Wine lays out at once, instead of freezing for half a minute.
TEST_F(DownloadDialogTest, AnAddressFarTooLongIsReportedBoundedAndAtOnce) {
    const std::string path = "/" + std::string(150000, 'a') + ".jar";
    std::wstring reportText;
    const int result = Run({Info(L"long.jar", {{0, path}})}, 0, [&] {
        if (!Report() || !reportText.empty()) return;
        reportText = Report()->GetEdit()->GetText().GetString();
        PostMessageW(report, WM_CLOSE, 0, 0);
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(kDownloadSomeFailed, result);
    ASSERT_FALSE(reportText.empty());
    EXPECT_EQ(0u, reportText.find(L"1个文件下载失败\r"));
    EXPECT_NE(std::wstring::npos, reportText.find(L"URL[0](Mojang): " + Url("/aaaa").substr(0, 30)));
    EXPECT_NE(std::wstring::npos, reportText.find(L"个字符未显示）"));
    EXPECT_LT(reportText.size(), 120000u);
    EXPECT_LE(ui_testing::LongestRow(reportText), static_cast<size_t>(trelm::ui::kMaxRowChars) + 32);
}

TEST_F(DownloadDialogTest, ClosingDuringAThrottledTransferCancelsAndLeavesNoPartialFile) {
    // About 75 s at 160 KB/s, of which the close leaves more than a minute.
    ASSERT_TRUE(Routes(R"({"/slow.bin": {"generate": 12000000, "chunk_size": 16384, "chunk_delay_ms": 100},
                           "/small.bin": {"generate": 2000}})"));
    DWORD closedAt = 0;
    const int result = Run({Info(L"slow.bin", {{0, "/slow.bin"}}), Info(L"small.bin", {{1, "/small.bin"}})}, 0, [&] {
        if (closedAt || !Dialog() || Dialog()->GetManager()->GetTransferredBytes() < 302000) return;
        if (ReadRows(Dialog()->GetList())[0].find(L"|正在下载 ") == std::wstring::npos) return;
        Screenshot(dialog, L"download-dialog-running-");
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        closedAt = GetTickCount();
    });
    EXPECT_EQ(kDownloadCancelled, result);
    EXPECT_EQ(1, succeeded) << "small.bin";
    ASSERT_NE(0u, closedAt);
    EXPECT_LT(returnTick - closedAt, 30000u) << "the transfer stops at once, not after the minute it still needs";
    EXPECT_EQ(L"正在终止下载", titles.back());
    EXPECT_FALSE(testing_support::Exists(dir / L"slow.bin"));
    EXPECT_FALSE(testing_support::Exists(dir / L"slow.bin.dl")) << "no partial file is left";
    ExpectTaskbar();
}

}  // namespace
