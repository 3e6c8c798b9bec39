// What the download engine's tests share: one scripted local server for the
// whole binary, a thread-safe observer that records every call, builders
// for descriptions, and a fixture that runs a batch to its end.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "core/Sha1.h"
#include "download/DownloadInfoCommonFile.h"
#include "download/DownloadInfoMemoryBuffer.h"
#include "download/DownloadManager.h"
#include "download/DownloadTaskBase.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestPaths.h"

namespace download_test {

using trelm::download::DownloadInfoBase;
using trelm::download::DownloadTaskBase;

struct ObservedCall {
    bool batch;       // OnDownloadBatchChanged, else OnDownloadTaskChanged
    uint32_t index;   // the task's index (0 for batch calls)
    int32_t code;
    std::wstring message;  // the task's message at the call
    uint32_t urlIndex = 0;  // the task's address at the call
};

class RecordingObserver : public trelm::download::IDownloadObserver {
public:
    RecordingObserver();
    ~RecordingObserver() override;

    void OnDownloadTaskChanged(DownloadTaskBase* task, int32_t code) override;
    void OnDownloadBatchChanged(trelm::download::DownloadManager* manager, int32_t code) override;

    bool WaitForBatchEnd(DWORD milliseconds);
    // Forgets the calls, for the next batch.
    void Reset();
    std::vector<ObservedCall> Calls();
    size_t CallCount();
    // The codes task index received, without progress (1) and status (3)
    // calls unless asked for.
    std::vector<int32_t> TaskCodes(uint32_t index, bool withProgress = false, bool withStatus = false);
    std::vector<std::wstring> StatusTexts(uint32_t index);
    // Set when the first progress call arrives.
    HANDLE FirstProgress() const { return m_firstProgress; }

private:
    std::mutex m_lock;
    std::vector<ObservedCall> m_calls;
    HANDLE m_batchEnded;
    HANDLE m_firstProgress;
};

// The server all tests of the binary share (started once, routes reset by
// each fixture).
testing_support::TestHttpServer& Server();

std::string Sha1Hex(const std::string& bytes);
void SetSha1(DownloadInfoBase* info, const std::string& bytes);
std::string Narrow(const WString& text);
std::string MessageOf(DownloadTaskBase* task);

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string Url(const std::string& path) { return Server().Url(path); }
    std::wstring Target(const std::wstring& name) { return m_dir / name; }

    // A common file with these URLs (official source), written to target.
    trelm::download::DownloadInfoCommonFile* File(const std::wstring& target, std::initializer_list<std::string> urls,
                                                  int64_t size = -1);
    // Starts the batch and waits (bounded) for the monitor's end call.
    void RunBatch(std::vector<DownloadInfoBase*> infos, int32_t threads = 1, uint64_t totalBytes = 0);
    // One description alone; returns its task.
    DownloadTaskBase* RunOne(DownloadInfoBase* info);

    bool Routes(const std::string& json) { return Server().SetRoutes(json); }
    int Hits(const std::string& path) { return Server().Hits(path); }

    testing_support::TempDir m_dir;
    RecordingObserver m_observer;
    trelm::download::DownloadManager m_manager;
};

}  // namespace download_test
