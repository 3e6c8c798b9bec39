// Watches the games started from the launcher window: one thread waits on
// all their process handles and reports each exit with its code and times.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "core/WString.h"
#include "core/noncopyable.h"

namespace trelm {
namespace launcher {

struct RunningGame {
    uint64_t startTime = 0;  // FILETIME, UTC
    HANDLE process = nullptr;
    WString versionId;
    uint32_t serial = 0;
    uint32_t versionsApart = 0;
};

struct ExitedGame {
    uint64_t startTime = 0;
    uint64_t endTime = 0;
    uint64_t runTime = 0;  // 100-ns units
    HANDLE process = nullptr;  // still open; the taker closes it
    WString versionId;
    uint32_t exitCode = 0;  // all bits set when it could not be read
    uint32_t serial = 0;
    uint32_t versionsApart = 0;
};

class MinecraftInstanceManager : private wendal_::noncopyable {
public:
    // 63 processes and the wake event fill one wait.
    static const int kMaxGames = 63;

    MinecraftInstanceManager();
    virtual ~MinecraftInstanceManager();

    // Takes ownership of process; false (the caller keeps it) when 63 games
    // are already watched.
    bool Add(const wchar_t* versionId, HANDLE process, bool versionsApart);
    // Moves the record of an ended game out; false when there is none.
    bool TakeExited(uint32_t serial, ExitedGame& out);
    // Moves the record of the game that ended first out, whatever its
    // serial: a notice lost in a system modal loop is recovered by the next.
    bool TakeAnyExited(ExitedGame& out);
    // Ends the monitor thread and closes every handle; games keep running.
    void StopMonitor();

    // Thread routine; the argument is the manager.
    static unsigned __stdcall InstanceMonitorThread(void* manager);
    // Starts InstanceMonitorThread with _beginthreadex.
    bool StartMonitor();

protected:
    virtual void OnGameExited(uint32_t serial) = 0;

private:
    void MonitorLoop();

    std::vector<RunningGame> m_running;
    std::vector<ExitedGame> m_exited;
    CRITICAL_SECTION m_runningLock;
    CRITICAL_SECTION m_exitedLock;
    HANDLE m_wakeEvent = nullptr;
    HANDLE m_thread = nullptr;
    volatile LONG m_stopFlag = 0;
    volatile LONG m_runningCount = 0;
    uint32_t m_nextSerial = 0;
};

// Reports an exit as a thread message (wParam the serial) to the UI thread.
class MinecraftInstanceManagerMsgNotify : public MinecraftInstanceManager {
public:
    uint32_t message = 0;   // 0x81FF once the launcher starts
    uint32_t threadId = 0;  // the UI thread

protected:
    void OnGameExited(uint32_t serial) override;
};

const uint32_t kGameExitedMessage = 0x81FF;

// The launcher's one monitor; start-up points it at the UI thread.
extern MinecraftInstanceManagerMsgNotify g_instanceManager;

}  // namespace launcher
}  // namespace trelm
