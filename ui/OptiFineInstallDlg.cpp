#include "ui/OptiFineInstallDlg.h"

#include "WendalDui/Control/UIButton.h"
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
    WString title;
    title.Format(L"TRELM - 安装OptiFine(%s,%s)(BMCLAPI)", m_version.id.GetString(), m_version.rootId.GetString());
    SetWindowTextW(m_hWnd, title.GetString());
    if (m_action) m_action->SetText(L"安装");
    LoadList();
}

void COptiFineInstallDlg::OnClose() {
    CGameDownloadListDlg::OnClose();
    EndModal();
}

void COptiFineInstallDlg::AddListUrls(download::DownloadInfoBase* info) {
    info->urls.emplace_back(EndpointBase(Endpoint::Mirror) + L"/optifine/versionList", download::kSourceMirror);
}

bool COptiFineInstallDlg::FillList(const JsonDocument& document, WString& message) {
    VersionListRows rows;
    if (!ReadOptiFineList(document, m_version.rootId.GetString(), rows)) return false;
    ShowRows(rows);
    message = rows.message;
    return true;
}

void COptiFineInstallDlg::Install() {
    const std::vector<int> selected = SelectedRows();
    if (selected.empty() || !m_document) {
        ShowBox(L"请选择一个要安装的版本", 2);
        return;
    }
    const WString type = CellText(0, selected[0]), patch = CellText(1, selected[0]);
    WString url, name, text;
    launcher::BuildOptiFineMirrorUrl(url, m_version.rootId.GetString(), type.GetString(), patch.GetString());
    wendal_::byte_buffer jar;
    if (!DownloadToBuffer(url, jar, L"正在下载OptiFine")) return;
    name.Format(L"%s_%s", type.GetString(), patch.GetString());
    const WString shownName = MarkupLiteral(name);
    launcher::OptiFineInstaller installer(nullptr);
    if (!(m_version.kind & launcher::kVersionKindForge)) {
        if (installer.InstallAsVersion(jar, m_version.rootId.GetString(), type.GetString(), patch.GetString(),
                                       m_version.rootId.GetString())) {
            RefreshInstalledVersions();
            text.Format(L"OptiFine(%s)安装完成", shownName.GetString());
            ShowBox(text, 2);
            return;
        }
    } else {
        WString folder, file;
        if (installer.InstallAsMod(jar, m_version.rootId.GetString(), type.GetString(), patch.GetString(),
                                   m_version.id.GetString(), g_settings.current.mcVersionSeparate, &folder, &file)) {
            text.Format(L"OptiFine(%s)安装成功\r\n\r\n<b>提示：OptiFine作为一个Mod被放入<a href=\"%s\">mods文件夹</a>，"
                        L"所以不会出现新的Minecraft版本\r\n卸载OptiFine您需要手动删除%s文件</b>",
                        shownName.GetString(), MarkupLiteral(folder).GetString(), MarkupLiteral(file).GetString());
            ShowBox(text, 2);
            return;
        }
    }
    text.Format(L"OptiFine(%s)安装失败\r\n%s", shownName.GetString(), MarkupLiteral(installer.GetErrorMsg()).GetString());
    ShowBox(text, 1);
}

}  // namespace ui
}  // namespace trelm
