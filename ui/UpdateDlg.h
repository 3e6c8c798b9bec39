// "TRELM - 更新": the result of the update check and, for a newer release,
// "自动更新" (download it, let the helper copy replace the running
// executable) and "仅下载" (save it where the player chooses). Modeless and
// counted among the top-level windows.
#pragma once

#include <cstdint>
#include <vector>

#include "WendalDui/Core/DuiDialog.h"
#include "services/TRELMUpdateService.h"

namespace wendaldui {
class CUIButton;
class CUIImage;
class CUILabel;
class CUIRichEdit;
}  // namespace wendaldui

namespace trelm {
namespace download {
class DownloadInfoBase;
}

namespace ui {

// The modal download of one batch: RunDownloadDialog's shape (0 all
// fetched, 1 some failed, 2 cancelled).
typedef int (*UpdateDownloadRunner)(HWND parent, HWND progressWindow, const wchar_t* title,
                                    std::vector<download::DownloadInfoBase*>& infos, int32_t* succeeded,
                                    uint64_t totalBytes);
// Returns the runner used before; tests put their own in place.
UpdateDownloadRunner SetUpdateDownloadRunner(UpdateDownloadRunner runner);

// Called by "自动更新" right before the accounts and the settings are
// written and the process ends: the main window registers a function that
// puts its launch fields (version, name, memory) into g_settings, so that the
// restarted launcher has them. Returns the function set before.
typedef void (*LaunchFieldsSaver)();
LaunchFieldsSaver SetLaunchFieldsSaver(LaunchFieldsSaver saver);

// The download of the release at url to target: the update tag, the SHA-1
// check (and the cache), the listed size and the program check. False, and
// nothing added, when sha1 is not 40 hex digits: such a file is never taken.
bool BuildUpdateDownload(const UpdateInfo& info, const wchar_t* target, std::vector<download::DownloadInfoBase*>& out);

class CUpdateDlg : public wendaldui::CDuiDialog {
public:
    enum ControlId { kImageId = 1, kStatusId, kAutoUpdateId, kSaveAsId, kNotesLabelId, kNotesId };

    CUpdateDlg();

    void SetUpdateInfo(const UpdateInfo& info);
    const UpdateInfo& GetUpdateInfo() const { return m_info; }

    void OnCreate() override;

    wendaldui::CUILabel* GetStatusLabel() const { return m_status; }
    wendaldui::CUIButton* GetAutoUpdateButton() const { return m_autoUpdate; }
    wendaldui::CUIButton* GetSaveAsButton() const { return m_saveAs; }
    wendaldui::CUIRichEdit* GetNotesEdit() const { return m_notes; }

    void OnBtnAutoUpdateClick(wendaldui::EventData& event);
    void OnBtnSavaAsClick(wendaldui::EventData& event);

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnCloseMessage(WPARAM wParam, LPARAM lParam);

private:
    void ShowResult();
    // Runs the download dialog over this one; its result code.
    int RunDownload(const wchar_t* target);

    wendaldui::CUIImage* m_image = nullptr;
    wendaldui::CUILabel* m_status = nullptr;
    wendaldui::CUIButton* m_autoUpdate = nullptr;
    wendaldui::CUIButton* m_saveAs = nullptr;
    wendaldui::CUILabel* m_notesLabel = nullptr;
    wendaldui::CUIRichEdit* m_notes = nullptr;
    UpdateInfo m_info;
    bool m_hasResult = false;  // "正在检查更新" until a result arrives
};

}  // namespace ui
}  // namespace trelm
