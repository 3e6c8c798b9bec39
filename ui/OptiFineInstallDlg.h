// The OptiFine patches for one installed version's game version: a new
// version for a plain one, a mod in the mods folder for a Forge version.
#pragma once

#include "launcher/VersionInfo.h"
#include "ui/GameDownloadListDlg.h"

namespace trelm {
namespace ui {

class COptiFineInstallDlg : public CGameDownloadListDlg {
public:
    explicit COptiFineInstallDlg(const launcher::VersionInfo& version);

    void OnCreate() override;
    void Install() override;
    void AddListUrls(download::DownloadInfoBase* info) override;
    bool ReadRows(const JsonValue& document, VersionListRows& rows) override;

private:
    launcher::VersionInfo m_version;
};

}  // namespace ui
}  // namespace trelm
