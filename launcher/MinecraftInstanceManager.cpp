#include "launcher/MinecraftInstanceManager.h"

#include <process.h>

#include "core/GlobalOrder.h"

namespace trelm {
namespace launcher {

// Built in its place among the process-wide objects (core/GlobalOrder.h).
MinecraftInstanceManagerMsgNotify g_instanceManager QUORVEL_GLOBAL_ORDER(kOrderInstanceManager);

namespace {

uint64_t CurrentFileTime() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    FILETIME file;
    SystemTimeToFileTime(&now, &file);
    return (static_cast<uint64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

}  // namespace

MinecraftInstanceManager::MinecraftInstanceManager() {
    InitializeCriticalSectionAndSpinCount(&m_runningLock, 4000);
    InitializeCriticalSectionAndSpinCount(&m_exitedLock, 4000);
    m_wakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

MinecraftInstanceManager::~MinecraftInstanceManager() {
    if (m_wakeEvent != nullptr) CloseHandle(m_wakeEvent);
    DeleteCriticalSection(&m_runningLock);
    DeleteCriticalSection(&m_exitedLock);
}

bool MinecraftInstanceManager::Add(const wchar_t* versionId, HANDLE process, bool versionsApart) {
    if (m_runningCount >= kMaxGames) return false;
    InterlockedIncrement(&m_runningCount);
    RunningGame game;
    game.startTime = CurrentFileTime();
    game.process = process;
    game.versionId = versionId;
    game.versionsApart = versionsApart ? 1 : 0;
    EnterCriticalSection(&m_runningLock);
    game.serial = m_nextSerial++;
    m_running.push_back(std::move(game));
    LeaveCriticalSection(&m_runningLock);
    SetEvent(m_wakeEvent);
    return true;
}

bool MinecraftInstanceManager::TakeExited(uint32_t serial, ExitedGame& out) {
    bool found = false;
    EnterCriticalSection(&m_exitedLock);
    for (auto it = m_exited.begin(); it != m_exited.end(); ++it) {
        if (it->serial != serial) continue;
        out = std::move(*it);
        m_exited.erase(it);
        found = true;
        break;
    }
    LeaveCriticalSection(&m_exitedLock);
    return found;
}

bool MinecraftInstanceManager::TakeAnyExited(ExitedGame& out) {
    EnterCriticalSection(&m_exitedLock);
    const bool found = !m_exited.empty();
    if (found) {
        out = std::move(m_exited.front());
        m_exited.erase(m_exited.begin());
    }
    LeaveCriticalSection(&m_exitedLock);
    return found;
}

bool MinecraftInstanceManager::StartMonitor() {
    if (m_thread != nullptr) return true;
    m_thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &InstanceMonitorThread, this, 0, nullptr));
    return m_thread != nullptr;
}

unsigned __stdcall MinecraftInstanceManager::InstanceMonitorThread(void* manager) {
    static_cast<MinecraftInstanceManager*>(manager)->MonitorLoop();
    return 0;
}

void MinecraftInstanceManager::MonitorLoop() {
    std::vector<HANDLE> handles;
    while (true) {
        handles.assign(1, m_wakeEvent);
        EnterCriticalSection(&m_runningLock);
        for (const RunningGame& game : m_running) handles.push_back(game.process);
        LeaveCriticalSection(&m_runningLock);
        const DWORD count = static_cast<DWORD>(handles.size());
        const DWORD result = WaitForMultipleObjects(count, handles.data(), FALSE, INFINITE);
        if (result >= WAIT_OBJECT_0 + 1 && result < WAIT_OBJECT_0 + count) {
            ExitedGame exited;
            // Only this thread removes games, so the index still holds.
            EnterCriticalSection(&m_runningLock);
            const size_t index = result - WAIT_OBJECT_0 - 1;
            RunningGame& game = m_running[index];
            DWORD code = 0;
            exited.exitCode = GetExitCodeProcess(game.process, &code) ? code : 0xFFFFFFFFu;
            exited.startTime = game.startTime;
            exited.process = game.process;
            exited.versionId = game.versionId;
            exited.serial = game.serial;
            exited.versionsApart = game.versionsApart;
            m_running.erase(m_running.begin() + static_cast<ptrdiff_t>(index));
            LeaveCriticalSection(&m_runningLock);
            exited.endTime = CurrentFileTime();
            exited.runTime = exited.endTime - exited.startTime;
            const uint32_t serial = exited.serial;
            EnterCriticalSection(&m_exitedLock);
            m_exited.push_back(std::move(exited));
            LeaveCriticalSection(&m_exitedLock);
            InterlockedDecrement(&m_runningCount);
            OnGameExited(serial);
        } else if (result != WAIT_OBJECT_0) {
            break;  // a failed wait or an abandoned handle
        }
        if (m_stopFlag) break;
    }
}

void MinecraftInstanceManager::StopMonitor() {
    InterlockedExchange(&m_stopFlag, 1);
    SetEvent(m_wakeEvent);
    if (m_thread != nullptr) {
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    EnterCriticalSection(&m_runningLock);
    for (RunningGame& game : m_running) CloseHandle(game.process);
    m_running.clear();
    m_runningCount = 0;
    LeaveCriticalSection(&m_runningLock);
    EnterCriticalSection(&m_exitedLock);
    for (ExitedGame& game : m_exited) CloseHandle(game.process);
    m_exited.clear();
    LeaveCriticalSection(&m_exitedLock);
}

void MinecraftInstanceManagerMsgNotify::OnGameExited(uint32_t serial) {
    PostThreadMessageW(threadId, message, serial, 0);
}

}  // namespace launcher
}  // namespace trelm
