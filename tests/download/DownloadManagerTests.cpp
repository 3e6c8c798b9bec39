// The download manager against the scripted local server: the
// worker pool, the run loop over URLs and tries, the observer's calls, the
// byte counters, Abort, and what a cut or stalled transfer leaves behind.
#include <winsock2.h>
#include <windows.h>

#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "download/DownloadCache.h"
#include "download/DownloadTaskBase.h"
#include "download/DownloadTaskFactory.h"
#include "tests/download/DownloadTestKit.h"
#include "tests/support/VerifiedTlsRoots.h"
#include "tests/support/WaitUntil.h"

namespace download_test {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing_support::Exists;
using testing_support::GeneratedBytes;
using testing_support::ReadBytes;
using namespace trelm::download;

using DownloadManagerTest = DownloadTest;

TEST_F(DownloadManagerTest, EmptyBatchStartsNothingAndCallsNoObserver) {
    std::vector<DownloadInfoBase*> none;
    m_manager.Start(&m_observer, none, 0, 4);
    EXPECT_EQ(DownloadManager::kIdle, m_manager.GetState());
    EXPECT_EQ(0u, m_manager.GetWorkerCount());
    Sleep(300);
    EXPECT_EQ(0u, m_observer.CallCount());
    EXPECT_EQ(0.0, m_manager.GetProgress());
    EXPECT_EQ(-1, m_manager.FindFailedTask());
}

TEST_F(DownloadManagerTest, ThreadsZeroWithThreeDescriptionsStartsThreeWorkers) {
    ASSERT_TRUE(Routes(R"({"/f*": {"generate": 5000}})"));
    RunBatch({File(Target(L"a"), {Url("/f1")}), File(Target(L"b"), {Url("/f2")}), File(Target(L"c"), {Url("/f3")})},
             0);
    EXPECT_EQ(3u, m_manager.GetWorkerCount());
    EXPECT_EQ(3, m_manager.GetSucceededCount());
    EXPECT_EQ(3, m_manager.GetFinishedCount());
    EXPECT_EQ(1.0, m_manager.GetProgress());
    EXPECT_EQ(GeneratedBytes(0, 5000), ReadBytes(Target(L"b")));
    // The monitor's calls frame the batch.
    const std::vector<ObservedCall> calls = m_observer.Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_TRUE(calls.front().batch && calls.front().code == kBatchStarted);
    EXPECT_TRUE(calls.back().batch && calls.back().code == kBatchEnded);
}

TEST_F(DownloadManagerTest, DefaultWorkerCountFollowsTheProcessorCount) {
    ASSERT_TRUE(Routes(R"({"/many*": {"body": "x"}})"));
    DWORD_PTR process = 0, system = 0;
    ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &process, &system));
    int bits = 0;
    for (DWORD_PTR mask = process; mask; mask &= mask - 1) ++bits;
    std::vector<DownloadInfoBase*> infos;
    for (int i = 0; i < 40; ++i) {
        infos.push_back(File(Target(L"many" + std::to_wstring(i)), {Url("/many" + std::to_string(i))}));
    }
    RunBatch(infos, 0);
    EXPECT_EQ(bits >= 8 ? 16u : 8u, m_manager.GetWorkerCount()) << bits << " processors";
    EXPECT_EQ(40, m_manager.GetSucceededCount());
}

TEST_F(DownloadManagerTest, NotFoundThreeTimesThenTheFallbackUrlCountsTheBytesOnce) {
    ASSERT_TRUE(Routes(R"({"/mirror/lib.jar": {"status": 404, "body": "not here"},
                          "/official/lib.jar": {"generate": 70000}})"));
    DownloadTaskBase* task =
        RunOne(File(Target(L"lib.jar"), {Url("/mirror/lib.jar"), Url("/official/lib.jar")}, 70000));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult()) << MessageOf(task);
    EXPECT_THAT(m_observer.TaskCodes(0), ElementsAre(kTaskStarted, kTaskRetryUrl, kTaskRetryUrl, kTaskNextUrl,
                                                     kTaskFinished));
    EXPECT_EQ(3, Hits("/mirror/lib.jar"));
    EXPECT_EQ(1, Hits("/official/lib.jar"));
    EXPECT_EQ(70000u, m_manager.GetDownloadedBytes());
    EXPECT_EQ(GeneratedBytes(0, 70000), ReadBytes(Target(L"lib.jar")));
    EXPECT_FALSE(Exists(Target(L"lib.jar.dl")));
}

