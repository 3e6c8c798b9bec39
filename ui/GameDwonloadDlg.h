// "原版下载": the official version list; the selected versions' JSONs are
// fetched together (the launch fetches the rest). Modeless, one at a time.
#pragma once

#include "ui/GameDownloadListDlg.h"

namespace trelm {
namespace ui {

class CGameDwonloadDlg : public CGameDownloadListDlg {
public:
    CGameDwonloadDlg();

    void OnCreate() override;
    void OnFinalMessage() override;
    void CreateListCtrl(wendaldui::CUIContainer* parent, uint32_t flags, const wendaldui::UIRect& rect,
                        int id) override;
    void OnClose() override;
    void Install() override;
    void AddListUrls(download::DownloadInfoBase* info) override;
    bool ReadRows(const JsonValue& document, VersionListRows& rows) override;
};

}  // namespace ui
}  // namespace trelm
