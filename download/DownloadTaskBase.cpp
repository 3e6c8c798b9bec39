#include "download/DownloadTaskBase.h"

#include <cstdarg>

#include "core/TextFormat.h"
#include "download/DownloadManager.h"
#include "download/VerifiedTls.h"

namespace trelm {
namespace download {

namespace {

constexpr DWORD kLockSpinCount = 4000;
constexpr uint64_t kSampleIntervalMs = 200;

long ConnectTimeoutMs(uint32_t tryIndex) {
    static const long byTry[] = {8000, 16000, 32000, 32000, 32000};
    return tryIndex < sizeof byTry / sizeof byTry[0] ? byTry[tryIndex] : 32000;
}

// The library's receive buffer, allocated for each transfer: every read
// from a socket is a round trip to the wineserver under Wine, so a large
// body read in 16 KiB pieces spends most of its time there (4 files of
// 50 MiB: 1.0 s with 16 KiB, 0.29 s with 512 KiB, into memory, 4 workers).
// Small files keep a small buffer, which is cheaper to allocate, with room
// for the headers beside the body: a buffer of exactly the expected size
// left the body's last bytes to one more read, two wineserver requests more
// for every file over about 16 KiB (5-7 % of the time of 3,000 files of
// 1-30 KiB).
long ReceiveBufferSize(int64_t expectedSize) {
    const int64_t kHeaderRoom = 16 * 1024, kLargest = 512 * 1024;
    if (expectedSize < 0 || expectedSize > kLargest - kHeaderRoom) return static_cast<long>(kLargest);
    return static_cast<long>(expectedSize + kHeaderRoom);
}

}  // namespace

DownloadTaskBase::DownloadTaskBase(DownloadManager* manager, DownloadInfoBase* info, uint32_t index)
    : m_manager(manager), m_info(info), m_index(index) {
    m_errorText[0] = 0;
    InitializeCriticalSectionAndSpinCount(&m_progressLock, kLockSpinCount);
    InitializeCriticalSectionAndSpinCount(&m_messageLock, kLockSpinCount);
}

DownloadTaskBase::~DownloadTaskBase() {
    delete m_info;
    DeleteCriticalSection(&m_messageLock);
    DeleteCriticalSection(&m_progressLock);
}

void DownloadTaskBase::Run(CURL* curl) {
    m_state.store(kRunning);
    NotifyObserver(kTaskStarted);
    if (m_info->urls.empty()) {
        SetMessageText(L"urls个数为0");
        Finish(false);
        return;
    }
    const uint32_t urlCount = static_cast<uint32_t>(m_info->urls.size());
    int32_t prepared = Prepare(curl, m_urlIndex, m_tryIndex);
    for (;;) {
        if (prepared == kAlreadyComplete) {
            uint64_t size;
            GetBytes(nullptr, &size);
            m_manager->AddCompleteBytes(size);
            Finish(true);
            return;
        }
        if (prepared != kTransfer) break;

        BeginAttempt();
        const CURLcode code = curl_easy_perform(curl);
        m_speed.store(0);
        int32_t verdict = Evaluate(curl, code, m_urlIndex, m_tryIndex);
        if (verdict == kTryAgain && m_tryIndex + 1 >= kTriesPerUrl) verdict = kNextUrl;
        if (verdict == kNextUrl && m_urlIndex + 1 >= urlCount) verdict = kFailedForGood;
        // A finished file is kept even when the batch is stopping.
        if (verdict == kSuccess) {
            Finish(true);
            return;
        }
        TakeBackAttempt();
        if (IsStopping() || verdict == kFailedForGood) break;
        if (verdict == kTryAgain) {
            ++m_tryIndex;
            NotifyObserver(kTaskRetryUrl);
        } else {
            ++m_urlIndex;
            m_tryIndex = 0;
            NotifyObserver(kTaskNextUrl);
        }
        prepared = Prepare(curl, m_urlIndex, m_tryIndex);
    }
    Finish(false);
}

bool DownloadTaskBase::FailUnclaimed(const wchar_t* text) {
    if (!TryClaim()) return false;
    m_state.store(kRunning);
    NotifyObserver(kTaskStarted);
    SetMessageText(text);
    Finish(false);
    return true;
}

void DownloadTaskBase::Finish(bool succeeded) {
    // The result is there before anyone can see the state "done".
    m_result.store(succeeded ? kSucceeded : kFailed);
    m_state.store(kDone);
    m_manager->CountFinished(succeeded);
    NotifyObserver(kTaskFinished);
}

void DownloadTaskBase::BeginAttempt() {
    EnterCriticalSection(&m_progressLock);
    m_totalBytes = 0;
    m_receivedBytes = 0;
    LeaveCriticalSection(&m_progressLock);
    m_speed.store(0);
    m_lastReportedBytes = 0;
    m_sampleBytes = 0;
    m_bodyBytes = 0;
    m_sampleTick = GetTickCount64();
    m_oversize = 0;
}

void DownloadTaskBase::TakeBackAttempt() {
    m_manager->TakeBackBytes(m_lastReportedBytes);
    m_lastReportedBytes = 0;
}

void DownloadTaskBase::SetCommonOptions(CURL* curl, uint32_t u, uint32_t t) {
    m_errorText[0] = 0;
    m_curl = curl;
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, m_errorText);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &DownloadTaskBase::ProgressCallback);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_PRIVATE, this);
    // The game servers' and mirrors' certificates are not checked; the
    // launcher's own executable from the update server is. TLS sessions are
    // shared between the workers through the share object.
    if (m_info->urls[u].source == kSourceUpdate) {
        RequireVerifiedTls(curl);
    } else {
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, 0L);
    }
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, ConnectTimeoutMs(t));
    // Hardening: no overall time-out (a big file on a slow line is fine),
    // but a silent peer is a transfer error.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_manager->GetLowSpeedSeconds()));
    curl_easy_setopt(curl, CURLOPT_URL, m_info->urls[u].url.GetString());
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, ReceiveBufferSize(m_info->size));
}

