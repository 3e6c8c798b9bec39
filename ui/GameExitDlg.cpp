#include "ui/GameExitDlg.h"

#include "WendalDui/Control/UILinkCtrl.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/FormattedText.h"
#include "core/DirectoryScan.h"
#include "core/TextFormat.h"
#include "services/LauncherSettings.h"
#include "ui/TopLevelWindows.h"

namespace trelm {
namespace ui {

namespace {

// The dialog goes only after the handler that ends it has returned.
constexpr UINT WM_GAME_EXIT_CLOSE = WM_APP + 0x110;

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CGameExitDlg, wendaldui::CDlgMessageBox)
DUI_MESSAGE_HANDLER(WM_GAME_EXIT_CLOSE, OnCloseLater)
DUI_END_MESSAGE_MAP()

CGameExitDlg::CGameExitDlg(const launcher::ExitedGame& game) : CDlgMessageBox(&m_param), m_param(), m_game(game) {
    m_game.process = nullptr;  // the taker of the record closes it
    m_param.caption = L"TRELM - 游戏异常退出";
    m_param.text = L"";
    m_param.icon = wendaldui::kIconWarning;
    m_param.SetButtons(wendaldui::kBoxOk);
}

void CGameExitDlg::BuildText(const launcher::ExitedGame& game, WString* text) {
    WString version;
    if (const wchar_t* alias = g_settings.GetVersionAlias(game.versionId.GetString())) {
        version.Format(L"%s(%s)", alias, game.versionId.GetString());
    } else {
        version = game.versionId;
    }
    const WString duration = FormatDuration(game.runTime);
    text->Format(L"Minecraft版本 %s %s退出\r\n进程退出代码：0x%08X\r\n游戏持续时间：%s\r\n",
                 wendaldui::EscapeMarkup(version).GetString(),
                 game.exitCode != 0 ? L"异常" : L"", game.exitCode, duration.GetString());

    WString folder;
    if (game.versionsApart) {
        folder.Format(L".minecraft\\versions\\%s\\crash-reports\\", game.versionId.GetString());
    } else {
        folder = L".minecraft\\crash-reports\\";
    }
    FILETIME ended;
    ended.dwLowDateTime = static_cast<DWORD>(game.endTime);
    ended.dwHighDateTime = static_cast<DWORD>(game.endTime >> 32);
    std::vector<WString> reports;
    const WString pattern = folder + L"*.txt";
    WString line;
    if (!FindFilesCreatedNear(pattern.GetString(), ended, &reports)) {
        text->Append(L"\r\n未找到错误报告\r\n");
    } else {
        text->Append(L"\r\n找到的错误报告：\r\n");
        for (const WString& report : reports) {
            line.Format(L"<a href=\"%s%s\">%s</a>\r\n", folder.GetString(), report.GetString(),
                        wendaldui::EscapeMarkup(report).GetString());
            text->Append(line);
        }
    }
    line.Format(L"<a href=\"%s\">打开错误报告文件夹</a>", folder.GetString());
    text->Append(line);
}

void CGameExitDlg::InitMessageText(wendaldui::CUILinkCtrl* text) {
    WString message;
    BuildText(m_game, &message);
    text->SetText(message.GetString(), message.GetLength());
}

void CGameExitDlg::OnButton(wendaldui::CUIControl*, int) { PostMessageW(m_hWnd, WM_GAME_EXIT_CLOSE, 0, 0); }

void CGameExitDlg::OnCancel() { PostMessageW(m_hWnd, WM_GAME_EXIT_CLOSE, 0, 0); }

LRESULT CGameExitDlg::OnCloseLater(WPARAM, LPARAM) {
    CloseGameExitDialog(this);  // deletes this
    return 0;
}

CGameExitDlg* OpenGameExitDialog(const launcher::ExitedGame& game) {
    CGameExitDlg* dialog = new CGameExitDlg(game);
    HWND hwnd = CreateWindowExW(0, wendaldui::kDuiWindowClassName, L"MessageBox", WS_CAPTION, 0, 0, 100, 100, NULL,
                                NULL, wendaldui::CDuiApp::GetModuleInstance(), dialog);
    if (!hwnd) {
        delete dialog;
        return nullptr;
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    return dialog;
}

}  // namespace ui
}  // namespace trelm
