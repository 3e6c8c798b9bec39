// The download engine wants Winsock 2 before windows.h.
#include <winsock2.h>

#include "ui/UpdateDlg.h"

#include "ui/DownloadDialog.h"

#include <shobjidl.h>

#include <cstring>

#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Control/UIImage.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Core/DlgMessageBox.h"
#include "WendalDui/Core/FormattedText.h"
#include "core/Encoding.h"
#include "core/TextFormat.h"
#include "download/DownloadInfoCommonFile.h"
#include "services/AccountStore.h"
#include "services/LauncherSettings.h"
#include "ui/AddControl.h"
#include "ui/FileDialogEventsHelper.h"
#include "ui/TopLevelWindows.h"
#include "ui/TrelmResourceManager.h"

namespace trelm {
namespace ui {

namespace {

using wendaldui::UIRect;

UpdateDownloadRunner g_downloadRunner = &RunDownloadDialog;
LaunchFieldsSaver g_launchFieldsSaver = nullptr;

constexpr uint32_t kShown = wendaldui::kControlVisible;
constexpr uintptr_t kNotesBits =
    wendaldui::kRichEditReadOnly | wendaldui::kRichEditMultiLine | wendaldui::kRichEditWordWrap;

// Refuses a save target another program holds open: the download could not
// write it anyway, and the player can still pick another name.
class SaveAsEvents : public IFileDialogEventsHelper {
public:
    IFACEMETHODIMP OnOverwrite(IFileDialog* dialog, IShellItem* item, FDE_OVERWRITE_RESPONSE* response) override {
        WString path;
        if (!response || !GetItemPath(item, path)) return E_NOTIMPL;
        HANDLE file = CreateFileW(path.GetString(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND) {
            ShowMessageBox(dialog, L"此文件被占用，请换一个保存位置", L"提示", MB_ICONINFORMATION);
            *response = FDEOR_REFUSE;
            return S_OK;
        }
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        *response = FDEOR_DEFAULT;
        return S_OK;
    }
};

void ShowAutoUpdateError(HWND owner, const wchar_t* step, const wchar_t* error) {
    WString text;
    text.Format(L"无法完成自动更新，原因：%s,%s", step, wendaldui::EscapeMarkup(error).GetString());
    wendaldui::CDlgMessageBox::Show(owner, L"错误", text.GetString(), wendaldui::kBoxOk, wendaldui::kIconError);
}

}  // namespace

UpdateDownloadRunner SetUpdateDownloadRunner(UpdateDownloadRunner runner) {
    UpdateDownloadRunner old = g_downloadRunner;
    g_downloadRunner = runner;
    return old;
}

LaunchFieldsSaver SetLaunchFieldsSaver(LaunchFieldsSaver saver) {
    LaunchFieldsSaver old = g_launchFieldsSaver;
    g_launchFieldsSaver = saver;
    return old;
}

bool BuildUpdateDownload(const UpdateInfo& info, const wchar_t* target, std::vector<download::DownloadInfoBase*>& out) {
    uint8_t sha1[20];
    if (!IsSha1HexText(info.sha1, static_cast<size_t>(info.sha1.GetLength())) || !HexDecode(info.sha1, sha1, 20))
        return false;
    auto* file = new download::DownloadInfoCommonFile;
    file->target = target;
    file->urls.emplace_back(info.url, download::kSourceUpdate);
    std::memcpy(file->sha1, sha1, sizeof sha1);
    file->size = info.size;
    file->flags = download::kFlagSha1Given | download::kFlagUseCache;
    file->accept = &TRELMUpdateService::AcceptUpdateFile;
    out.push_back(file);
    return true;
}

DUI_BEGIN_MESSAGE_MAP(CUpdateDlg, wendaldui::CDuiDialog)
DUI_MESSAGE_HANDLER(WM_CLOSE, OnCloseMessage)
DUI_END_MESSAGE_MAP()

CUpdateDlg::CUpdateDlg() : CDuiDialog(new wendaldui::CUIContainer2) {}

void CUpdateDlg::SetUpdateInfo(const UpdateInfo& info) {
    m_info = info;
    m_hasResult = true;
    if (m_status) ShowResult();
}

void CUpdateDlg::OnCreate() {
    CDuiDialog::OnCreate();
    CTrelmResourceManager::ApplyWindowIcon(m_hWnd);
    wendaldui::CUIContainer* client = GetClientContainer();
    if (!client) return;
    client->SetFlags(client->GetFlags() | wendaldui::kContainerDragArea);

    m_image = AddControl<wendaldui::CUIImage>(client, kShown, UIRect(8, 8, 48, 48), kImageId);
    if (m_image) m_image->SetImage(CTrelmResourceManager::GetResourcePicture(kPictureUpdate), true);
    m_status = AddControl<wendaldui::CUILabel>(client, kShown | wendaldui::kLabelWordWrap, UIRect(64, 8, 270, 48),
                                               kStatusId);
    if (m_status) {
        m_status->SetText(L"正在检查更新");
        m_status->SetTextColor(0xFF000000);
    }
    const uint32_t disabledButton = kShown | wendaldui::kControlDisabled | wendaldui::kControlTabStop;
    m_autoUpdate = AddControl<wendaldui::CUIButton>(client, disabledButton, UIRect(352, 10, 80, 25), kAutoUpdateId);
    m_saveAs = AddControl<wendaldui::CUIButton>(client, disabledButton, UIRect(352, 40, 80, 25), kSaveAsId);
    if (m_autoUpdate) {
        m_autoUpdate->SetText(L"自动更新");
        m_autoUpdate->BindEvent(wendaldui::kEventClick, this, &CUpdateDlg::OnBtnAutoUpdateClick);
    }
    if (m_saveAs) {
        m_saveAs->SetText(L"仅下载");
        m_saveAs->BindEvent(wendaldui::kEventClick, this, &CUpdateDlg::OnBtnSavaAsClick);
    }
    m_notesLabel = AddControl<wendaldui::CUILabel>(client, kShown, UIRect(64, 72, 100, 16), kNotesLabelId);
    if (m_notesLabel) m_notesLabel->SetText(L"更新说明：");
    m_notes = AddControl<wendaldui::CUIRichEdit>(client, kShown | wendaldui::kControlFocusable,
                                                 UIRect(64, 92, 368, 80), kNotesId, reinterpret_cast<void*>(kNotesBits));
    CenterWindow(GetWindow(m_hWnd, GW_OWNER));
    if (m_hasResult) ShowResult();
}

void CUpdateDlg::ShowResult() {
    if (!m_status) return;
    WString text;
    bool offer = false;
    switch (m_info.state) {
        case UpdateInfo::kFailed:
            text.Format(L"检查更新失败\r\n(%s)", m_info.errorMessage.GetString());
            break;
        case UpdateInfo::kUpToDate:
            text = L"已经是最新版本";
            break;
        case UpdateInfo::kNewer: {
            const WString time = FormatTimeT(m_info.time);
            text.Format(L"发现新版本:\r\n%u.%u.%u.%u\r\n%s", m_info.version.major, m_info.version.minor,
                        m_info.version.build, m_info.version.revision, time.GetString());
            offer = true;
            if (m_notes) m_notes->SetText(m_info.description.GetString());
            break;
        }
        case UpdateInfo::kRunningIsNewer:
            text = L"版本高于现有版本（此版本可能为测试版）";
            break;
        default:
            return;
    }
    m_status->SetText(text.GetString());
    if (m_autoUpdate) m_autoUpdate->Enable(offer);
    if (m_saveAs) m_saveAs->Enable(offer);
}

int CUpdateDlg::RunDownload(const wchar_t* target) {
    std::vector<download::DownloadInfoBase*> infos;
    int result = 2;
    if (BuildUpdateDownload(m_info, target, infos) && g_downloadRunner) {
        int32_t succeeded = 0;
        result = g_downloadRunner(m_hWnd, NULL, L"下载", infos, &succeeded, m_info.size);
    }
    for (download::DownloadInfoBase* info : infos) delete info;
    return result;
}

void CUpdateDlg::OnBtnAutoUpdateClick(wendaldui::EventData&) {
    WString dest;
    if (!TRELMUpdateService::MakeDownloadDest(dest)) {
        ShowAutoUpdateError(m_hWnd, L"TRELMUpdateService::MakeDownloadDest()", L"false");
        return;
    }
    if (RunDownload(dest.GetString()) != 0) return;  // the download dialog has said why
    WString error;
    if (!TRELMUpdateService::TerminateOtherTRELMInstances(error)) {
        ShowAutoUpdateError(m_hWnd, L"TRELMUpdateService::TerminateOtherTRELMInstances()", error.GetString());
        return;
    }
    // The restarted launcher reads only what is on disk: the main window's
    // launch fields go into the settings before they are written.
    if (g_launchFieldsSaver) g_launchFieldsSaver();
    g_accountStore.Save();
    g_settings.Save();
    if (!TRELMUpdateService::CreateUpdateHelperProcess(dest.GetString(), error)) {
        ShowAutoUpdateError(m_hWnd, L"TRELMUpdateService::CreateUpdateHelperProcess()", error.GetString());
        return;
    }
    TerminateProcess(GetCurrentProcess(), 2);
}

void CUpdateDlg::OnBtnSavaAsClick(wendaldui::EventData&) {
    IFileSaveDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileSaveDialog,
                                reinterpret_cast<void**>(&dialog)))) {
        return;
    }
    SaveAsEvents* events = new SaveAsEvents;
    DWORD cookie = 0;
    const bool advised = SUCCEEDED(dialog->Advise(events, &cookie));
    events->Release();  // the dialog holds it while advised
    WString target;
    FILEOPENDIALOGOPTIONS options = 0;
    const COMDLG_FILTERSPEC types[] = {{L"EXE Files", L"*.exe"}};
    bool chosen = advised && SUCCEEDED(dialog->GetOptions(&options)) &&
                  SUCCEEDED(dialog->SetOptions(options | FOS_OVERWRITEPROMPT)) &&
                  SUCCEEDED(dialog->SetFileTypes(1, types)) && SUCCEEDED(dialog->SetFileTypeIndex(1)) &&
                  SUCCEEDED(dialog->SetFileName(L"TRELM.exe")) && SUCCEEDED(dialog->Show(m_hWnd));
    if (advised) dialog->Unadvise(cookie);
    if (chosen) {
        IShellItem* item = nullptr;
        chosen = SUCCEEDED(dialog->GetResult(&item)) && IFileDialogEventsHelper::GetItemPath(item, target);
        if (item) item->Release();
    }
    dialog->Release();
    if (chosen) RunDownload(target.GetString());
}

LRESULT CUpdateDlg::OnCloseMessage(WPARAM, LPARAM) {
    HWND hwnd = m_hWnd;
    GetTopLevelWindows().updateDialog = nullptr;
    DestroyWindow(hwnd);
    delete this;
    CheckQuit();
    return 0;
}

}  // namespace ui
}  // namespace trelm
