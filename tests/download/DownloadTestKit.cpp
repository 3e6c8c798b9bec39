#include "tests/download/DownloadTestKit.h"

#include <memory>

namespace download_test {

RecordingObserver::RecordingObserver()
    : m_batchEnded(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_firstProgress(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

RecordingObserver::~RecordingObserver() {
    CloseHandle(m_batchEnded);
    CloseHandle(m_firstProgress);
}

void RecordingObserver::OnDownloadTaskChanged(DownloadTaskBase* task, int32_t code) {
    WString message;
    task->GetMessage(message);
    std::lock_guard<std::mutex> hold(m_lock);
    m_calls.push_back({false, task->GetIndex(), code, std::wstring(message.GetString()), task->GetUrlIndex()});
    if (code == trelm::download::kTaskProgress) SetEvent(m_firstProgress);
}

void RecordingObserver::OnDownloadBatchChanged(trelm::download::DownloadManager*, int32_t code) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_calls.push_back({true, 0, code, std::wstring()});
    if (code == trelm::download::kBatchEnded) SetEvent(m_batchEnded);
}

bool RecordingObserver::WaitForBatchEnd(DWORD milliseconds) {
    return WaitForSingleObject(m_batchEnded, milliseconds) == WAIT_OBJECT_0;
}

void RecordingObserver::Reset() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_calls.clear();
    ResetEvent(m_batchEnded);
    ResetEvent(m_firstProgress);
}

std::vector<ObservedCall> RecordingObserver::Calls() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_calls;
}

size_t RecordingObserver::CallCount() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_calls.size();
}

std::vector<int32_t> RecordingObserver::TaskCodes(uint32_t index, bool withProgress, bool withStatus) {
    std::vector<int32_t> codes;
    for (const ObservedCall& call : Calls()) {
        if (call.batch || call.index != index) continue;
        if (call.code == trelm::download::kTaskProgress && !withProgress) continue;
        if (call.code == trelm::download::kTaskStatusText && !withStatus) continue;
        codes.push_back(call.code);
    }
    return codes;
}

std::vector<std::wstring> RecordingObserver::StatusTexts(uint32_t index) {
    std::vector<std::wstring> texts;
    for (const ObservedCall& call : Calls()) {
        if (!call.batch && call.index == index && call.code == trelm::download::kTaskStatusText) {
            texts.push_back(call.message);
        }
    }
    return texts;
}

testing_support::TestHttpServer& Server() {
    static std::unique_ptr<testing_support::TestHttpServer> server;
    if (!server) {
        server.reset(new testing_support::TestHttpServer());
        if (!server->Start()) ADD_FAILURE() << "the local HTTP server did not start: " << server->LastError();
    }
    return *server;
}

std::string Sha1Hex(const std::string& bytes) {
    uint8_t digest[kSha1DigestSize];
    Sha1OfBuffer(bytes.data(), bytes.size(), digest);
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t byte : digest) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

void SetSha1(DownloadInfoBase* info, const std::string& bytes) {
    Sha1OfBuffer(bytes.data(), bytes.size(), info->sha1);
    info->flags |= trelm::download::kFlagSha1Given;
}

std::string Narrow(const WString& text) { return testing_support::Narrow(text.GetString()); }

std::string MessageOf(DownloadTaskBase* task) {
    WString message;
    task->GetMessage(message);
    return Narrow(message);
}

void DownloadTest::SetUp() { ASSERT_TRUE(Server().Reset()) << Server().LastError(); }

void DownloadTest::TearDown() { m_manager.Stop(); }

trelm::download::DownloadInfoCommonFile* DownloadTest::File(const std::wstring& target,
                                                           std::initializer_list<std::string> urls, int64_t size) {
    auto* info = new trelm::download::DownloadInfoCommonFile();
    info->target = target.c_str();
    for (const std::string& url : urls) info->urls.emplace_back(WString(testing_support::Widen(url).c_str()), 0);
    info->size = size;
    return info;
}

void DownloadTest::RunBatch(std::vector<DownloadInfoBase*> infos, int32_t threads, uint64_t totalBytes) {
    m_manager.Stop();  // before the observer forgets: no call of an old batch may arrive
    m_observer.Reset();
    m_manager.Start(&m_observer, infos, totalBytes, threads);
    ASSERT_TRUE(infos.empty());
    ASSERT_TRUE(m_observer.WaitForBatchEnd(120000)) << "the batch did not end";
    ASSERT_EQ(trelm::download::DownloadManager::kEnded, m_manager.GetState());
}

DownloadTaskBase* DownloadTest::RunOne(DownloadInfoBase* info) {
    RunBatch({info});
    if (HasFatalFailure() || m_manager.GetTaskCount() != 1) return nullptr;
    return m_manager.GetTask(0);
}

}  // namespace download_test
