#include "download/DownloadManager.h"

#include <process.h>


#include "download/CurlInit.h"
#include "download/DownloadTaskBase.h"
#include "download/DownloadTaskFactory.h"

namespace trelm {
namespace download {

namespace {

// CURL_LOCK_DATA_NONE .. CURL_LOCK_DATA_CONNECT: the kinds a share locks.
constexpr int kShareLockCount = 6;
constexpr DWORD kMonitorSampleMs = 200;

}  // namespace

DownloadManager::DownloadManager() {
    InitCurlOnce();
    m_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

DownloadManager::~DownloadManager() {
    Stop();
    if (m_share) curl_share_cleanup(m_share);
    delete[] m_locks;
    if (m_stopEvent) CloseHandle(m_stopEvent);
}

void DownloadManager::Start(IDownloadObserver* observer, std::vector<DownloadInfoBase*>& infos, uint64_t totalBytes,
                            int32_t threads) {
    if (m_state.load() != kIdle) Stop();
    m_observer.store(observer);
    m_totalBytes = static_cast<int64_t>(totalBytes);
    if (infos.empty()) return;

    const uint32_t workerCount = ChooseWorkerCount(threads, infos.size());
    // Without a share every worker resolves and shakes hands on its own,
    // which is slower but still correct.
    if (!m_share) MakeShare();

    m_tasks.reserve(infos.size());
    for (size_t i = 0; i < infos.size(); ++i) {
        m_tasks.push_back(MakeDownloadTask(this, infos[i], static_cast<uint32_t>(i)));
    }
    std::vector<DownloadInfoBase*>().swap(infos);
    m_claimHint.store(0);

    for (uint32_t i = 0; i < workerCount; ++i) {
        const uintptr_t thread = _beginthreadex(nullptr, 0, &DownloadManager::WorkerMain, this, CREATE_SUSPENDED, nullptr);
        if (thread) m_workers.push_back(reinterpret_cast<HANDLE>(thread));
    }
    m_state.store(kRunning);
    // The monitor reports the batch start and then lets the workers go, so
    // the observer hears "batch started" before any task event.
    m_monitor = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &DownloadManager::MonitorMain, this, 0, nullptr));
    if (!m_monitor) FailWithoutMonitor();
}

void DownloadManager::FailWithoutMonitor() {
    // No one would tell the observer that the batch ended, and a dialog
    // would wait for that for ever: run nothing, and report the batch here
    // as started and ended with every task failed.
    m_stopFlag.store(1);
    ResumeWorkers();  // they see the flag and end without claiming a task
    for (HANDLE thread : m_workers) WaitForSingleObject(thread, INFINITE);
    m_stopFlag.store(0);
    IDownloadObserver* observer = m_observer.load();
    if (observer) observer->OnDownloadBatchChanged(this, kBatchStarted);
    FailUnclaimedTasks();
    m_state.store(kEnded);
    observer = m_observer.load();
    if (observer) observer->OnDownloadBatchChanged(this, kBatchEnded);
}

void DownloadManager::FailUnclaimedTasks() {
    for (DownloadTaskBase* task : m_tasks) task->FailUnclaimed(L"没有可用的下载线程");
}

uint32_t DownloadManager::ChooseWorkerCount(int32_t threads, size_t descriptions) const {
    uint32_t count = 8;
    if (threads >= 1) {
        count = static_cast<uint32_t>(threads);
    } else {
        DWORD_PTR process = 0, system = 0;
        if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) {
            uint32_t bits = 0;
            for (uint32_t mask = static_cast<uint32_t>(process); mask; mask &= mask - 1) ++bits;
            if (bits >= 8) count = 16;
        }
    }
    if (count > descriptions) count = static_cast<uint32_t>(descriptions);
    // One wait covers every worker.
    if (count > MAXIMUM_WAIT_OBJECTS) count = MAXIMUM_WAIT_OBJECTS;
    return count;
}

bool DownloadManager::MakeShare() {
    if (!m_locks) {
        m_locks = new SRWLOCK[kShareLockCount];
        for (int i = 0; i < kShareLockCount; ++i) InitializeSRWLock(&m_locks[i]);
    }
    m_share = curl_share_init();
    if (!m_share) return false;
    curl_share_setopt(m_share, CURLSHOPT_USERDATA, m_locks);
    curl_share_setopt(m_share, CURLSHOPT_LOCKFUNC, &DownloadManager::LockShared);
    curl_share_setopt(m_share, CURLSHOPT_UNLOCKFUNC, &DownloadManager::UnlockShared);
    curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    return true;
}

// The access kind is ignored: every lock is taken exclusively.
void DownloadManager::LockShared(CURL*, curl_lock_data data, curl_lock_access, void* locks) {
    if (data >= 0 && data < kShareLockCount) AcquireSRWLockExclusive(&static_cast<SRWLOCK*>(locks)[data]);
}

void DownloadManager::UnlockShared(CURL*, curl_lock_data data, void* locks) {
    if (data >= 0 && data < kShareLockCount) ReleaseSRWLockExclusive(&static_cast<SRWLOCK*>(locks)[data]);
}

void DownloadManager::Abort() {
    const int32_t state = m_state.load();
    if (state != kRunning && state != kEnded) return;
    m_observer.store(nullptr);
    m_stopFlag.store(1);
    SetEvent(m_stopEvent);
    std::vector<HANDLE> threads(m_workers);
    if (m_monitor) threads.push_back(m_monitor);
    // Waited one by one: there may be more than one wait's worth of handles.
    for (HANDLE thread : threads) WaitForSingleObject(thread, INFINITE);
}

