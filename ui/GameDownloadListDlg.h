// The base of the dialogs that fetch a list of installable things (game
// versions, Forge builds, OptiFine patches, LiteLoader versions) into memory,
// show it in a list and install what the player selects. Each kind keeps its
// last good list in a process-wide cache, so reopening shows it at once.
#pragma once

#include <cstdint>
#include <vector>

#include "WendalDui/Core/DuiDialog.h"
#include "core/JsonFile.h"
#include "core/byte_buffer.h"
#include "download/DownloadInfoBase.h"
#include "download/IDownloadObserver.h"
#include "launcher/VersionInfo.h"
#include "ui/VersionListParsers.h"

namespace wendaldui {
class CUIButton;
class CUILabel;
class CUIListCtrlString;
}  // namespace wendaldui

namespace trelm {
namespace download {
class DownloadManager;
}

namespace ui {

enum VersionListKind { kListVanilla = 0, kListForge = 1, kListOptiFine = 2, kListLiteLoader = 3 };
// The kind's cache; it outlives every dialog of its kind.
wendal_::byte_buffer* GetVersionListCache(int kind);

// The download dialog's signature: 0 all fetched, 1 some failed, 2 cancelled.
typedef int (*DownloadRunner)(HWND parent, HWND progressWindow, const wchar_t* title,
                              std::vector<download::DownloadInfoBase*>& infos, int32_t* succeeded,
                              uint64_t totalBytes);
// The runner the dialogs use (the download dialog unless replaced); returns the previous one.
DownloadRunner SetDownloadRunner(DownloadRunner runner);
// The message boxes of these dialogs and of the game manager, as
// CDlgMessageBox::Show; tests replace it to read and answer them.
typedef int (*VersionMessageBox)(HWND owner, const wchar_t* caption, const wchar_t* text, int style, int icon);
VersionMessageBox SetVersionMessageBox(VersionMessageBox box);
int ShowVersionMessageBox(HWND owner, const wchar_t* caption, const wchar_t* text, int style, int icon);
// Outside text for message-box mark-up: every '<' doubled, so it cannot open a tag.
WString MarkupLiteral(const WString& text);
// The installed-version list is read again and every window hears of it.
void RefreshInstalledVersions();

class CGameDownloadListDlg : public wendaldui::CDuiDialog, public download::IDownloadObserver {
public:
    explicit CGameDownloadListDlg(wendal_::byte_buffer* cache);
    ~CGameDownloadListDlg() override;

    void OnCreate() override;

    virtual void CreateListCtrl(wendaldui::CUIContainer* parent, uint32_t flags, const wendaldui::UIRect& rect,
                                int id);
    // "刷新": fetches again unless a fetch is under way.
    virtual void RefreshList();
    // Stops a fetch under way and ends an installer dialog's modal loop.
    virtual void OnClose();
    virtual void Install() = 0;
    virtual void AddListUrls(download::DownloadInfoBase* info) = 0;
    // The rows of the fetched list; false when it is not the list this dialog expects.
    virtual bool ReadRows(const JsonValue& document, VersionListRows& rows) = 0;

    void OnDownloadTaskChanged(download::DownloadTaskBase* task, int32_t code) override;
    void OnDownloadBatchChanged(download::DownloadManager* manager, int32_t code) override;

    // Creates the window of an installer dialog over owner and runs it in the modal loop.
    static void RunModal(CGameDownloadListDlg& dialog, HWND owner);

    wendaldui::CUIListCtrlString* GetList() const { return m_list; }
    wendaldui::CUILabel* GetStatusLabel() const { return m_status; }
    wendaldui::CUIButton* GetActionButton() const { return m_action; }
    download::DownloadManager* GetManager() const { return m_manager; }

    DUI_DECLARE_MESSAGE_MAP()

protected:
    void LoadList();
    void FetchList();
    // Replaces the rows; the given row selected, the last column filling the width.
    void ShowRows(const VersionListRows& rows);
    // Columns at logical widths, each at least 40 wide; the last one fills.
    void AddColumns(const wchar_t* const* titles, const int* widths, int count);
    std::vector<int> SelectedRows() const;
    WString CellText(int column, int row) const;
    void SetStatus(const wchar_t* text);
    // An information (2) or error (1) box captioned "提示".
    void ShowBox(const WString& text, int icon);
    // Runs the download dialog over this one with the descriptions; the count of files fetched.
    int32_t RunDownloads(const wchar_t* title, std::vector<download::DownloadInfoBase*>& infos);
    // Fetches one file into memory through the download dialog; true when it came.
    bool DownloadToBuffer(const WString& url, wendal_::byte_buffer& buffer, const wchar_t* title);
    // An installer's title, "TRELM - 安装<product>(<id>,<game version>)(BMCLAPI)", and its "安装" button.
    void ShowInstallerTitle(const wchar_t* product, const launcher::VersionInfo& version);
    // The box that ends an install, name shown as text: a new version (the
    // installed list read again), a mod linked to its folder, or the error.
    void ReportInstalledVersion(const wchar_t* product, const WString& name);
    void ReportInstalledMod(const wchar_t* product, const WString& name, const WString& folder, const WString& file);
    void ReportInstallFailed(const wchar_t* product, const WString& name, const WString& error);

    LRESULT OnTaskEventMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnBatchEventMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnCloseMessage(WPARAM wParam, LPARAM lParam);

    // Stops a fetch under way and drops its partial list.
    void StopFetch();
    // The modal loop of an installer dialog ends.
    void EndModal();

    wendaldui::CUIListCtrlString* m_list = nullptr;
    wendaldui::CUIButton* m_refresh = nullptr;
    wendaldui::CUIButton* m_action = nullptr;
    wendaldui::CUILabel* m_status = nullptr;
    wendal_::byte_buffer* m_cache;
    JsonDocument* m_document = nullptr;
    download::DownloadManager* m_manager = nullptr;

private:
    void CreateControls();
    void OnRefreshClick(wendaldui::EventData& event);
    void OnActionClick(wendaldui::EventData& event);
    // The cache's bytes parsed into a new document and shown; false when they are not the list.
    bool ParseCache(WString& message);
    void EmptyCache();
};

}  // namespace ui
}  // namespace trelm
