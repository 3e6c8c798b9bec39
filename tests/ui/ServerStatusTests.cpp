// The server status control against the scripted status server on
// 127.0.0.1: the answer shown, the cache written (only under the address
// asked) and read back with the server gone, a click asking again, server
// text that looks like mark-up shown as text, a slow server or a slow name
// lookup not holding up the window's end, and the information window's
// place and bounds.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <string>

#include "UiTestSupport.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Control/UILinkCtrl.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/DuiWindow.h"
#include "WendalDui/Core/FormattedText.h"
#include "core/TextFile.h"
#include "services/ServerPing.h"
#include "tests/services/StatusServer.h"
#include "tests/support/TestPaths.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "ui/BoundedText.h"
#include "ui/MotdInfoDialog.h"
#include "ui/UIMcMotdCtrl.h"
#include "ui/UIMcMotdIcon.h"

namespace {

using namespace trelm::ui;
using testing_support::TempDir;
using wendaldui::UIRect;

TEST(ServerStatusCache, FileNamesKeepNoPathCharacterAndNoDeviceName) {
    const struct {
        const wchar_t* address;
        const wchar_t* file;
    } cases[] = {
        {L"mc.example.com:25565", L"mc.example.com25565"},
        {L"a:b", L"ab"},  // shares a file with "ab", as it always has
        {L"ab", L"ab"},
        {L"../x\\y|z?*", L"..xyz"},
        {L"con", L"_con"},
        {L"CON.example.com", L"_CON.example.com"},
        {L"lpt1:25565", L"lpt125565"},  // not a device once the colon is gone
        {L"com7", L"_com7"},
    };
    for (const auto& c : cases) {
        WString path;
        ServerStatusCacheFile(c.address, &path);
        EXPECT_TRUE(path == (std::wstring(L"quorvel_launcher\\motd_cache\\") + c.file + L".json").c_str())
            << testing_support::Narrow(path.GetString());
    }
}

class ServerStatusControl : public testing::Test {
protected:
    ServerStatusControl() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {
        GetCurrentDirectoryW(MAX_PATH, m_old);
        SetCurrentDirectoryW(dir.Path().c_str());
        root = new wendaldui::CUIContainer2;
        root->SetBackgroundColor(0xFF204060);
        window.SetRoot(root);
        hwnd = ui_testing::CreateTestWindow(window, 60, 60, 400, 120);
    }
    ~ServerStatusControl() override {
        DestroyWindow(hwnd);
        SetCurrentDirectoryW(m_old);
    }

    CUIMcMotdCtrl* AddControl(uint32_t style = 0) {
        CUIMcMotdCtrl* control = new CUIMcMotdCtrl;
        EXPECT_TRUE(control->Create(root, wendaldui::kControlVisible | style, UIRect(10, 10, 360, 60), 1));
        return control;
    }
    static std::wstring Address(int port) { return L"localhost:" + std::to_wstring(port); }
    static bool Shows(CUIMcMotdCtrl* control, const wchar_t* part) {
        return control->GetShownText().Find(part) >= 0;
    }
    static std::wstring InfoText(CUIMcMotdCtrl* control) {
        return control->GetInfoDialog()->GetEdit()->GetText().GetString();
    }
    // Ctrl held while the icon is clicked: the pop-up with the whole answer.
    internal::CMotdInfoDialog* OpenInfo(CUIMcMotdCtrl* control) {
        const UIRect at = control->GetIcon()->GetWindowRect();
        SetForegroundWindow(hwnd);
        ui_testing::MoveMouseTo(60 + at.x + at.width / 2, 60 + at.y + at.height / 2);
        INPUT ctrl = {};
        ctrl.type = INPUT_KEYBOARD;
        ctrl.ki.wVk = VK_CONTROL;
        SendInput(1, &ctrl, sizeof ctrl);
        ui_testing::PumpFor(30);
        control->GetIcon()->OnLButtonDown(0, 5, 5);
        control->GetIcon()->OnLButtonUp(0, 5, 5);
        ctrl.ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(1, &ctrl, sizeof ctrl);
        ui_testing::PumpUntil([&] { return control->GetInfoDialog() != nullptr; }, 10000);
        return control->GetInfoDialog();
    }

