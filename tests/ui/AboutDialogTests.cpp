// The About box: its text pieces and licences, the forum link opened once on
// a button release over it, and the close box ending the modal loop.
#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "WendalDui/Control/UILinkCtrl.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "tests/support/TestPaths.h"
#include "ui/AboutDialog.h"

namespace {

using namespace trelm::ui;

std::vector<std::wstring> g_opened;
HINSTANCE RecordOpen(const wchar_t* target) {
    g_opened.push_back(target);
    return reinterpret_cast<HINSTANCE>(42);
}

std::wstring g_text;
void CALLBACK ActOnAbout(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND hwnd = FindWindowW(wendaldui::kDuiWindowClassName, L"关于TRELM");
    if (!hwnd) return;
    KillTimer(NULL, timer);
    auto* dialog = dynamic_cast<CAboutDialog*>(reinterpret_cast<wendaldui::CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
    wendaldui::CUIRichEdit* edit = dialog->GetTextEdit();
    g_text = edit->GetText().GetString();
    const LONG link = static_cast<LONG>(g_text.find(wendaldui::CUIRichEdit::kLinkCaption));
    ENLINK record = {};
    record.chrg = {link, link + 7};
    for (UINT message : {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}) {
        record.msg = message;
        dialog->OnLinkClick(edit, &record);
    }
    record.chrg = {0, 5};  // a release over other text
    dialog->OnLinkClick(edit, &record);
    PostMessageW(hwnd, WM_CLOSE, 0, 0);  // the close box
}

TEST(AboutDialogTest, TextLinkAndClose) {
    wendaldui::CDuiSkinManager skin(L"微软雅黑", 210, 0.5, 0.4, 0);
    wendaldui::CDuiWindow owner;
    HWND ownerWindow = ui_testing::CreateTestWindow(owner, 20, 20, 300, 200);
    const wendaldui::ShellOpenFunction old = wendaldui::SetShellOpenFunction(&RecordOpen);
    g_opened.clear();
    SetTimer(NULL, 0, 50, &ActOnAbout);
    RunAboutDialog(ownerWindow);  // returns once the close box ended it
    EXPECT_EQ(nullptr, FindWindowW(wendaldui::kDuiWindowClassName, L"关于TRELM"));
    EXPECT_TRUE(IsWindowEnabled(ownerWindow));
    for (const wchar_t* part : {L"TRELM(Minecraft QuorvelLauncher)", L"版本：1.2.4.0-release", L"编译时间：",
                                L"下载源使用条款", L"Boost Software License", L"libcurl", L"liblzma", L"zlib"}) {
        EXPECT_NE(std::wstring::npos, g_text.find(part)) << testing_support::Narrow(part);
    }
    EXPECT_EQ(std::vector<std::wstring>{kForumThreadUrl}, g_opened);
    wendaldui::SetShellOpenFunction(old);
    DestroyWindow(ownerWindow);
}

}  // namespace