// The download dialog reads a task's address when the worker says it moved
// on, and from another thread: the move is made before it is told, and a
// reader after the batch sees it.
TEST_F(DownloadManagerTest, ReaderSeesTheTaskMoveToItsNextUrl) {
    ASSERT_TRUE(Routes(R"({"/gone": {"status": 404}, "/here": {"body": "x"}})"));
    DownloadTaskBase* task = RunOne(File(Target(L"x"), {Url("/gone"), Url("/here")}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult());
    EXPECT_EQ(1u, task->GetUrlIndex());
    int moves = 0;
    for (const ObservedCall& call : m_observer.Calls()) {
        if (call.batch || call.code != kTaskNextUrl) continue;
        ++moves;
        EXPECT_EQ(1u, call.urlIndex) << "told of the move before it was made";
    }
    EXPECT_EQ(1, moves);
}

TEST_F(DownloadManagerTest, ServerErrorsUseEveryTryOfEveryUrlThenFail) {
    ASSERT_TRUE(Routes(R"({"/a": {"status": 500}, "/b": {"status": 503}})"));
    DownloadTaskBase* task = RunOne(File(Target(L"x"), {Url("/a"), Url("/b")}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kFailed, task->GetResult());
    EXPECT_EQ(3, Hits("/a"));
    EXPECT_EQ(3, Hits("/b"));
    EXPECT_THAT(MessageOf(task), HasSubstr("503"));
    EXPECT_EQ(0, m_manager.FindFailedTask());
    EXPECT_EQ(0, m_manager.GetSucceededCount());
    EXPECT_EQ(1, m_manager.GetFinishedCount());
    EXPECT_FALSE(Exists(Target(L"x")));
    EXPECT_FALSE(Exists(Target(L"x.dl")));
}

TEST_F(DownloadManagerTest, NoContentIsNotAFileAndIsTriedAgain) {
    ASSERT_TRUE(Routes(R"({"/empty": {"responses": [{"status": 204}, {"status": 204}, {"body": "ok"}]}})"));
    DownloadTaskBase* task = RunOne(File(Target(L"x"), {Url("/empty")}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult());
    EXPECT_EQ(3, Hits("/empty"));
    const std::vector<ObservedCall> calls = m_observer.Calls();
    bool sawText = false;
    for (const ObservedCall& call : calls) sawText |= call.code == kTaskRetryUrl && call.message == L"Http代码:204";
    EXPECT_TRUE(sawText) << "the retry after a 204 should carry \"Http代码:204\"";
    EXPECT_EQ("ok", ReadBytes(Target(L"x")));
}

TEST_F(DownloadManagerTest, RedirectChainsAreFollowedUpToTen) {
    ASSERT_TRUE(Routes(R"({"/r1": {"redirect": "/r2"}, "/r2": {"status": 301, "redirect": "/r3"},
                          "/r3": {"status": 307, "redirect": "/data"}, "/data": {"generate": 1234}})"));
    std::string loop = "{";
    for (int i = 0; i < 12; ++i) {
        loop += (i ? "," : "") + std::string("\"/loop") + std::to_string(i) + "\": {\"redirect\": \"/loop" +
                std::to_string(i + 1) + "\"}";
    }
    ASSERT_TRUE(Routes(loop + ", \"/loop12\": {\"body\": \"end\"}}"));
    RunBatch({File(Target(L"chain"), {Url("/r1")}), File(Target(L"loop"), {Url("/loop0")})});
    DownloadTaskBase* chain = m_manager.GetTask(0);
    DownloadTaskBase* looping = m_manager.GetTask(1);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, chain->GetResult()) << MessageOf(chain);
    EXPECT_EQ(GeneratedBytes(0, 1234), ReadBytes(Target(L"chain")));
    EXPECT_EQ(1234u, m_manager.GetDownloadedBytes()) << "only the last body of the chain counts";
    EXPECT_EQ(DownloadTaskBase::kFailed, looping->GetResult());
    EXPECT_EQ(3, Hits("/loop0"));
    EXPECT_EQ(0, Hits("/loop12"));
    EXPECT_FALSE(Exists(Target(L"loop")));
}

TEST_F(DownloadManagerTest, TaskWithoutUrlsFails) {
    DownloadTaskBase* task = RunOne(File(Target(L"x"), {}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kFailed, task->GetResult());
    EXPECT_EQ("urls个数为0", MessageOf(task));
    EXPECT_THAT(m_observer.TaskCodes(0), ElementsAre(kTaskStarted, kTaskFinished));
}

TEST_F(DownloadManagerTest, AbortStopsTheTransferAndNoObserverCallFollows) {
    // The whole body takes the server some 100 s: an Abort that let it run
    // to its end would be far past the bound below.
    ASSERT_TRUE(Routes(R"({"/slow": {"generate": 4000000, "chunk_size": 8192, "chunk_delay_ms": 200}})"));
    // With the cache bits set, so an aborted transfer must not reach the cache either.
    auto* info = File(Target(L"slow.bin"), {Url("/slow")}, 4000000);
    SetSha1(info, GeneratedBytes(0, 4000000));
    info->flags |= kFlagUseCache;
    const std::wstring entry = GetDownloadCacheEntryPath(info->sha1).GetString();
    DeleteFileW(entry.c_str());
    std::vector<DownloadInfoBase*> infos{info};
    m_manager.Start(&m_observer, infos, 4000000, 1);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_observer.FirstProgress(), 30000)) << "no progress call";
    const ULONGLONG before = GetTickCount64();
    m_manager.Abort();
    EXPECT_LT(GetTickCount64() - before, 30000u) << "Abort should end the transfer at its next progress call";
    const size_t calls = m_observer.CallCount();
    Sleep(500);
    EXPECT_EQ(calls, m_observer.CallCount()) << "an observer call arrived after Abort returned";

    DownloadTaskBase* task = m_manager.GetTask(0);
    EXPECT_EQ(DownloadTaskBase::kDone, task->GetState());
    EXPECT_EQ(DownloadTaskBase::kFailed, task->GetResult());
    EXPECT_EQ(0, m_manager.FindFailedTask());
    EXPECT_EQ(1u, static_cast<unsigned>(Hits("/slow"))) << "a stopping batch tries nothing again";
    EXPECT_LT(m_manager.GetProgress(), 1.0);
    // Nothing half-written is left, neither at the target nor beside it.
    EXPECT_FALSE(Exists(Target(L"slow.bin")));
    EXPECT_FALSE(Exists(Target(L"slow.bin.dl")));
    EXPECT_FALSE(Exists(entry));
    // Stop then forgets the batch.
    m_manager.Stop();
    EXPECT_EQ(0u, m_manager.GetTaskCount());
    EXPECT_EQ(DownloadManager::kIdle, m_manager.GetState());
    EXPECT_EQ(0u, m_manager.GetDownloadedBytes());
}

TEST_F(DownloadManagerTest, AbortWhileWaitingForTheAnswerEndsAtOnce) {
    ASSERT_TRUE(Routes(R"({"/late": {"body": "x", "delay_ms": 120000}})"));
    std::vector<DownloadInfoBase*> infos{File(Target(L"late"), {Url("/late")})};
    m_manager.Start(&m_observer, infos, 0, 1);
    // The request is in: the worker now waits for the answer.
    testing_support::WaitUntil([&] { return Hits("/late") >= 1; });
    ASSERT_EQ(1, Hits("/late"));
    const ULONGLONG before = GetTickCount64();
    m_manager.Abort();
    // One that missed it would wait out the silent peer: 60 s at least.
    EXPECT_LT(GetTickCount64() - before, 20000u);
    EXPECT_EQ(0, m_manager.FindFailedTask());
    EXPECT_FALSE(Exists(Target(L"late.dl")));
}

TEST_F(DownloadManagerTest, TaskNoWorkerClaimedFailsVisibly) {
    // What the monitor does when the batch's workers could not run a task.
    auto* info = File(Target(L"x"), {Url("/x")});
    std::unique_ptr<DownloadTaskBase> task(MakeDownloadTask(&m_manager, info, 0));
    ASSERT_TRUE(task->FailUnclaimed(L"没有可用的下载线程"));
    EXPECT_EQ(DownloadTaskBase::kDone, task->GetState());
    EXPECT_EQ(DownloadTaskBase::kFailed, task->GetResult());
    EXPECT_EQ("没有可用的下载线程", MessageOf(task.get()));
    EXPECT_EQ(1, m_manager.GetFinishedCount());
    EXPECT_FALSE(task->FailUnclaimed(L"again")) << "a task ends once";
    EXPECT_EQ(1, m_manager.GetFinishedCount());
    m_manager.Stop();  // zeroes the counters the task touched
}

TEST_F(DownloadManagerTest, DroppedConnectionsLeaveTheOldTargetAndNoPartialFile) {
    ASSERT_TRUE(Routes(R"({"/cut": {"generate": 300000, "truncate_at": 100000}})"));
    testing_support::WriteBytes(Target(L"lib.jar"), "the good old file");
    DownloadTaskBase* task = RunOne(File(Target(L"lib.jar"), {Url("/cut")}, 300000));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kFailed, task->GetResult());
    EXPECT_EQ(3, Hits("/cut"));
    EXPECT_EQ("the good old file", ReadBytes(Target(L"lib.jar")));
    EXPECT_FALSE(Exists(Target(L"lib.jar.dl")));
    // The cut attempts' bytes were taken back out of the batch's count.
    EXPECT_EQ(0u, m_manager.GetDownloadedBytes());
    EXPECT_GE(m_manager.GetTransferredBytes(), 3u * 100000u);
}

