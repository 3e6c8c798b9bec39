#include "ui/DownloadFailureMsgDlg.h"

#include <richedit.h>

#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "ui/BoundedText.h"
#include "ui/ModalDialog.h"

namespace trelm {
namespace ui {

namespace internal {

namespace {

constexpr DWORD kDialogStyle = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX;
constexpr int kWidth = 480, kHeight = 268, kMinWidth = 380, kMinHeight = 200;
constexpr int kMargin = 8, kButtonWidth = 70, kButtonHeight = 25;
constexpr uint32_t kItemFlags =
    wendaldui::kControlVisible | wendaldui::kControlTabStop | wendaldui::kControlRectInPixels;
constexpr uintptr_t kEditBits =
    wendaldui::kRichEditReadOnly | wendaldui::kRichEditMultiLine | wendaldui::kRichEditWordWrap;
constexpr int kReportPoints = 12;
// Some 500 failed files with their addresses; a batch of 3,000 assets that
// all failed would otherwise take the window seconds and 150 MB.
constexpr int kMaxReportChars = 256 * 1024;

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CDownloadFailureMsgDlg, wendaldui::CDuiDialog)
DUI_MESSAGE_HANDLER(WM_SIZE, OnReportSize)
DUI_MESSAGE_HANDLER(WM_GETMINMAXINFO, OnReportMinMaxInfo)
DUI_MESSAGE_HANDLER(WM_CLOSE, OnReportClose)
DUI_END_MESSAGE_MAP()

void CDownloadFailureMsgDlg::OnCreate() {
    CDuiDialog::OnCreate();
    SetWindowTextW(m_hWnd, L"下载失败");
    wendaldui::CUIContainer* client = GetClientContainer();
    if (!client) return;
    auto* edit = new wendaldui::CUIRichEdit;
    const uint32_t editFlags = kItemFlags | wendaldui::kControlFocusable | wendaldui::kScrollHasVertical;
    if (!edit->Create(client, editFlags, wendaldui::UIRect(0, 0, 1, 1), kEditId, reinterpret_cast<void*>(kEditBits))) {
        delete edit;
        edit = nullptr;
    }
    auto* ok = new wendaldui::CUIButton;
    if (ok->Create(client, kItemFlags, wendaldui::UIRect(0, 0, 1, 1), kOkId)) {
        ok->SetText(L"确定");
        ok->BindEvent(wendaldui::kEventClick, this, &CDownloadFailureMsgDlg::OnOk);
    } else {
        delete ok;
    }
    // Sized before the text goes in: wrapped at a width of one pixel, the
    // text would leave the view scrolled far below its end.
    Layout();
    if (edit) {
        // The addresses line up in a fixed-pitch face.
        CHARFORMAT2W format = {};
        format.cbSize = sizeof format;
        format.dwMask = CFM_FACE | CFM_CHARSET | CFM_SIZE;
        lstrcpynW(format.szFaceName, L"Consolas", LF_FACESIZE);
        format.bCharSet = DEFAULT_CHARSET;
        // Points of a 96-DPI screen, scaled like the rest of the UI.
        format.yHeight = static_cast<LONG>(kReportPoints * 20 * wendaldui::g_dpiFactor * 96 / wendaldui::g_screenDpi);
        edit->SendEditMessage(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
        edit->SetText(BoundedText(m_text, kMaxReportChars).GetString());
        // The first failed file first.
        edit->SetSel(0, 0);
        edit->SendEditMessage(WM_VSCROLL, SB_TOP, 0);
    }
    CenterWindow(GetWindow(m_hWnd, GW_OWNER));
}

wendaldui::CUIRichEdit* CDownloadFailureMsgDlg::GetEdit() const {
    wendaldui::CUIContainer* client = GetClientContainer();
    return client ? static_cast<wendaldui::CUIRichEdit*>(client->GetChild(kEditId)) : nullptr;
}

wendaldui::CUIButton* CDownloadFailureMsgDlg::GetOkButton() const {
    wendaldui::CUIContainer* client = GetClientContainer();
    return client ? static_cast<wendaldui::CUIButton*>(client->GetChild(kOkId)) : nullptr;
}

void CDownloadFailureMsgDlg::Layout() {
    wendaldui::CUIContainer* client = GetClientContainer();
    if (!client) return;
    const wendaldui::UIRect& area = client->GetRect();
    const int m = wendaldui::DpiScale(kMargin);
    const int buttonWidth = wendaldui::DpiScale(kButtonWidth), buttonHeight = wendaldui::DpiScale(kButtonHeight);
    const int editHeight = area.height - 3 * m - buttonHeight;
    if (wendaldui::CUIRichEdit* edit = GetEdit()) {
        edit->SetPos(wendaldui::UIRect(m, m, area.width - 2 * m, editHeight > 0 ? editHeight : 0));
    }
    if (wendaldui::CUIButton* ok = GetOkButton()) {
        ok->SetPos(wendaldui::UIRect((area.width - buttonWidth) / 2, m + editHeight + m, buttonWidth, buttonHeight));
    }
}

LRESULT CDownloadFailureMsgDlg::OnReportSize(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = OnDialogSize(wParam, lParam);
    Layout();
    return result;
}

LRESULT CDownloadFailureMsgDlg::OnReportMinMaxInfo(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = OnGetMinMaxInfo(wParam, lParam);
    MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMinTrackSize.x = wendaldui::DpiScale(kMinWidth);
    info->ptMinTrackSize.y = wendaldui::DpiScale(kMinHeight);
    return result;
}

LRESULT CDownloadFailureMsgDlg::OnReportClose(WPARAM, LPARAM) {
    End(1);
    return 0;
}

void CDownloadFailureMsgDlg::OnOk(wendaldui::EventData&) { End(0); }

void CDownloadFailureMsgDlg::End(int result) {
    SetModalResult(result);
    wendaldui::CDuiApp::EndModalLoop(m_hWnd);
}

}  // namespace internal

int ShowDownloadFailureReport(HWND owner, const WString& text) {
    internal::CDownloadFailureMsgDlg dialog(text);
    if (!RunModalDialog(dialog, L"提示", internal::kDialogStyle, internal::kWidth, internal::kHeight, owner)) return 1;
    return dialog.GetModalResult() == 0 ? 0 : 1;
}

}  // namespace ui
}  // namespace trelm
