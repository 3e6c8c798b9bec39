#include "ui/ForgeInstallDlg.h"

#include "WendalDui/Control/UIButton.h"
#include "core/Endpoints.h"
#include "core/FileUtils.h"
#include "launcher/ForgeInstaller.h"

namespace trelm {
namespace ui {

CForgeInstallDlg::CForgeInstallDlg(const launcher::VersionInfo& version)
    : CGameDownloadListDlg(GetVersionListCache(kListForge)), m_version(version) {}

void CForgeInstallDlg::OnCreate() {
    CGameDownloadListDlg::OnCreate();
    static const wchar_t* const kTitles[] = {L"版本", L"发布时间", L""};
    static const int kWidths[] = {100, 260, 60};
    AddColumns(kTitles, kWidths, 3);
    WString title;
    title.Format(L"TRELM - 安装Forge(%s,%s)(BMCLAPI)", m_version.id.GetString(), m_version.rootId.GetString());
    SetWindowTextW(m_hWnd, title.GetString());
    if (m_action) m_action->SetText(L"安装");
    LoadList();
}

void CForgeInstallDlg::OnClose() {
    CGameDownloadListDlg::OnClose();
    EndModal();
}

void CForgeInstallDlg::AddListUrls(download::DownloadInfoBase* info) {
    info->urls.emplace_back(EndpointBase(Endpoint::MirrorMaven) + L"/maven/net/minecraftforge/forge/json",
                            download::kSourceMirror);
}

bool CForgeInstallDlg::FillList(const JsonDocument& document, WString& message) {
    VersionListRows rows;
    if (!ReadForgeList(document, m_version.rootId.GetString(), rows)) return false;
    ShowRows(rows);
    message = rows.message;
    return true;
}

void CForgeInstallDlg::Install() {
    const std::vector<int> selected = SelectedRows();
    if (selected.empty() || !m_document) {
        ShowBox(L"请选择一个要安装的版本", 2);
        return;
    }
    const WString forgeVersion = CellText(0, selected[0]);
    WString branch, url;
    FindForgeBranch(*m_document, forgeVersion.GetString(), branch);
    BuildForgeInstallerUrl(url, m_version.rootId.GetString(), forgeVersion.GetString(), branch.GetString());
    wendal_::byte_buffer jar;
    if (!DownloadToBuffer(url, jar, L"正在下载Forge")) return;
    WString name, text;
    GetUrlTail(url.GetString(), &name);
    launcher::ForgeInstaller installer(nullptr);
    if (installer.Install(jar, name.GetString())) {
        RefreshInstalledVersions();
        text.Format(L"Forge(%s)安装完成", MarkupLiteral(forgeVersion).GetString());
        ShowBox(text, 2);
    } else {
        text.Format(L"Forge(%s)安装失败\r\n%s", MarkupLiteral(forgeVersion).GetString(),
                    MarkupLiteral(installer.GetErrorMsg()).GetString());
        ShowBox(text, 1);
    }
}

}  // namespace ui
}  // namespace trelm