TEST_F(DownloadManagerTest, RetriedBytesAreTakenBackSoProgressNeverPassesOne) {
    ASSERT_TRUE(Routes(R"({"/flaky": {"responses": [{"generate": 200000, "truncate_at": 150000},
                                                     {"generate": 200000}]}})"));
    RunBatch({File(Target(L"flaky"), {Url("/flaky")}, 200000)}, 1, 200000);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, m_manager.GetTask(0)->GetResult());
    EXPECT_EQ(200000u, m_manager.GetDownloadedBytes());
    EXPECT_EQ(350000u, m_manager.GetTransferredBytes());
    EXPECT_EQ(1.0, m_manager.GetProgress());
    EXPECT_THAT(m_observer.TaskCodes(0), ElementsAre(kTaskStarted, kTaskRetryUrl, kTaskFinished));
}

TEST_F(DownloadManagerTest, ProgressWithoutATotalIsTheShareOfSucceededTasks) {
    ASSERT_TRUE(Routes(R"({"/ok": {"body": "1"}, "/bad": {"status": 404}})"));
    RunBatch({File(Target(L"1"), {Url("/ok")}), File(Target(L"2"), {Url("/bad")}), File(Target(L"3"), {Url("/ok")}),
              File(Target(L"4"), {Url("/ok")})},
             2, 0);
    EXPECT_EQ(3, m_manager.GetSucceededCount());
    EXPECT_DOUBLE_EQ(0.75, m_manager.GetProgress());
    EXPECT_EQ(1, m_manager.FindFailedTask());
}

