// The Forge builds for one installed version's game version, recommended
// first; the chosen build's installer is fetched and run.
#pragma once

#include "launcher/VersionInfo.h"
#include "ui/GameDownloadListDlg.h"

namespace trelm {
namespace ui {

class CForgeInstallDlg : public CGameDownloadListDlg {
public:
    explicit CForgeInstallDlg(const launcher::VersionInfo& version);

    void OnCreate() override;
    void Install() override;
    void AddListUrls(download::DownloadInfoBase* info) override;
    bool ReadRows(const JsonValue& document, VersionListRows& rows) override;

private:
    launcher::VersionInfo m_version;
};

}  // namespace ui
}  // namespace trelm
