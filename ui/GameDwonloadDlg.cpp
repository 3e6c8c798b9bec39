#include "ui/GameDwonloadDlg.h"

#include "WendalDui/Control/UIListBodyString.h"
#include "WendalDui/Control/UIListCtrlString.h"
#include "core/Endpoints.h"
#include "launcher/MinecraftVerJsonDownload.h"
#include "services/LauncherSettings.h"
#include "ui/TopLevelWindows.h"

namespace trelm {
namespace ui {

CGameDwonloadDlg::CGameDwonloadDlg() : CGameDownloadListDlg(GetVersionListCache(kListVanilla)) {}

void CGameDwonloadDlg::OnCreate() {
    CGameDownloadListDlg::OnCreate();
    static const wchar_t* const kTitles[] = {L"版本", L"类型", L"发布时间", L""};
    static const int kWidths[] = {100, 80, 180, 40};
    AddColumns(kTitles, kWidths, 4);
    SetWindowTextW(m_hWnd, L"TRELM - 原版下载");
    LoadList();
}

void CGameDwonloadDlg::CreateListCtrl(wendaldui::CUIContainer* parent, uint32_t flags, const wendaldui::UIRect& rect,
                                      int id) {
    CGameDownloadListDlg::CreateListCtrl(parent, flags | wendaldui::kListCtrlMultipleSelection, rect, id);
}

void CGameDwonloadDlg::OnClose() {
    StopFetch();
    DestroyWindow(m_hWnd);  // OnFinalMessage lets the object go
}

void CGameDwonloadDlg::OnFinalMessage() {
    if (GetTopLevelWindows().gameDownload == this) GetTopLevelWindows().gameDownload = nullptr;
    delete this;
    CheckQuit();
}

void CGameDwonloadDlg::AddListUrls(download::DownloadInfoBase* info) {
    if (g_settings.current.bmclapi) {
        info->urls.emplace_back(EndpointBase(Endpoint::Mirror) + L"/mc/game/version_manifest.json",
                                download::kSourceMirror);
    }
    info->urls.emplace_back(EndpointBase(Endpoint::VersionManifest) + L"/mc/game/version_manifest.json",
                            download::kSourceOfficial);
}

bool CGameDwonloadDlg::ReadRows(const JsonValue& document, VersionListRows& rows) {
    return ReadVanillaList(document, rows);
}

void CGameDwonloadDlg::Install() {
    const std::vector<int> selected = SelectedRows();
    if (selected.empty() || !m_document) {
        ShowBox(L"请选择一个要下载的版本", 2);
        return;
    }
    launcher::MinecraftVerJsonDownload builder(nullptr);
    std::vector<download::DownloadInfoBase*> infos;
    for (int row : selected) {
        download::DownloadInfoBase* info = nullptr;
        const WString id = CellText(0, row);
        if (builder.BuildDownloadInfo(info, *m_document, id.GetString(), g_settings.current.bmclapi) && info) {
            infos.push_back(info);
        }
    }
    if (infos.empty()) return;
    if (RunDownloads(L"正在下载", infos) == 0) return;
    RefreshInstalledVersions();
}

}  // namespace ui
}  // namespace trelm
