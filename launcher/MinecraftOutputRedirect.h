// The reading side of the game-output relay, in the output-window process:
// reads the game's standard output and error on threads of their own, cuts
// the output into lines with their log levels, and hands the texts to the
// window through bounded single-producer queues. A third thread waits for
// the game and reports its exit code and running time.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include <boost/lockfree/spsc_queue.hpp>

#include "core/noncopyable.h"

namespace trelm {
namespace launcher {
namespace redirect {

enum OutputSource : int { kSourceStdout = 0, kSourceStderr = 1, kSourceRelay = 2 };
enum LogLevel : int32_t { kLevelNone = 0, kLevelInfo = 1, kLevelWarn = 2, kLevelError = 3, kLevelFatal = 4 };

// One line (or standard-error chunk). The text is NUL-terminated, allocated
// with new[] and owned by whoever holds the entry; FreeOutputLine frees it.
struct OutputLine {
    wchar_t* text = nullptr;
    int32_t length = 0;  // characters, without the NUL
    int32_t level = kLevelNone;
};
void FreeOutputLine(OutputLine& line);

class IMinecraftOutputRedirectObserver {
public:
    virtual ~IMinecraftOutputRedirectObserver() = default;
    // Called on a reader or the monitor thread: texts wait in that source's queue.
    virtual void OnOutput(int source) = 0;
    virtual void OnEnded() = 0;
};

// The level of a line "[hh:mm:ss] [thread/LEVEL]...": 1 INFO, 2 WARN,
// 3 ERROR, 4 FATAL, 0 for anything else.
int ClassifyLogLevel(const wchar_t* text, int length);

class MinecraftOutputRedirect : private wendal_::noncopyable {
public:
    static const size_t kStdoutCapacity = 1024;
    static const size_t kStderrCapacity = 512;
    static const size_t kMonitorCapacity = 32;
    // How long the readers may go on draining the pipes after the game has
    // ended; a process the game started may hold the write ends for ever.
    static const DWORD kDrainGraceMs = 2000;
    // An unfinished line longer than this is shown as a line of its own.
    static const int kMaxCarry = 128;

    MinecraftOutputRedirect() = default;
    virtual ~MinecraftOutputRedirect();

    // Takes ownership of the four handles.
    bool Start(IMinecraftOutputRedirectObserver* observer, HANDLE process, HANDLE stdoutRead, HANDLE stderrRead,
               HANDLE stdinWrite);
    // Cancels the readers at once and closes everything; false when no
    // process was held.
    bool Stop();

    // For the consumer thread; false when the source's queue is empty.
    bool Pop(int source, OutputLine& line);
    // [0] standard-error chunks, [1] INFO, [2] WARN, [3] ERROR, [4] FATAL.
    int32_t Counter(int index) const { return m_counters[index].load(); }

private:
    using Queue = boost::lockfree::spsc_queue<OutputLine>;

    static unsigned __stdcall MonitorThread(void* self);
    static unsigned __stdcall StdoutThread(void* self);
    static unsigned __stdcall StderrThread(void* self);
    void RunMonitor();
    void RunStdout();
    void RunStderr();
    // Lets the readers reach the end of their pipes, up to the grace time
    // or until Stop; then cancels whatever still blocks.
    void DrainReaders(bool stopped);
    void EndReaders();
    void Push(Queue& queue, const wchar_t* text, int length, int32_t level);
    void PushStderr(const wchar_t* text, int length);
    void Notify(int source);

    std::unique_ptr<Queue> m_stdoutQueue;
    std::unique_ptr<Queue> m_stderrQueue;
    std::unique_ptr<Queue> m_monitorQueue;
    std::atomic<IMinecraftOutputRedirectObserver*> m_observer{nullptr};
    std::atomic<int32_t> m_counters[5] = {};
    HANDLE m_process = nullptr;
    HANDLE m_stdoutRead = nullptr;
    HANDLE m_stderrRead = nullptr;
    HANDLE m_stdinWrite = nullptr;
    HANDLE m_monitorThread = nullptr;
    HANDLE m_stdoutThread = nullptr;
    HANDLE m_stderrThread = nullptr;
    HANDLE m_stopEvent = nullptr;
    std::atomic<int32_t> m_gameEnded{0};
};

}  // namespace redirect
}  // namespace launcher
}  // namespace trelm
