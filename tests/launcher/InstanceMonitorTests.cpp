// The running-game monitor with real fake-game processes and with plain
// events standing in for games, reporting to a thread that owns a message
// queue, as the launcher's UI thread does.
#include <windows.h>

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "launcher/MinecraftInstanceManager.h"
#include "tests/support/FakeJava.h"

namespace {

using testing_support::FakeJavaHome;
using trelm::launcher::ExitedGame;
using trelm::launcher::MinecraftInstanceManagerMsgNotify;

// A thread with a message queue that collects the serials of 0x81FF.
class MessageThread {
public:
    MessageThread() {
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([this, ready] {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // creates the queue
            m_id = GetCurrentThreadId();
            SetEvent(ready);
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (msg.message != trelm::launcher::kGameExitedMessage) continue;
                std::lock_guard<std::mutex> lock(m_mutex);
                m_serials.push_back(static_cast<uint32_t>(msg.wParam));
            }
        });
        WaitForSingleObject(ready, INFINITE);
        CloseHandle(ready);
    }
    ~MessageThread() {
        PostThreadMessageW(m_id, WM_QUIT, 0, 0);
        m_thread.join();
    }
    DWORD Id() const { return m_id; }
    // The serials received once count have come (within 20 s), else what came.
    std::vector<uint32_t> WaitFor(size_t count) {
        for (int i = 0; i < 2000; ++i) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_serials.size() >= count) return m_serials;
            }
            Sleep(10);
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_serials;
    }

private:
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<uint32_t> m_serials;
    DWORD m_id = 0;
};

class InstanceMonitor : public testing::Test {
protected:
    void SetUp() override {
        manager.message = trelm::launcher::kGameExitedMessage;
        manager.threadId = ui.Id();
        ASSERT_TRUE(manager.StartMonitor());
    }
    void TearDown() override { manager.StopMonitor(); }

    PROCESS_INFORMATION StartGame(const std::wstring& exe) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        std::wstring line = L"\"" + exe + L"\"";
        EXPECT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
        CloseHandle(process.hThread);
        return process;
    }

    MessageThread ui;
    MinecraftInstanceManagerMsgNotify manager;
};

TEST_F(InstanceMonitor, ReportsEachGameWithItsCodeAndTimes) {
    FakeJavaHome java;
    const std::wstring release = java.Home() + L"release.txt";
    java.SetScript(L"java", "waitfile=" + testing_support::Narrow(release) + "\nsleep=400\nexit=3\n");
    java.SetScript(L"javaw", "exit=0\n");
    const PROCESS_INFORMATION slow = StartGame(java.JavaExe());
    ASSERT_TRUE(manager.Add(L"1.12.2", slow.hProcess, true));
    // The quick one has ended before it is even registered: its handle stays
    // signalled, so it is still reported.
    const PROCESS_INFORMATION quick = StartGame(java.JavawExe());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(quick.hProcess, 20000));
    ASSERT_TRUE(manager.Add(L"1.12.2", quick.hProcess, false));

    // The quick game, registered second, is reported first; the slow one
    // ends only once that report came.
    std::vector<uint32_t> serials = ui.WaitFor(1);
    testing_support::WriteBytes(release, "");
    ASSERT_EQ(1u, serials.size());
    EXPECT_EQ(1u, serials[0]);
    serials = ui.WaitFor(2);
    ASSERT_EQ(2u, serials.size());
    EXPECT_EQ(0u, serials[1]);
    ExitedGame first, second;
    ASSERT_TRUE(manager.TakeExited(0, first));
    // The other notice was lost: its record is still taken, in exit order.
    ASSERT_TRUE(manager.TakeAnyExited(second));
    EXPECT_EQ(1u, second.serial);
    EXPECT_FALSE(manager.TakeExited(1, second));
    EXPECT_FALSE(manager.TakeAnyExited(second));
    EXPECT_EQ(3u, first.exitCode);
    EXPECT_EQ(0u, second.exitCode);
    EXPECT_EQ(L"1.12.2", std::wstring(first.versionId.GetString()));
    EXPECT_EQ(1u, first.versionsApart);
    EXPECT_EQ(0u, second.versionsApart);
    EXPECT_EQ(first.endTime - first.startTime, first.runTime);
    EXPECT_GE(first.runTime, 2000000u);  // it slept 0.4 s after it was registered
    EXPECT_EQ(slow.hProcess, first.process);
    CloseHandle(first.process);
    CloseHandle(second.process);
}

TEST_F(InstanceMonitor, SixtyThreeAtMostAndUnreadableCodesAreAllBitsSet) {
    std::vector<HANDLE> events;
    for (int i = 0; i < 63; ++i) {
        events.push_back(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        ASSERT_TRUE(manager.Add(L"v", events.back(), false)) << i;
    }
    HANDLE extra = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_FALSE(manager.Add(L"v", extra, false));  // the caller keeps it

    SetEvent(events[10]);  // an event is no process: its exit code cannot be read
    ASSERT_EQ(1u, ui.WaitFor(1).size());
    ExitedGame game;
    ASSERT_TRUE(manager.TakeExited(10, game));
    EXPECT_EQ(0xFFFFFFFFu, game.exitCode);
    CloseHandle(game.process);
    EXPECT_TRUE(manager.Add(L"v", extra, false));  // room again

    // Stopping closes every handle still watched without waiting for them.
    manager.StopMonitor();
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(events[0], &flags));
    EXPECT_FALSE(GetHandleInformation(extra, &flags));
}

TEST_F(InstanceMonitor, StoppingLeavesRunningGamesAlive) {
    FakeJavaHome java;
    const std::wstring release = java.Home() + L"release.txt", after = java.Home() + L"after.txt";
    java.SetScript(L"javaw", "waitfile=" + testing_support::Narrow(release) + "\nwritefile=" +
                                 testing_support::Narrow(after) + "|ran on\nexit=0\n");
    const PROCESS_INFORMATION game = StartGame(java.JavawExe());
    ASSERT_TRUE(manager.Add(L"v", game.hProcess, false));
    manager.StopMonitor();

    HANDLE again = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, game.dwProcessId);
    ASSERT_NE(nullptr, again);
    testing_support::WriteBytes(release, "");
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(again, 20000));
    // It ran past the release to the end of its script, however long
    // stopping took.
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeProcess(again, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(testing_support::Exists(after));
    CloseHandle(again);
}

}  // namespace
