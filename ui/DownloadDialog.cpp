#include "ui/DownloadDialog.h"

#include "WendalDui/Control/UISimpleProgressBar.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "core/FileUtils.h"
#include "core/TextFormat.h"
#include "download/DownloadInfoCommonFile.h"
#include "download/DownloadManager.h"
#include "download/DownloadTaskBase.h"
#include "ui/DownloadContainer.h"
#include "ui/DownloadFailureMsgDlg.h"
#include "ui/ModalDialog.h"
#include "ui/TaskbarProgress.h"
#include "ui/UIDLList.h"

namespace trelm {
namespace ui {

using download::DownloadManager;
using download::DownloadTaskBase;

namespace {

constexpr DWORD kDialogStyle = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX;
constexpr int kWidth = 600, kHeight = 358;
constexpr UINT_PTR kTitleTimer = 0, kBarTimer = 1, kCloseTimer = 2;
constexpr UINT kTitleMs = 500, kBarMs = 50, kCloseMs = 200;

bool IsFileKind(uint32_t kind) {
    return kind == download::kKindCommonFile || kind == download::kKindForgeXZLibrary ||
           kind == download::kKindMinecraftLibrary;
}

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CDownloadDialog, wendaldui::CDuiDialog)
DUI_MESSAGE_HANDLER(WM_TIMER, OnTimer)
DUI_MESSAGE_HANDLER(WM_CLOSE, OnClose)
DUI_MESSAGE_HANDLER(WM_DOWNLOAD_TASK_CHANGED, OnTaskChanged)
DUI_MESSAGE_HANDLER(WM_DOWNLOAD_BATCH_CHANGED, OnBatchChanged)
DUI_END_MESSAGE_MAP()

WString DownloadRowName(const download::DownloadInfoBase* info) {
    WString name;
    if (IsFileKind(info->kind)) {
        GetFileNamePart(static_cast<const download::DownloadInfoCommonFile*>(info)->target.GetString(), &name);
    } else if (!info->urls.empty()) {
        WString url;
        url.Format(L"%S", info->urls[0].url.GetString());
        GetUrlTail(url.GetString(), &name);
    }
    return name;
}

CDownloadDialog::CDownloadDialog(HWND progressWindow, const wchar_t* title,
                                 std::vector<download::DownloadInfoBase*>& infos, int32_t* succeeded,
                                 uint64_t totalBytes, int32_t threads)
    : CDuiDialog(new internal::CDownloadContainer),
      m_totalBytes(totalBytes),
      m_progressWindow(progressWindow),
      m_threads(threads),
      m_succeeded(succeeded),
      m_title(title ? title : L"") {
    m_infos.swap(infos);
}

CDownloadDialog::~CDownloadDialog() {
    delete m_manager;  // stops a batch that is still running
    download::DeleteDownloadInfos(&m_infos);  // a dialog whose window never came
}

internal::CDownloadContainer* CDownloadDialog::GetContainer() const {
    return static_cast<internal::CDownloadContainer*>(GetClientContainer());
}

CUIDLList* CDownloadDialog::GetList() const {
    internal::CDownloadContainer* container = GetContainer();
    return container ? container->GetList() : nullptr;
}

void CDownloadDialog::OnCreate() {
    CDuiDialog::OnCreate();
    CenterWindow(GetWindow(m_hWnd, GW_OWNER));
    SetWindowTextW(m_hWnd, m_title.GetString());
    if (!m_progressWindow) m_progressWindow = m_hWnd;
    if (CUIDLList* list = GetList()) {
        for (const download::DownloadInfoBase* info : m_infos) list->AddRow(DownloadRowName(info).GetString());
        if (auto* body = list->GetBody()) body->SetColumnWidth(CUIDLList::kColumnStatus, -1);
    }
    m_manager = new DownloadManager;
    m_manager->Start(this, m_infos, m_totalBytes, m_threads);
    // Without descriptions the engine starts nothing and never reports an
    // end, which would leave a dialog that cannot even be closed.
    if (m_manager->GetState() == DownloadManager::kIdle) {
        PostMessageW(m_hWnd, WM_DOWNLOAD_BATCH_CHANGED, reinterpret_cast<WPARAM>(m_manager), download::kBatchEnded);
    }
    SetTimer(m_hWnd, kBarTimer, kBarMs, NULL);
}

void CDownloadDialog::OnAfterCreate() {
    // A batch that ended already keeps its final title and taskbar state.
    if (m_batchOver) return;
    SetTaskbarProgressState(m_progressWindow, kTaskbarNormal);
    SetTimer(m_hWnd, kTitleTimer, kTitleMs, NULL);
    UpdateTitle();
}

void CDownloadDialog::OnDownloadTaskChanged(DownloadTaskBase* task, int32_t code) {
    PostMessageW(m_hWnd, WM_DOWNLOAD_TASK_CHANGED, reinterpret_cast<WPARAM>(task), code);
}

void CDownloadDialog::OnDownloadBatchChanged(DownloadManager* manager, int32_t code) {
    PostMessageW(m_hWnd, WM_DOWNLOAD_BATCH_CHANGED, reinterpret_cast<WPARAM>(manager), code);
}

void CDownloadDialog::UpdateTitle() {
    if (!m_manager) return;
    const double progress = m_manager->GetProgress();
    WString text;
    text.Format(L"%s %d%% %s/s", m_title.GetString(), static_cast<int>(progress * 100),
                FormatByteSize(m_manager->GetSpeed()).GetString());
    SetWindowTextW(m_hWnd, text.GetString());
    SetTaskbarProgressValue(m_progressWindow, static_cast<uint64_t>(progress * 1000));
}

void CDownloadDialog::UpdateProgressBar() {
    internal::CDownloadContainer* container = GetContainer();
    if (m_manager && container && container->GetProgressBar()) {
        container->GetProgressBar()->SetValue(static_cast<float>(m_manager->GetProgress()));
    }
}

LRESULT CDownloadDialog::OnTimer(WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
        case kTitleTimer:
            UpdateTitle();
            return 0;
        case kBarTimer:
            UpdateProgressBar();
            return 0;
        case kCloseTimer:
            PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
            KillTimer(m_hWnd, kCloseTimer);
            return 0;
        default:
            return OnTimerMessage(wParam, lParam);  // the controls' timers
    }
}

void CDownloadDialog::ShowTaskProgress(DownloadTaskBase* task) {
    if (CUIDLList* list = GetList()) list->SetProgress(static_cast<int>(task->GetIndex()), task->GetProgress());
}

void CDownloadDialog::ShowTaskSource(DownloadTaskBase* task) {
    const download::DownloadInfoBase* info = task->GetInfo();
    CUIDLList* list = GetList();
    // The worker may move on meanwhile: one reading names the address shown.
    const uint32_t url = task->GetUrlIndex();
    if (list && url < info->urls.size()) list->SetSource(static_cast<int>(task->GetIndex()), info->urls[url].source);
}

void CDownloadDialog::ShowTaskFinished(DownloadTaskBase* task) {
    CUIDLList* list = GetList();
    if (!list) return;
    const int row = static_cast<int>(task->GetIndex());
    WString text;
    if (task->GetResult() == DownloadTaskBase::kSucceeded) {
        uint64_t received = 0, total = 0;
        task->GetBytes(&received, &total);
        // A body sent without its length leaves the total unknown: the file
        // is still complete, at the size received.
        text.Format(L"下载完成 %s", FormatByteSize(total ? total : received).GetString());
        list->SetStatus(row, text.GetString(), false);
        list->SetProgress(row, total ? task->GetProgress() : 1.0);
    } else {
        WString message;
        task->GetMessage(message);
        text.Format(L"下载失败 %s", message.GetString());
        list->SetStatus(row, text.GetString(), true);
    }
    ScrollToRunningTask();
}

void CDownloadDialog::ScrollToRunningTask() {
    const uint32_t count = m_manager->GetTaskCount();
    while (m_firstUnfinished < count && m_manager->GetTask(m_firstUnfinished)->GetState() == DownloadTaskBase::kDone) {
        ++m_firstUnfinished;
    }
    CUIDLList* list = GetList();
    if (list && m_firstUnfinished < count) list->EnsureRowVisible(static_cast<int>(m_firstUnfinished));
}

LRESULT CDownloadDialog::OnTaskChanged(WPARAM wParam, LPARAM lParam) {
    if (m_stopped || !m_manager) return 0;
    DownloadTaskBase* task = reinterpret_cast<DownloadTaskBase*>(wParam);
    CUIDLList* list = GetList();
    if (!list) return 0;
    const int row = static_cast<int>(task->GetIndex());
    WString text;
    switch (static_cast<int32_t>(lParam)) {
        case download::kTaskStarted:
            ShowTaskSource(task);
            break;
        case download::kTaskProgress: {
            uint64_t received = 0, total = 0;
            task->GetBytes(&received, &total);
            text.Format(L"正在下载 %s/%s %s/s", FormatByteSize(received).GetString(), FormatByteSize(total).GetString(),
                        FormatByteSize(task->GetSpeed()).GetString());
            list->SetStatus(row, text.GetString(), false);
            ShowTaskProgress(task);
            break;
        }
        case download::kTaskFinished:
            ShowTaskFinished(task);
            break;
        case download::kTaskStatusText:
            task->GetMessage(text);
            list->SetStatus(row, text.GetString(), false);
            break;
        case download::kTaskNextUrl:
            ShowTaskProgress(task);
            ShowTaskSource(task);
            break;
        case download::kTaskRetryUrl:
            ShowTaskProgress(task);
            break;
    }
    return 0;
}

LRESULT CDownloadDialog::OnBatchChanged(WPARAM, LPARAM lParam) {
    if (lParam != download::kBatchEnded || m_stopped || m_batchOver || !m_manager) return 0;
    m_batchOver = true;
    KillTimer(m_hWnd, kTitleTimer);
    KillTimer(m_hWnd, kBarTimer);
    UpdateTitle();
    UpdateProgressBar();
    WString text;
    if (m_manager->GetSucceededCount() == static_cast<int32_t>(m_manager->GetTaskCount())) {
        text.Format(L"%s 下载完成", m_title.GetString());
        SetWindowTextW(m_hWnd, text.GetString());
        SetTimer(m_hWnd, kCloseTimer, kCloseMs, NULL);
        return 0;
    }
    text.Format(L"%s 下载失败 请关闭窗口重试", m_title.GetString());
    SetWindowTextW(m_hWnd, text.GetString());
    if (internal::CDownloadContainer* container = GetContainer()) {
        wendaldui::CUISimpleProgressBar* bar = container->GetProgressBar();
        if (bar) bar->SetBarState(wendaldui::kProgressFailed);
    }
    SetTaskbarProgressState(m_progressWindow, kTaskbarError);
    if (CUIDLList* list = GetList()) list->EnsureRowVisible(m_manager->FindFailedTask());
    const WString report = BuildDownloadFailureReport(this);
    if (ShowDownloadFailureReport(m_hWnd, report) == 0) PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT CDownloadDialog::OnClose(WPARAM, LPARAM) {
    if (m_stopped || !m_manager) return 0;
    if (m_manager->GetState() == DownloadManager::kRunning) {
        KillTimer(m_hWnd, kTitleTimer);
        SetWindowTextW(m_hWnd, L"正在终止下载");
        EndDialog(kDownloadCancelled);
    } else if (m_batchOver || m_manager->GetState() == DownloadManager::kEnded) {
        const bool allSucceeded = m_manager->GetSucceededCount() == static_cast<int32_t>(m_manager->GetTaskCount());
        EndDialog(allSucceeded ? kDownloadAllSucceeded : kDownloadSomeFailed);
    }
    return 0;
}

void CDownloadDialog::EndDialog(int result) {
    m_manager->Abort();
    SetTaskbarProgressState(m_progressWindow, kTaskbarNone);
    if (m_succeeded) *m_succeeded = m_manager->GetSucceededCount();
    m_manager->Stop();
    m_stopped = true;
    m_resultCode = result;
    wendaldui::CDuiApp::EndModalLoop(m_hWnd);
}

WString BuildDownloadFailureReport(const CDownloadDialog* dialog) {
    WString report;
    const DownloadManager* manager = dialog ? dialog->GetManager() : nullptr;
    if (!manager) return report;
    const uint32_t count = manager->GetTaskCount();
    report.Format(L"%d个文件下载失败\r\n", static_cast<int>(count) - manager->GetSucceededCount());
    WString stars;
    for (int i = 0; i < 64; ++i) stars.Append(L"*", 1);
    stars.Append(L"\r\n");
    WString urls, line, message, entry;
    for (uint32_t i = 0; i < count; ++i) {
        DownloadTaskBase* task = manager->GetTask(i);
        if (task->GetState() != DownloadTaskBase::kDone || task->GetResult() != DownloadTaskBase::kFailed) continue;
        const download::DownloadInfoBase* info = task->GetInfo();
        urls.Empty();
        for (size_t u = 0; u < info->urls.size(); ++u) {
            line.Format(L"URL[%u](%s): %S\r\n", static_cast<unsigned>(u),
                        download::DownloadSourceName(info->urls[u].source), info->urls[u].url.GetString());
            urls.Append(line);
        }
        const wchar_t* place = IsFileKind(info->kind)
                                   ? static_cast<const download::DownloadInfoCommonFile*>(info)->target.GetString()
                                   : L"buffer";
        task->GetMessage(message);
        entry.Format(L"位置: %s\r\n%s失败原因: %s\r\n", place, urls.GetString(), message.GetString());
        report.Append(stars);
        report.Append(entry);
    }
    return report;
}

int RunDownloadDialog(HWND parent, HWND progressWindow, const wchar_t* title,
                      std::vector<download::DownloadInfoBase*>& infos, int32_t* succeeded, uint64_t totalBytes) {
    CDownloadDialog dialog(progressWindow, title, infos, succeeded, totalBytes);
    if (!RunModalDialog(dialog, L"Download", kDialogStyle, kWidth, kHeight, parent)) return kDownloadSomeFailed;
    return dialog.GetResultCode();
}

}  // namespace ui
}  // namespace trelm
