// "游戏管理": the installed versions with their display names and hidden
// flags; installs Forge, OptiFine or LiteLoader on one of them, and deletes
// downloadable files, the game's temporary files or whole versions. Modeless,
// one at a time; follows the installed-version list through the event bus.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "WendalDui/Core/DuiDialog.h"
#include "core/SimpleEventBus.h"
#include "core/WString.h"
#include "ui/AsynTask.h"

namespace wendaldui {
class CUIButton;
class CUICheckBox;
class CUILabel;
class CUIListCtrlString;
class CUIRichEdit;
}  // namespace wendaldui

namespace trelm {
namespace launcher {
class MinecraftList;
}

namespace ui {

// Deletes the chosen versions' files on the thread pool while the UI waits.
// It works on a copy of the list taken when it is made: the UI thread may
// refresh the list meanwhile (the download dialog stays usable).
class DeleteMinecraftAsynTask : public CAsynTask {
public:
    DeleteMinecraftAsynTask(const wchar_t* text, const launcher::MinecraftList& list, int32_t* indices, int count,
                            uint32_t flags, std::vector<WString>* blockers);
    ~DeleteMinecraftAsynTask();
    void Run(PTP_CALLBACK_INSTANCE instance) override;
    bool GetResult() const { return m_result; }

private:
    const wchar_t* m_text;
    std::unique_ptr<launcher::MinecraftList> m_list;
    int32_t* m_indices;
    int m_count;
    uint32_t m_flags;
    std::vector<WString>* m_blockers;
    bool m_result = false;
};

class CGameManagerDlg : public wendaldui::CDuiDialog {
public:
    CGameManagerDlg();
    ~CGameManagerDlg() override;

    // Creates the window over owner; false when it could not.
    bool Open(HWND owner);
    void OnCreate() override;
    void OnFinalMessage() override;

    wendaldui::CUIListCtrlString* GetList() const { return m_list; }
    wendaldui::CUIControl* GetControl(int index) const;  // in the order of the layout (0 = "原版下载")

    DUI_DECLARE_MESSAGE_MAP()

private:
    enum {
        kDownload, kOpenFolder, kRefresh, kSelectAll, kSelectionLabel, kNameLabel, kNameEdit, kHide, kForge,
        kOptiFine, kLiteLoader, kDeleteFiles, kDeleteTemp, kDeleteVersion, kControlCount
    };
    LRESULT OnCloseMessage(WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void FillList();
    void UpdateSelectionPanel();
    std::vector<int> SelectedRows() const;
    // The ids shown in the selected rows: what a question about them names.
    std::vector<WString> SelectedIds() const;
    int Ask(const WString& text);
    void Tell(const wchar_t* text, int icon);
    void OnListRefreshed(unsigned id, int value, int);

    void OnDownload(wendaldui::EventData& event);
    void OnOpenFolder(wendaldui::EventData& event);
    void OnRefresh(wendaldui::EventData& event);
    void OnSelectAll(wendaldui::EventData& event);
    void OnSelectionChanged(wendaldui::EventData& event);
    void OnNameChanged(wendaldui::EventData& event);
    void OnHideToggled(wendaldui::EventData& event);
    void OnInstall(wendaldui::EventData& event);
    void OnDeleteFiles(wendaldui::EventData& event);
    void OnDeleteTemp(wendaldui::EventData& event);
    void OnDeleteVersion(wendaldui::EventData& event);

    uint32_t m_nextId = 0xFF000000u;
    wendaldui::CUIControl* m_controls[kControlCount] = {};
    wendaldui::CUIListCtrlString* m_list = nullptr;
    wendal_::CSimpleEventBus::Subscriber* m_subscription = nullptr;
};

}  // namespace ui
}  // namespace trelm
