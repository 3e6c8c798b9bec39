#include "ui/LiteLoaderInstallDlg.h"

#include "WendalDui/Control/UICheckBox.h"
#include "WendalDui/Core/DlgMessageBox.h"
#include "core/Endpoints.h"
#include "launcher/LiteloaderInstaller.h"
#include "services/LauncherSettings.h"

namespace trelm {
namespace ui {

CLiteLoaderInstallDlg::CLiteLoaderInstallDlg(const launcher::VersionInfo& version)
    : CGameDownloadListDlg(GetVersionListCache(kListLiteLoader)), m_version(version) {}

void CLiteLoaderInstallDlg::OnCreate() {
    CGameDownloadListDlg::OnCreate();
    static const wchar_t* const kTitles[] = {L"版本", L"类型", L"时间"};
    static const int kWidths[] = {150, 100, 100};
    AddColumns(kTitles, kWidths, 3);
    ShowInstallerTitle(L"Liteloader", m_version);
    m_asMod = new wendaldui::CUICheckBox;
    if (GetClientContainer() &&
        m_asMod->Create(GetClientContainer(), wendaldui::kControlVisible | wendaldui::kControlFocusable |
                                                  wendaldui::kControlTabStop,
                        wendaldui::UIRect(468, 328, 100, 20), 5)) {
        m_asMod->SetText(L"作为mod安装");
        // Only a Forge version can take LiteLoader as a mod.
        m_asMod->Enable((m_version.kind & launcher::kVersionKindForge) != 0);
    } else {
        delete m_asMod;
        m_asMod = nullptr;
    }
    LoadList();
}

void CLiteLoaderInstallDlg::AddListUrls(download::DownloadInfoBase* info) {
    info->urls.emplace_back(EndpointBase(Endpoint::Mirror) + L"/liteloader/list", download::kSourceMirror);
}

bool CLiteLoaderInstallDlg::ReadRows(const JsonValue& document, VersionListRows& rows) {
    return ReadLiteLoaderList(document, m_version.rootId.GetString(), rows);
}

void CLiteLoaderInstallDlg::Install() {
    const std::vector<int> selected = SelectedRows();
    if (selected.empty() || !m_document) {
        ShowBox(L"请选择一个要安装的版本", 2);
        return;
    }
    const WString version = CellText(0, selected[0]);
    const JsonValue* buildLibraries = nullptr;  // the last listed build's
    if (m_document->IsArray()) {
        for (const JsonValue& entry : m_document->GetArray()) {
            WString mcversion, entryVersion;
            if (!GetJsonStringMember(entry, L"mcversion", mcversion) || !(mcversion == m_version.rootId) ||
                !GetJsonStringMember(entry, L"version", entryVersion) || !(entryVersion == version)) {
                continue;
            }
            const JsonValue* build = FindJsonMember(entry, L"build");
            const JsonValue* libraries = build ? FindJsonMember(*build, L"libraries") : nullptr;
            if (libraries && libraries->IsArray()) buildLibraries = libraries;
        }
    }
    if (!buildLibraries) {
        ShowVersionMessageBox(m_hWnd, L"提示", L"Json格式不正确", wendaldui::kBoxOk, 0);
        return;
    }
    // A snapshot lives in a folder of its own name, a release under its game version.
    const WString folder = version.Find(L"SNAPSHOT") >= 0 ? version : m_version.rootId;
    WString url;
    url.Format(L"%s%s/liteloader-%s.jar", (EndpointBase(Endpoint::MirrorMaven) + L"/maven/com/tolvane/liteloader/")
                                              .GetString(),
               folder.GetString(), version.GetString());
    wendal_::byte_buffer jar;
    if (!DownloadToBuffer(url, jar, L"正在下载Liteloader")) return;
    launcher::LiteloaderInstaller installer(nullptr);
    if (!m_asMod || !m_asMod->IsChecked()) {
        if (installer.InstallAsVersion(jar, version.GetString(), m_version, buildLibraries)) {
            ReportInstalledVersion(L"Liteloader", version);
            return;
        }
    } else {
        WString mods, file;
        if (installer.InstallAsMod(jar, version.GetString(), m_version, g_settings.current.mcVersionSeparate, &mods,
                                   &file)) {
            ReportInstalledMod(L"Liteloader", version, mods, file);
            return;
        }
    }
    ReportInstallFailed(L"Liteloader", version, installer.GetErrorMsg());
}

}  // namespace ui
}  // namespace trelm
