// The LiteLoader versions for one installed version's game version: a new
// version, or (for a Forge version, when "作为mod安装" is ticked) a mod.
#pragma once

#include "launcher/VersionInfo.h"
#include "ui/GameDownloadListDlg.h"

namespace wendaldui {
class CUICheckBox;
}

namespace trelm {
namespace ui {

class CLiteLoaderInstallDlg : public CGameDownloadListDlg {
public:
    explicit CLiteLoaderInstallDlg(const launcher::VersionInfo& version);

    void OnCreate() override;
    void Install() override;
    void AddListUrls(download::DownloadInfoBase* info) override;
    bool ReadRows(const JsonValue& document, VersionListRows& rows) override;

    wendaldui::CUICheckBox* GetAsModCheckBox() const { return m_asMod; }

private:
    launcher::VersionInfo m_version;
    wendaldui::CUICheckBox* m_asMod = nullptr;
};

}  // namespace ui
}  // namespace trelm
