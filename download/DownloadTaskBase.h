// The common part of every download task: state, byte counters, message and
// the loop over URLs and tries (Run). A task kind (DownloadTaskCommonFile
// and its relatives) says how to prepare one transfer and how to judge it.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <curl/curl.h>

#include <atomic>
#include <cstdint>

#include "core/WString.h"
#include "core/noncopyable.h"
#include "download/DownloadInfoBase.h"

namespace trelm {
namespace download {

class DownloadManager;

class DownloadTaskBase : private wendal_::noncopyable {
public:
    enum State : int32_t { kQueued = 0, kClaimed = 1, kRunning = 2, kDone = 3 };
    enum Result : int32_t { kNoResult = 0, kSucceeded = 1, kFailed = 2 };
    // What Prepare says.
    enum PrepareResult : int32_t { kTransfer = 0, kPrepareFailed = 1, kAlreadyComplete = 2 };
    // What Evaluate says.
    enum EvaluateResult : int32_t { kSuccess = 0, kFailedForGood = 1, kTryAgain = 2, kNextUrl = 3 };

    static constexpr uint32_t kTriesPerUrl = 3;

    DownloadTaskBase(DownloadManager* manager, DownloadInfoBase* info, uint32_t index);  // takes info over
    virtual ~DownloadTaskBase();

    // Runs the task to its end on a worker's easy handle (reset and attached
    // to the manager's share object by the worker).
    virtual void Run(CURL* curl);

    // receivedBytes / totalBytes of the current transfer; 0.0 while the size
    // is unknown.
    double GetProgress();
    void GetMessage(WString& out);
    void SetMessage(const wchar_t* format, ...);
    void SetMessageText(const wchar_t* text);
    // Calls the observer, when the manager still has one.
    void NotifyObserver(int32_t code);

    int32_t GetState() const { return m_state.load(); }
    int32_t GetResult() const { return m_result.load(); }
    uint32_t GetIndex() const { return m_index; }
    DownloadInfoBase* GetInfo() const { return m_info; }
    DownloadManager* GetManager() const { return m_manager; }
    uint32_t GetUrlIndex() const { return m_urlIndex.load(); }
    uint32_t GetTryIndex() const { return m_tryIndex.load(); }
    uint64_t GetSpeed() const { return m_speed.load(); }
    void GetBytes(uint64_t* received, uint64_t* total);

    // The worker's claim: queued -> claimed, exactly once.
    bool TryClaim() {
        int32_t expected = kQueued;
        return m_state.compare_exchange_strong(expected, kClaimed);
    }
    // For a batch that lost its workers: a task that no worker claimed ends
    // failed with text, as if it had run (started, then finished). False
    // when a worker has it.
    bool FailUnclaimed(const wchar_t* text);

protected:
    // u: URL index, t: try index of that URL, both from 0.
    virtual int32_t Prepare(CURL* curl, uint32_t u, uint32_t t) = 0;
    virtual int32_t Evaluate(CURL* curl, CURLcode code, uint32_t u, uint32_t t) = 0;

    // The options every kind sets, except the write function: error buffer,
    // progress callback, redirects, connect time-out by try, low-speed limit
    // and the URL.
    void SetCommonOptions(CURL* curl, uint32_t u, uint32_t t);
    // The body writers count through this; false (and oversize set) once the
    // body passes BodyLimit, so the writer refuses it.
    bool CountBodyBytes(size_t bytes);
    // The most bytes a body may have: the description's size, or the
    // manager's limit for bodies whose size is not listed.
    uint64_t BodyLimit() const;
    // A file found complete without a transfer (the download cache).
    void SetCompleteBytes(uint64_t size);
    // The HTTP library's text for a failed transfer.
    const char* TransferErrorText(CURLcode code) const;
    // Judges how the transfer ended before its body is looked at: -1 when it
    // ended with code 200, else the result with the message set (a body cut
    // at the size limit goes to the next URL, other failures try again).
    // httpCodeFormat words a code other than 200.
    int32_t JudgeTransferEnd(CURL* curl, CURLcode code, const wchar_t* httpCodeFormat);
    bool IsStopping() const;
    bool IsOversize() const { return m_oversize != 0; }
    // Whether the response being received is a redirect that the library
    // follows: its own body is never written and says nothing about the
    // file's size, so a size limit must not judge it.
    bool InRedirect() const;

    DownloadManager* const m_manager;
    DownloadInfoBase* const m_info;

private:
    static int ProgressCallback(void* task, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t);
    int OnProgress(uint64_t total, uint64_t received);
    void BeginAttempt();
    void TakeBackAttempt();
    void Finish(bool succeeded);

    char m_errorText[CURL_ERROR_SIZE];
    CURL* m_curl = nullptr;  // the handle of the current transfer (SetCommonOptions)
    CRITICAL_SECTION m_progressLock;  // m_totalBytes, m_receivedBytes
    CRITICAL_SECTION m_messageLock;   // m_message
    uint64_t m_totalBytes = 0;        // announced by the current transfer
    uint64_t m_receivedBytes = 0;     // in the current attempt
    std::atomic<uint64_t> m_speed{0};
    uint64_t m_lastReportedBytes = 0;  // already added to the manager's counters
    uint64_t m_sampleBytes = 0;
    uint64_t m_sampleTick = 0;
    uint64_t m_bodyBytes = 0;  // handed to the writer in the current attempt
    const uint32_t m_index;
    std::atomic<int32_t> m_state{kQueued};
    std::atomic<int32_t> m_result{kNoResult};
    WString m_message;
    int32_t m_oversize = 0;
    // Written by the worker, read by the dialogs while it runs.
    std::atomic<uint32_t> m_urlIndex{0};
    std::atomic<uint32_t> m_tryIndex{0};
};

}  // namespace download
}  // namespace trelm