void DownloadManager::Stop() {
    Abort();
    for (HANDLE thread : m_workers) CloseHandle(thread);
    m_workers.clear();
    if (m_monitor) CloseHandle(m_monitor);
    m_monitor = nullptr;
    for (DownloadTaskBase* task : m_tasks) delete task;
    std::vector<DownloadTaskBase*>().swap(m_tasks);
    ResetEvent(m_stopEvent);
    m_totalBytes = 0;
    m_downloadedBytes.store(0);
    m_transferredBytes.store(0);
    m_speed.store(0);
    m_observer.store(nullptr);
    m_state.store(kIdle);
    m_finishedCount.store(0);
    m_succeededCount.store(0);
    m_stopFlag.store(0);
    m_claimHint.store(0);
}

double DownloadManager::GetProgress() const {
    const size_t count = m_tasks.size();
    if (count == 0) return 0.0;
    const int32_t succeeded = m_succeededCount.load();
    if (static_cast<size_t>(succeeded) == count) return 1.0;
    if (m_totalBytes > 0) {
        const double share = static_cast<double>(m_downloadedBytes.load()) / static_cast<double>(m_totalBytes);
        if (share <= 1.0) return share;
    }
    return static_cast<double>(succeeded) / static_cast<double>(count);
}

int32_t DownloadManager::FindFailedTask() const {
    for (size_t i = 0; i < m_tasks.size(); ++i) {
        if (m_tasks[i]->GetState() == DownloadTaskBase::kDone && m_tasks[i]->GetResult() == DownloadTaskBase::kFailed) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

void DownloadManager::NotifyTask(DownloadTaskBase* task, int32_t code) {
    IDownloadObserver* observer = m_observer.load();
    if (observer) observer->OnDownloadTaskChanged(task, code);
}

void DownloadManager::AddReceivedBytes(uint64_t bytes) {
    if (!bytes) return;
    m_downloadedBytes.fetch_add(bytes);
    m_transferredBytes.fetch_add(bytes);
}

void DownloadManager::TakeBackBytes(uint64_t bytes) {
    if (bytes) m_downloadedBytes.fetch_sub(bytes);
}

void DownloadManager::AddCompleteBytes(uint64_t bytes) {
    m_downloadedBytes.fetch_add(bytes);
    m_transferredBytes.fetch_add(bytes);
}

void DownloadManager::CountFinished(bool succeeded) {
    m_finishedCount.fetch_add(1);
    if (succeeded) m_succeededCount.fetch_add(1);
}

DownloadTaskBase* DownloadManager::ClaimTask() {
    // The tasks before the first one this scan claims were all claimed
    // already (a task never goes back to queued), so later scans skip them.
    for (size_t i = m_claimHint.load(); i < m_tasks.size(); ++i) {
        DownloadTaskBase* task = m_tasks[i];
        if (task->GetState() == DownloadTaskBase::kQueued && task->TryClaim()) {
            size_t hint = m_claimHint.load();
            while (hint < i + 1 && !m_claimHint.compare_exchange_weak(hint, i + 1)) {
            }
            return task;
        }
    }
    return nullptr;
}

unsigned __stdcall DownloadManager::WorkerMain(void* manager) {
    static_cast<DownloadManager*>(manager)->RunWorker();
    return 0;
}

void DownloadManager::RunWorker() {
    // One handle for the thread's life: its connection cache survives
    // curl_easy_reset, so the worker keeps its connection alive between tasks.
    CURL* curl = curl_easy_init();
    if (!curl) return;
    while (!IsStopping()) {
        DownloadTaskBase* task = ClaimTask();
        if (!task) break;
        curl_easy_reset(curl);
        if (m_share) curl_easy_setopt(curl, CURLOPT_SHARE, m_share);
        task->Run(curl);
    }
    curl_easy_cleanup(curl);
}

void DownloadManager::ResumeWorkers() {
    for (HANDLE thread : m_workers) ResumeThread(thread);
}

unsigned __stdcall DownloadManager::MonitorMain(void* manager) {
    static_cast<DownloadManager*>(manager)->RunMonitor();
    return 0;
}

void DownloadManager::RunMonitor() {
    IDownloadObserver* observer = m_observer.load();
    if (observer) observer->OnDownloadBatchChanged(this, kBatchStarted);
    ResumeWorkers();

    const std::vector<HANDLE> workers(m_workers);
    uint64_t previousTick = GetTickCount64();
    uint64_t previousBytes = m_transferredBytes.load();
    while (!workers.empty() &&
           WaitForMultipleObjects(static_cast<DWORD>(workers.size()), workers.data(), TRUE, kMonitorSampleMs) ==
               WAIT_TIMEOUT) {
        const uint64_t tick = GetTickCount64();
        const uint64_t bytes = m_transferredBytes.load();
        if (tick > previousTick) {
            m_speed.store((bytes - previousBytes) * 1000 / (tick - previousTick));
            previousTick = tick;
            previousBytes = bytes;
        }
    }
    m_speed.store(0);
    // Workers that could not start or make their HTTP handle leave their
    // tasks queued: unless the batch is stopping, those tasks failed, else
    // the batch would look as if nothing had failed.
    if (!IsStopping()) FailUnclaimedTasks();
    m_state.store(kEnded);
    observer = m_observer.load();
    if (observer) observer->OnDownloadBatchChanged(this, kBatchEnded);
}

}  // namespace download
}  // namespace trelm