TEST_F(DownloadManagerTest, StalledTransferTakesTheRetryPath) {
    // The peer sends part of the body, then nothing: with the low-speed
    // window at 2 s the attempt fails and the next one gets the file.
    m_manager.SetLowSpeedSeconds(2);
    ASSERT_TRUE(Routes(R"({"/stall": {"responses": [{"generate": 100000, "stall_after": 20000},
                                                     {"generate": 100000}]},
                          "/silent": {"responses": [{"delay_ms": 600000, "body": "never"}, {"body": "late"}]}})"));
    const ULONGLONG start = GetTickCount64();
    RunBatch({File(Target(L"stall"), {Url("/stall")}, 100000), File(Target(L"silent"), {Url("/silent")})}, 2);
    const ULONGLONG elapsed = GetTickCount64() - start;
    DownloadTaskBase* stalled = m_manager.GetTask(0);
    DownloadTaskBase* silent = m_manager.GetTask(1);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, stalled->GetResult()) << MessageOf(stalled);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, silent->GetResult()) << MessageOf(silent);
    EXPECT_THAT(m_observer.TaskCodes(0), ElementsAre(kTaskStarted, kTaskRetryUrl, kTaskFinished));
    EXPECT_THAT(m_observer.TaskCodes(1), ElementsAre(kTaskStarted, kTaskRetryUrl, kTaskFinished));
    EXPECT_EQ(GeneratedBytes(0, 100000), ReadBytes(Target(L"stall")));
    EXPECT_EQ("late", ReadBytes(Target(L"silent")));
    EXPECT_LT(elapsed, 60000u);  // the silent peer alone would hold it 600 s
}

TEST_F(DownloadManagerTest, SlowTransferReportsProgressAndSpeed) {
    ASSERT_TRUE(Routes(R"({"/trickle": {"generate": 300000, "chunk_size": 10000, "chunk_delay_ms": 50}})"));
    const ULONGLONG start = GetTickCount64();
    RunBatch({File(Target(L"trickle"), {Url("/trickle")}, 300000)}, 1, 300000);
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_EQ(DownloadTaskBase::kSucceeded, m_manager.GetTask(0)->GetResult());
    const std::vector<int32_t> codes = m_observer.TaskCodes(0, true);
    const long progressCalls = std::count(codes.begin(), codes.end(), kTaskProgress);
    // At least 1.5 s of transfer: several calls, but at most one per 200 ms
    // of however long it took here.
    EXPECT_GE(progressCalls, 3);
    EXPECT_LE(progressCalls, static_cast<long>(elapsed / 200 + 2)) << elapsed << " ms";
    EXPECT_EQ(0u, m_manager.GetSpeed()) << "the speed is 0 once the batch has ended";
}