int DownloadTaskBase::ProgressCallback(void* task, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    return static_cast<DownloadTaskBase*>(task)->OnProgress(total > 0 ? static_cast<uint64_t>(total) : 0,
                                                             now > 0 ? static_cast<uint64_t>(now) : 0);
}

int DownloadTaskBase::OnProgress(uint64_t total, uint64_t received) {
    EnterCriticalSection(&m_progressLock);
    m_totalBytes = total;
    m_receivedBytes = received;
    LeaveCriticalSection(&m_progressLock);

    // The library starts counting again for each request of a redirect
    // chain, so the count may go down; the counters follow it both ways.
    if (received >= m_lastReportedBytes) {
        m_manager->AddReceivedBytes(received - m_lastReportedBytes);
    } else {
        m_manager->TakeBackBytes(m_lastReportedBytes - received);
        m_sampleBytes = received;
    }
    m_lastReportedBytes = received;

    const uint64_t tick = GetTickCount64();
    if (tick - m_sampleTick >= kSampleIntervalMs) {
        m_speed.store((received - m_sampleBytes) * 1000 / (tick - m_sampleTick));
        m_sampleTick = tick;
        m_sampleBytes = received;
        NotifyObserver(kTaskProgress);
    }

    const uint64_t limit = BodyLimit();
    if ((total > limit || received > limit) && !InRedirect()) {
        m_oversize = 1;
        return 1;
    }
    return IsStopping() ? 1 : 0;
}

bool DownloadTaskBase::CountBodyBytes(size_t bytes) {
    m_bodyBytes += bytes;
    if (m_bodyBytes > BodyLimit()) {
        m_oversize = 1;
        return false;
    }
    return true;
}

uint64_t DownloadTaskBase::BodyLimit() const {
    return m_info->size >= 0 ? static_cast<uint64_t>(m_info->size) : m_manager->GetUnlistedSizeLimit();
}

void DownloadTaskBase::SetCompleteBytes(uint64_t size) {
    EnterCriticalSection(&m_progressLock);
    m_totalBytes = size;
    m_receivedBytes = size;
    LeaveCriticalSection(&m_progressLock);
}

int32_t DownloadTaskBase::JudgeTransferEnd(CURL* curl, CURLcode code, const wchar_t* httpCodeFormat) {
    if (code != CURLE_OK) {
        if (IsOversize()) {
            SetMessage(L"文件超过预期大小 %s", FormatByteSize(BodyLimit()).GetString());
            return kNextUrl;
        }
        SetMessage(L"%S", TransferErrorText(code));
        return kTryAgain;
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) {
        SetMessage(httpCodeFormat, static_cast<int>(status));
        return kTryAgain;
    }
    return -1;
}

const char* DownloadTaskBase::TransferErrorText(CURLcode code) const {
    return m_errorText[0] ? m_errorText : curl_easy_strerror(code);
}

bool DownloadTaskBase::IsStopping() const { return m_manager->IsStopping(); }

bool DownloadTaskBase::InRedirect() const {
    // A mirror answers many requests with a 302 whose short page may still
    // be longer than a small file or a ".sha1" answer; the library announces
    // that page's length and counts its bytes before it follows.
    long status = 0;
    if (!m_curl || curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK) return false;
    return status >= 300 && status < 400;
}

double DownloadTaskBase::GetProgress() {
    EnterCriticalSection(&m_progressLock);
    const double progress =
        m_totalBytes == 0 ? 0.0 : static_cast<double>(m_receivedBytes) / static_cast<double>(m_totalBytes);
    LeaveCriticalSection(&m_progressLock);
    return progress;
}

void DownloadTaskBase::GetBytes(uint64_t* received, uint64_t* total) {
    EnterCriticalSection(&m_progressLock);
    if (received) *received = m_receivedBytes;
    if (total) *total = m_totalBytes;
    LeaveCriticalSection(&m_progressLock);
}

void DownloadTaskBase::GetMessage(WString& out) {
    EnterCriticalSection(&m_messageLock);
    out = m_message;
    LeaveCriticalSection(&m_messageLock);
}

void DownloadTaskBase::SetMessage(const wchar_t* format, ...) {
    // Formatted outside the lock: a reader never waits for the formatter.
    WString text;
    va_list args;
    va_start(args, format);
    text.FormatV(format, args);
    va_end(args);
    EnterCriticalSection(&m_messageLock);
    m_message = std::move(text);
    LeaveCriticalSection(&m_messageLock);
}

void DownloadTaskBase::SetMessageText(const wchar_t* text) {
    WString copy(text);
    EnterCriticalSection(&m_messageLock);
    m_message = std::move(copy);
    LeaveCriticalSection(&m_messageLock);
}

void DownloadTaskBase::NotifyObserver(int32_t code) { m_manager->NotifyTask(this, code); }

}  // namespace download
}  // namespace trelm