    TempDir dir;
    wendaldui::CDuiSkinManager skin;
    wendaldui::CDuiWindow window;
    wendaldui::CUIContainer2* root;
    HWND hwnd;
    wchar_t m_old[MAX_PATH];
};

TEST_F(ServerStatusControl, AnswerShownCachedAndShownAgainWithTheServerGone) {
    std::wstring address;
    {
        testing_support::TestStatusServer server;
        ASSERT_TRUE(server.Start()) << server.LastError();
        address = Address(server.Port("normal"));
        CUIMcMotdCtrl* control = AddControl();
        control->SetServerAddress(address.c_str());
        EXPECT_TRUE(Shows(control, L"正在获取"));  // nothing cached yet
        ASSERT_TRUE(ui_testing::PumpUntil([&] { return Shows(control, L"在线：3/20"); }, 10000))
            << testing_support::Narrow(control->GetShownText().GetString());
        EXPECT_TRUE(Shows(control, L"欢迎来到方块世界"));
        EXPECT_NE(nullptr, control->GetIcon()->GetFavicon());
        RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
        ui_testing::SaveScreenshot(RECT{60, 60, 460, 180},
                                   (L"server-status-" + std::to_wstring(wendaldui::g_screenDpi) + L".png").c_str());

        // A real click on the icon asks again at once, not 60 seconds later.
        const SYSTEMTIME first = control->GetResult().time;
        ui_testing::PumpFor(50);
        {
            const UIRect at = control->GetIcon()->GetWindowRect();
            ui_testing::ClickAt(60 + at.x + at.width / 2, 60 + at.y + at.height / 2);
        }
        EXPECT_TRUE(ui_testing::PumpUntil(
            [&] {
                const SYSTEMTIME now = control->GetResult().time;
                return memcmp(&now, &first, sizeof now) != 0;
            },
            5000));

        internal::CMotdInfoDialog* info = OpenInfo(control);
        ASSERT_NE(nullptr, info);
        const std::wstring shown = info->GetEdit()->GetText().GetString();
        for (const wchar_t* part : {L"地址：", L"在线人数：\r\t3/20", L"版本：\r\t1.12.2", L"Steve", L"forge",
                                    L"Json:\r{"}) {
            EXPECT_NE(std::wstring::npos, shown.find(part)) << testing_support::Narrow(part);
        }
        wchar_t title[128];
        GetWindowTextW(info->GetHWND(), title, 128);
        EXPECT_EQ(L"服务器信息 - " + address, std::wstring(title));
        control->Destroy();  // writes the cache and closes the pop-up
    }
    WString path, cached;
    ServerStatusCacheFile(address.c_str(), &path);
    ASSERT_TRUE(ReadTextFile(path.GetString(), &cached, -1));
    const std::string bytes = testing_support::ReadBytes(dir / path.GetString());
    EXPECT_EQ(std::string("\xFF\xFE"), bytes.substr(0, 2));  // UTF-16 with its byte-order mark
    EXPECT_GE(cached.Find(L"欢迎来到方块世界"), 0);

    // The next start, with the server gone: the cached description at once,
    // then the failure below it.
    CUIMcMotdCtrl* control = AddControl();
    control->SetServerAddress(address.c_str());
    EXPECT_TRUE(Shows(control, L"欢迎来到方块世界"));
    EXPECT_TRUE(Shows(control, L"正在获取"));
    EXPECT_NE(nullptr, control->GetIcon()->GetFavicon());
    EXPECT_TRUE(ui_testing::PumpUntil([&] { return Shows(control, L"服务器信息获取失败"); }, 15000));
    EXPECT_TRUE(Shows(control, L"欢迎来到方块世界"));
    EXPECT_NE(nullptr, control->GetIcon()->GetFavicon());  // kept with the text
}

// The address changes while a query waits for its pong, and the window
// closes before the next query: the answer that ends the query belongs to
// the address it asked.
TEST_F(ServerStatusControl, AnAnswerIsCachedOnlyUnderTheAddressItWasAskedFor) {
    testing_support::TestStatusServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    const std::wstring asked = Address(server.Port("no_pong")), next = Address(server.Port("normal"));
    CUIMcMotdCtrl* control = AddControl();
    control->SetServerAddress(asked.c_str());
    // Once the server has read the ping, the control holds the status and waits for a pong that never comes.
    ASSERT_TRUE(ui_testing::PumpUntil([&] { return server.LogHolds("no_pong: ping read"); }, 30000));
    ASSERT_FALSE(server.LogHolds("no_pong: client left")) << "the query ended before the address changed";
    control->SetServerAddress(next.c_str());
    control->Destroy();
    WString askedFile, nextFile, cached;
    ServerStatusCacheFile(asked.c_str(), &askedFile);
    ServerStatusCacheFile(next.c_str(), &nextFile);
    EXPECT_FALSE(testing_support::Exists(dir / nextFile.GetString())) << "another server's answer";
    ASSERT_TRUE(ReadTextFile(askedFile.GetString(), &cached, -1));
    EXPECT_GE(cached.Find(L"欢迎来到方块世界"), 0);
}

TEST_F(ServerStatusControl, ServerTextIsNeverReadAsMarkup) {
    testing_support::TestStatusServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    for (uint32_t style : {0u, kMotdColored}) {
        CUIMcMotdCtrl* control = AddControl(style);
        control->SetServerAddress(Address(server.Port("angle_brackets")).c_str());
        ASSERT_TRUE(ui_testing::PumpUntil([&] { return Shows(control, L"在线"); }, 10000));
        RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
        wendaldui::CFormattedText& text = control->GetTextControl()->GetFormattedText();
        EXPECT_EQ(nullptr, text.GetLink(0)) << style;
        std::wstring shown;
        for (const auto& piece : text.GetPieces()) shown.append(piece.text, piece.length);
        EXPECT_NE(std::wstring::npos, shown.find(L"<a href=")) << style;
        EXPECT_NE(std::wstring::npos, shown.find(L"<b>红</b>")) << style;
        control->Destroy();
    }
}

TEST_F(ServerStatusControl, ASlowServerDoesNotHoldUpTheEnd) {
    testing_support::TestStatusServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    CUIMcMotdCtrl* control = AddControl();
    control->SetServerAddress(Address(server.Port("stall")).c_str());
    // The query has reached the server, which never answers: a query that
    // missed the stop flag would wait out its 4-s step limit; one that sees
    // it ends within a poll step.
    ASSERT_TRUE(ui_testing::PumpUntil([&] { return server.LogHolds("stall: connection"); }, 30000));
    const DWORD start = GetTickCount();
    DestroyWindow(hwnd);
    EXPECT_LT(GetTickCount() - start, 2000u);
}

// A sample of 10,000 names held the main window for 48 s in the info
// pop-up. The game's own client reads no status text that long, and the
// largest one it reads opens the pop-up at once, its names cut to a list:
// a bounded text in short rows. The time bound is only a backstop, loose
// enough for a far slower machine.
TEST_F(ServerStatusControl, NoAnswerHoldsUpTheWindow) {
    testing_support::TestStatusServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    for (const char* script : {"sample_10000", "sample_at_max"}) {
        SCOPED_TRACE(script);
        CUIMcMotdCtrl* control = AddControl();
        control->SetServerAddress(Address(server.Port(script)).c_str());
        ASSERT_TRUE(ui_testing::PumpUntil([&] { return Shows(control, L"在线：") || Shows(control, L"失败"); }, 10000));
        const bool refused = std::string(script) == "sample_10000";
        EXPECT_EQ(refused, Shows(control, L"服务器信息获取失败"));
        EXPECT_EQ(refused, control->GetResult().json.IsEmpty());  // nothing of it is kept
        EXPECT_LE(control->GetParsedStatus().sample.size(), mcmotd::kMaxSampleRows);
        const DWORD start = GetTickCount();
        control->OpenInfoDialog();
        ASSERT_NE(nullptr, control->GetInfoDialog());
        EXPECT_LT(GetTickCount() - start, 30000u);
        const std::wstring shown = InfoText(control);
        EXPECT_LT(shown.size(), 120000u);
        EXPECT_LE(ui_testing::LongestRow(shown), static_cast<size_t>(trelm::ui::kMaxRowChars) + 32);
        // The next answer replaces the whole text of the open window.
        const DWORD refresh = GetTickCount();
        control->GetInfoDialog()->BuildText();
        EXPECT_LT(GetTickCount() - refresh, 30000u);
        EXPECT_EQ(shown.size(), InfoText(control).size());
        control->Destroy();
    }
}

// A lookup that says it has begun, then answers only once let go, or after 20 s.
HANDLE g_lookupBegun = CreateEventW(nullptr, TRUE, FALSE, nullptr);
HANDLE g_lookupRelease = CreateEventW(nullptr, TRUE, FALSE, nullptr);
bool HeldLookup(const wchar_t*, in_addr* addr) {
    SetEvent(g_lookupBegun);
    WaitForSingleObject(g_lookupRelease, 20000);
    addr->s_addr = htonl(INADDR_LOOPBACK);
    return true;
}

// Closing must not wait for the network: the resolver cannot see the stop
// flag, so the query leaves a slow lookup behind (holding the end, it took
// the lookup's 20 s).
TEST_F(ServerStatusControl, ASlowNameLookupDoesNotHoldUpTheEnd) {
    ResetEvent(g_lookupBegun);
    ResetEvent(g_lookupRelease);
    mcmotd::SetHostLookup(&HeldLookup);
    CUIMcMotdCtrl* control = AddControl();
    control->SetServerAddress(L"slow.example:25565");
    EXPECT_TRUE(ui_testing::PumpUntil([] { return WaitForSingleObject(g_lookupBegun, 0) == WAIT_OBJECT_0; }, 30000));
    const DWORD start = GetTickCount();
    DestroyWindow(hwnd);
    EXPECT_LT(GetTickCount() - start, 10000u);
    mcmotd::SetHostLookup(nullptr);
    SetEvent(g_lookupRelease);
}

// The information window opens at its top, not at the end of the icon's
// base64, and keeps the reader's place when a new answer is shown; a
// description of 28,000 characters in one line shows in rows Wine lays out
// at once, instead of holding the launcher for seconds.
TEST_F(ServerStatusControl, InfoWindowOpensAtItsTopKeepsThePlaceAndBoundsLongTexts) {
    testing_support::TestStatusServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    CUIMcMotdCtrl* control = AddControl();
    control->SetServerAddress(Address(server.Port("big_favicon")).c_str());
    ASSERT_TRUE(ui_testing::PumpUntil([&] { return Shows(control, L"在线：3/20"); }, 10000));
    internal::CMotdInfoDialog* info = OpenInfo(control);
    ASSERT_NE(nullptr, info);
    wendaldui::CUIRichEdit* edit = info->GetEdit();
    ui_testing::PumpFor(100);
    auto scrolled = [edit] {
        POINT at = {-1, -1};
        edit->SendEditMessage(EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&at));
        return at.y;
    };
    EXPECT_EQ(0, scrolled()) << "the window opened away from its top";
    LONG start = -1, end = -1;
    edit->GetSel(start, end);
    EXPECT_EQ(0, end);
    // The reader selects a little and moves into the base64; the answer comes again.
    edit->SetSel(40, 45);
    POINT middle = {0, 400};
    edit->SendEditMessage(EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&middle));
    const int place = scrolled();
    ASSERT_GT(place, 0);
    info->BuildText();
    EXPECT_EQ(place, scrolled());
    edit->GetSel(start, end);
    EXPECT_EQ(40, start);
    EXPECT_EQ(45, end);
    control->Destroy();

    control = AddControl();
    control->SetServerAddress(Address(server.Port("long_description")).c_str());
    ASSERT_TRUE(ui_testing::PumpUntil([&] { return Shows(control, L"在线：3/20"); }, 10000));
    ASSERT_NE(nullptr, OpenInfo(control));
    const std::wstring shown = InfoText(control);
    EXPECT_LT(shown.size(), 120000u);
    EXPECT_LE(ui_testing::LongestRow(shown), static_cast<size_t>(trelm::ui::kMaxRowChars) + 32);
    control->Destroy();
}

}  // namespace
