#include "ui/OptiFineInstallDlg.h"

#include "core/Endpoints.h"
#include "launcher/MinecraftFileManager.h"
#include "launcher/OptiFineInstaller.h"
#include "services/LauncherSettings.h"

namespace trelm {
namespace ui {

COptiFineInstallDlg::COptiFineInstallDlg(const launcher::VersionInfo& version)
    : CGameDownloadListDlg(GetVersionListCache(kListOptiFine)), m_version(version) {}

void COptiFineInstallDlg::OnCreate() {
    CGameDownloadListDlg::OnCreate();
    static const wchar_t* const kTitles[] = {L"类型", L"补丁"};
    static const int kWidths[] = {100, 260};
    AddColumns(kTitles, kWidths, 2);
    ShowInstallerTitle(L"OptiFine", m_version);
    LoadList();
}

void COptiFineInstallDlg::AddListUrls(download::DownloadInfoBase* info) {
    info->urls.emplace_back(EndpointBase(Endpoint::Mirror) + L"/optifine/versionList", download::kSourceMirror);
}

bool COptiFineInstallDlg::ReadRows(const JsonValue& document, VersionListRows& rows) {
    return ReadOptiFineList(document, m_version.rootId.GetString(), rows);
}

void COptiFineInstallDlg::Install() {
    const std::vector<int> selected = SelectedRows();
    if (selected.empty() || !m_document) {
        ShowBox(L"请选择一个要安装的版本", 2);
        return;
    }
    const WString type = CellText(0, selected[0]), patch = CellText(1, selected[0]);
    WString url, name;
    launcher::BuildOptiFineMirrorUrl(url, m_version.rootId.GetString(), type.GetString(), patch.GetString());
    wendal_::byte_buffer jar;
    if (!DownloadToBuffer(url, jar, L"正在下载OptiFine")) return;
    name.Format(L"%s_%s", type.GetString(), patch.GetString());
    launcher::OptiFineInstaller installer(nullptr);
    if (!(m_version.kind & launcher::kVersionKindForge)) {
        if (installer.InstallAsVersion(jar, m_version.rootId.GetString(), type.GetString(), patch.GetString(),
                                       m_version.rootId.GetString())) {
            ReportInstalledVersion(L"OptiFine", name);
            return;
        }
    } else {
        WString folder, file;
        if (installer.InstallAsMod(jar, m_version.rootId.GetString(), type.GetString(), patch.GetString(),
                                   m_version.id.GetString(), g_settings.current.mcVersionSeparate, &folder, &file)) {
            ReportInstalledMod(L"OptiFine", name, folder, file);
            return;
        }
    }
    ReportInstallFailed(L"OptiFine", name, installer.GetErrorMsg());
}

}  // namespace ui
}  // namespace trelm
