#include "ui/AboutDialog.h"

#include <richedit.h>

#include "WendalDui/Control/UILinkCtrl.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "core/Resources.h"
#include "services/ProgramVersion.h"
#include "ui/ModalDialog.h"

namespace trelm {
namespace ui {

const wchar_t kForumThreadUrl[] = L"https://forum.example.com/t/quorvel-launcher";

namespace {

constexpr DWORD kAboutStyle = 0x00CD0000;
constexpr int kAboutWidth = 375, kAboutHeight = 258;

}  // namespace

void CAboutDialog::AppendText(wendaldui::CUIRichEdit* edit, const wchar_t* text, int points) {
    CHARRANGE end = {-1, -1};
    edit->SendEditMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_SIZE;
    format.yHeight = static_cast<LONG>(1440.0 / wendaldui::g_screenDpi * wendaldui::g_dpiFactor * points);
    edit->SendEditMessage(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    edit->SendEditMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

void CAboutDialog::OnCreate() {
    CTextDialog::OnCreate();
    wendaldui::CUIRichEdit* edit = GetTextEdit();
    if (!edit) return;
    AppendText(edit, L"TRELM(Minecraft QuorvelLauncher)\n", 18);
    LauncherVersion version;
    GetLauncherVersion(version);
    WString line;
    line.Format(L"版本：%d.%d.%d.%d-%S\r\n作者与讨论 (", version.major, version.minor, version.build, version.revision,
                kLauncherChannel);
    AppendText(edit, line.GetString(), 12);
    CHARRANGE end = {-1, -1};
    edit->SendEditMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    edit->InsertLinkText();
    AppendText(edit, L")\r\n", 12);
    line.Format(L"编译时间：%S %S\r\n\r\n", __DATE__, __TIME__);
    AppendText(edit, line.GetString(), 12);
    WString about;
    if (LoadUtf8TextResource(wendaldui::CDuiApp::GetModuleInstance(), &about)) {
        AppendText(edit, about.GetString(), 10);
    }
    POINT top = {0, 0};
    edit->SendEditMessage(EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&top));
}

void CAboutDialog::OnLinkClick(wendaldui::CUIRichEdit* edit, void* link) {
    const ENLINK* record = static_cast<const ENLINK*>(link);
    if (!edit || !record || record->msg != WM_LBUTTONUP) return;
    WString text;
    edit->GetTextRange(record->chrg.cpMin, record->chrg.cpMax, text);
    if (text == wendaldui::CUIRichEdit::kLinkCaption) wendaldui::ShellOpen(kForumThreadUrl);
}

void CAboutDialog::OnClose() {
    wendaldui::CDuiApp::EndModalLoop(m_hWnd);
}

void RunAboutDialog(HWND owner) {
    CAboutDialog dialog;
    RunModalDialog(dialog, L"关于TRELM", kAboutStyle, kAboutWidth, kAboutHeight, owner);
}

}  // namespace ui
}  // namespace trelm
