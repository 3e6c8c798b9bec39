// Runs one batch of downloads: one task per description, claimed by a pool
// of worker threads with one HTTP easy handle each, a monitor thread that
// samples the overall speed and tells the observer when the batch ends.
//
// The caller's (UI) thread calls Start, Abort, Stop and the readers. The
// counters are atomics, read at any time; the task list does not change
// while a batch runs, so a dialog may read any task's state, result and
// message while the batch goes on.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "core/noncopyable.h"
#include "download/DownloadInfoBase.h"
#include "download/IDownloadObserver.h"

namespace trelm {
namespace download {

class DownloadTaskBase;

// A transfer that stays under 1 byte/s for this long fails like any other
// transfer error, so a peer that goes silent takes the retry path instead
// of holding a worker for ever.
constexpr uint32_t kDefaultLowSpeedSeconds = 60;

// The most bytes taken for a description that lists no size (old version
// JSONs give some libraries a SHA-1 without a size): a server that sends
// without end must not fill the disk. The largest real files, client jars
// and asset objects, are tens of MiB, so 512 MiB is far above any of them,
// and with all 16 workers at the limit a batch holds at most 8 GiB of
// unfinished files. A longer body is refused like one longer than its
// listed size.
constexpr uint64_t kDefaultUnlistedSizeLimit = 512ull * 1024 * 1024;

class DownloadManager : private wendal_::noncopyable {
public:
    enum State : int32_t { kIdle = 0, kRunning = 1, kEnded = 2 };

    DownloadManager();
    virtual ~DownloadManager();

    // Stops a batch that is still there, takes every description of infos
    // over (infos is left empty) and starts the batch. threads < 1 chooses
    // 8, or 16 with 8 or more processors; the count is cut to the number of
    // descriptions. An empty infos starts nothing and calls no observer.
    void Start(IDownloadObserver* observer, std::vector<DownloadInfoBase*>& infos, uint64_t totalBytes,
               int32_t threads);
    // Forgets the observer (no call arrives once this returns), stops every
    // transfer at its next progress call and waits for every thread. Tasks,
    // results and counters stay readable.
    void Abort();
    // Abort, then deletes the tasks and zeroes the counters.
    void Stop();

    // 0.0 without tasks; 1.0 when every task succeeded; else the byte share
    // of totalBytes when that is given and at most 1.0, otherwise the share
    // of succeeded tasks.
    double GetProgress() const;
    uint64_t GetSpeed() const { return m_speed.load(); }
    // Index of the first task that ended failed; -1 when none.
    int32_t FindFailedTask() const;

    uint32_t GetTaskCount() const { return static_cast<uint32_t>(m_tasks.size()); }
    DownloadTaskBase* GetTask(uint32_t index) const { return m_tasks[index]; }
    uint32_t GetWorkerCount() const { return static_cast<uint32_t>(m_workers.size()); }
    int32_t GetState() const { return m_state.load(); }
    int32_t GetFinishedCount() const { return m_finishedCount.load(); }
    int32_t GetSucceededCount() const { return m_succeededCount.load(); }
    // Bytes received by every task less those of retried attempts, plus the
    // sizes of files found complete without a transfer.
    uint64_t GetDownloadedBytes() const { return m_downloadedBytes.load(); }
    // Every byte received, never reduced.
    uint64_t GetTransferredBytes() const { return m_transferredBytes.load(); }

    // The low-speed window of file and memory transfers (default 60 s);
    // takes effect at the next Start.
    void SetLowSpeedSeconds(uint32_t seconds) { m_lowSpeedSeconds = seconds; }
    uint32_t GetLowSpeedSeconds() const { return m_lowSpeedSeconds; }
    // The limit of bodies whose size is not listed (default 512 MiB); set it
    // before Start: the workers read it.
    void SetUnlistedSizeLimit(uint64_t bytes) { m_unlistedSizeLimit = bytes; }
    uint64_t GetUnlistedSizeLimit() const { return m_unlistedSizeLimit; }

    // For the tasks.
    bool IsStopping() const { return m_stopFlag.load(std::memory_order_relaxed) != 0; }
    HANDLE GetStopEvent() const { return m_stopEvent; }
    CURLSH* GetShare() const { return m_share; }
    void NotifyTask(DownloadTaskBase* task, int32_t code);
    void AddReceivedBytes(uint64_t bytes);
    void TakeBackBytes(uint64_t bytes);
    void AddCompleteBytes(uint64_t bytes);
    void CountFinished(bool succeeded);

private:
    static unsigned __stdcall WorkerMain(void* manager);
    static unsigned __stdcall MonitorMain(void* manager);
    static void LockShared(CURL* handle, curl_lock_data data, curl_lock_access access, void* locks);
    static void UnlockShared(CURL* handle, curl_lock_data data, void* locks);

    uint32_t ChooseWorkerCount(int32_t threads, size_t descriptions) const;
    bool MakeShare();
    DownloadTaskBase* ClaimTask();
    void RunWorker();
    void RunMonitor();
    void ResumeWorkers();
    void FailWithoutMonitor();
    void FailUnclaimedTasks();

    std::vector<DownloadTaskBase*> m_tasks;  // owned, in the descriptions' order
    std::vector<HANDLE> m_workers;
    HANDLE m_monitor = nullptr;
    HANDLE m_stopEvent = nullptr;  // manual reset
    int64_t m_totalBytes = 0;
    std::atomic<uint64_t> m_downloadedBytes{0};
    std::atomic<uint64_t> m_transferredBytes{0};
    std::atomic<uint64_t> m_speed{0};
    std::atomic<IDownloadObserver*> m_observer{nullptr};
    std::atomic<int32_t> m_state{kIdle};
    std::atomic<int32_t> m_finishedCount{0};
    std::atomic<int32_t> m_succeededCount{0};
    std::atomic<int32_t> m_stopFlag{0};
    // Every task before it has been claimed: claims never go back to 0 while
    // a batch runs, so the claim scan starts here instead of at the front.
    std::atomic<size_t> m_claimHint{0};
    uint32_t m_lowSpeedSeconds = kDefaultLowSpeedSeconds;
    uint64_t m_unlistedSizeLimit = kDefaultUnlistedSizeLimit;
    CURLSH* m_share = nullptr;
    SRWLOCK* m_locks = nullptr;  // one per libcurl lock-data kind the share uses
};

}  // namespace download
}  // namespace trelm
