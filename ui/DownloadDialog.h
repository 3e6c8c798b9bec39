// The dialog every download batch runs in: one row per file with its source,
// progress and state, the overall progress in a thin bar, in the title and
// on the taskbar button. Closing it while the batch runs cancels the batch;
// a batch with failures ends in a report of every address tried.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <vector>

#include "WendalDui/Core/DuiDialog.h"
#include "core/WString.h"
#include "download/DownloadInfoBase.h"
#include "download/IDownloadObserver.h"

namespace trelm {

namespace download {
class DownloadManager;
}

namespace ui {

class CUIDLList;

namespace internal {
class CDownloadContainer;
}

// What RunDownloadDialog returns.
enum DownloadDialogResult { kDownloadAllSucceeded = 0, kDownloadSomeFailed = 1, kDownloadCancelled = 2 };

// Messages the engine's threads post to the dialog.
constexpr UINT WM_DOWNLOAD_TASK_CHANGED = 0x8101;   // wParam the task, lParam the code
constexpr UINT WM_DOWNLOAD_BATCH_CHANGED = 0x8102;  // wParam the manager, lParam the code

class CDownloadDialog : public wendaldui::CDuiDialog, public download::IDownloadObserver {
public:
    // Takes every description of infos over (infos is left empty). threads
    // -1: the engine's choice; succeeded, when given, receives the number of
    // files that succeeded when the dialog closes.
    CDownloadDialog(HWND progressWindow, const wchar_t* title, std::vector<download::DownloadInfoBase*>& infos,
                    int32_t* succeeded, uint64_t totalBytes, int32_t threads = -1);
    ~CDownloadDialog() override;

    void OnCreate() override;
    void OnAfterCreate() override;

    void OnDownloadTaskChanged(download::DownloadTaskBase* task, int32_t code) override;
    void OnDownloadBatchChanged(download::DownloadManager* manager, int32_t code) override;

    // Null before creation.
    download::DownloadManager* GetManager() const { return m_manager; }
    internal::CDownloadContainer* GetContainer() const;
    CUIDLList* GetList() const;
    int GetResultCode() const { return m_resultCode; }

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnTaskChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnBatchChanged(WPARAM wParam, LPARAM lParam);

private:
    void UpdateTitle();
    void UpdateProgressBar();
    void ShowTaskProgress(download::DownloadTaskBase* task);
    void ShowTaskSource(download::DownloadTaskBase* task);
    void ShowTaskFinished(download::DownloadTaskBase* task);
    // Puts the first task not yet done at the top of the list.
    void ScrollToRunningTask();
    // Abort, the out count, Stop and the end of the modal loop.
    void EndDialog(int result);

    uint64_t m_totalBytes;
    HWND m_progressWindow;
    std::vector<download::DownloadInfoBase*> m_infos;  // until Start
    int32_t m_threads;
    int32_t* m_succeeded;
    WString m_title;
    download::DownloadManager* m_manager = nullptr;
    // A window destroyed without WM_CLOSE (its owner went) ends the batch unfinished.
    int m_resultCode = kDownloadCancelled;
    bool m_batchOver = false;  // the batch's end has been handled
    // Set by Stop: task messages still queued then name deleted tasks.
    bool m_stopped = false;
    uint32_t m_firstUnfinished = 0;  // no task before it is still running
};

// A modal download dialog over parent (which may be null) for one batch; the
// taskbar progress goes to progressWindow, or to the dialog when null.
int RunDownloadDialog(HWND parent, HWND progressWindow, const wchar_t* title,
                      std::vector<download::DownloadInfoBase*>& infos, int32_t* succeeded, uint64_t totalBytes);

// The list's name of a file: the file name of its target, or for a memory
// download the last part of its first address.
WString DownloadRowName(const download::DownloadInfoBase* info);

// Every failed file of the dialog's batch with every address tried and why.
WString BuildDownloadFailureReport(const CDownloadDialog* dialog);

}  // namespace ui
}  // namespace trelm
