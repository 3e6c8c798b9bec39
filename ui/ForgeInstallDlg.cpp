#include "ui/ForgeInstallDlg.h"

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
    ShowInstallerTitle(L"Forge", m_version);
    LoadList();
}

void CForgeInstallDlg::AddListUrls(download::DownloadInfoBase* info) {
    info->urls.emplace_back(EndpointBase(Endpoint::MirrorMaven) + L"/maven/net/minecraftforge/forge/json",
                            download::kSourceMirror);
}

bool CForgeInstallDlg::ReadRows(const JsonValue& document, VersionListRows& rows) {
    return ReadForgeList(document, m_version.rootId.GetString(), rows);
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
    WString name;
    GetUrlTail(url.GetString(), &name);
    launcher::ForgeInstaller installer(nullptr);
    if (installer.Install(jar, name.GetString())) {
        ReportInstalledVersion(L"Forge", forgeVersion);
    } else {
        ReportInstallFailed(L"Forge", forgeVersion, installer.GetErrorMsg());
    }
}

}  // namespace ui
}  // namespace trelm