TEST_F(DownloadManagerTest, ManyFilesReuseEachWorkersConnection) {
    ASSERT_TRUE(Routes(R"({"/obj/*": {"generate": 3000}})"));
    const int before = Server().Connections();
    std::vector<DownloadInfoBase*> infos;
    for (int i = 0; i < 200; ++i) {
        auto* info = File(Target(L"obj\\" + std::to_wstring(i)), {Url("/obj/" + std::to_string(i))}, 3000);
        SetSha1(info, GeneratedBytes(0, 3000));
        infos.push_back(info);
    }
    RunBatch(infos, 4, 200 * 3000);
    EXPECT_EQ(200, m_manager.GetSucceededCount());
    EXPECT_EQ(200u * 3000u, m_manager.GetDownloadedBytes());
    EXPECT_LE(Server().Connections() - before, 4) << "one kept-alive connection per worker";
    for (int i : {0, 99, 199}) EXPECT_EQ(1, Hits("/obj/" + std::to_string(i)));
}

TEST_F(DownloadManagerTest, AManagerRunsOneBatchAfterAnother) {
    ASSERT_TRUE(Routes(R"({"/one": {"body": "1"}, "/two": {"body": "22"}})"));
    RunBatch({File(Target(L"one"), {Url("/one")})});
    EXPECT_EQ(1, m_manager.GetSucceededCount());
    RecordingObserver second;
    std::vector<DownloadInfoBase*> infos{File(Target(L"two"), {Url("/two")})};
    m_manager.Start(&second, infos, 0, 1);
    ASSERT_TRUE(second.WaitForBatchEnd(60000));
    EXPECT_EQ(1u, m_manager.GetTaskCount());
    EXPECT_EQ(1, m_manager.GetSucceededCount());
    EXPECT_EQ(2u, m_manager.GetDownloadedBytes());
    EXPECT_EQ("22", ReadBytes(Target(L"two")));
}

// The launcher's own executable comes only from a server that a trusted CA
// vouches for; game files are fetched whoever signed the certificate.
// Checked and unchecked transfers take turns on the same handles and share
// TLS sessions, so neither setting may leak into the other.
TEST(DownloadManagerHttps, OnlyTheUpdateKindChecksTheCertificate) {
    testing_support::TestHttpServer server;
    ASSERT_TRUE(server.Start(testing_support::TestHttpServer::Scheme::Https)) << server.LastError();
    ASSERT_TRUE(server.SetRoutes(R"({"/s/*": {"generate": 20000}})"));
    for (const bool trusted : {false, true}) {
        SCOPED_TRACE(trusted ? "the server's own CA trusted" : "another CA trusted");
        testing_support::VerifiedTlsRoots roots(trusted ? server.CaFile() : server.OtherCaFile());
        testing_support::TempDir dir;
        DownloadManager manager;
        RecordingObserver observer;
        std::vector<DownloadInfoBase*> infos;
        for (int i = 0; i < 6; ++i) {
            auto* info = new DownloadInfoCommonFile();
            info->target = (dir / (L"s" + std::to_wstring(i))).c_str();
            info->urls.emplace_back(WString(testing_support::Widen(server.Url("/s/" + std::to_string(i))).c_str()),
                                    i % 2 ? kSourceUpdate : kSourceOfficial);
            infos.push_back(info);
        }
        manager.Start(&observer, infos, 0, 3);
        ASSERT_TRUE(observer.WaitForBatchEnd(60000));
        for (uint32_t i = 0; i < 6; ++i) {
            const bool checked = i % 2 != 0;
            const int32_t expected = trusted || !checked ? DownloadTaskBase::kSucceeded : DownloadTaskBase::kFailed;
            EXPECT_EQ(expected, manager.GetTask(i)->GetResult()) << i << ": " << MessageOf(manager.GetTask(i));
        }
        EXPECT_EQ(GeneratedBytes(0, 20000), ReadBytes(dir / L"s4"));
    }
}

}  // namespace
}  // namespace download_test
