#include "launcher/MinecraftOutputRedirect.h"

#include <process.h>

#include <cstring>
#include <cwctype>

#include "core/TextFormat.h"
#include "core/WString.h"

namespace trelm {
namespace launcher {
namespace redirect {

namespace {

const DWORD kStdoutReadSize = 0x80000;
const int kStdoutWideSize = 0x80080;  // room for the carried characters
const DWORD kStderrReadSize = 1024;

// What std::wregex takes for "\d" and for the ends of ".": the runtime's
// digit class (it includes full-width and other non-ASCII digits) and the
// four line terminators, U+2028 and U+2029 among them.
bool IsDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || (c > 0x7F && iswdigit(c)); }
bool IsLineBreak(wchar_t c) { return c == L'\n' || c == L'\r' || c == L'\u2028' || c == L'\u2029'; }

// "[dd:dd:dd] [" at text; the 12 characters that open a log line.
bool HasTimePrefix(const wchar_t* text) {
    static const wchar_t kShape[] = L"[00:00:00] [";
    for (int i = 0; i < 12; ++i) {
        if (kShape[i] == L'0' ? !IsDigit(text[i]) : text[i] != kShape[i]) return false;
    }
    return true;
}

// Whether the last byte of bytes is the first half of a double-byte
// character in the ANSI code page, whose second half is still in the pipe.
bool EndsInLeadByte(const char* bytes, int count) {
    int i = 0;
    while (i < count) i += IsDBCSLeadByte(static_cast<BYTE>(bytes[i])) ? 2 : 1;
    return i > count;
}

// A lead byte still held when its pipe ends: the game's last byte, shown
// as the code page shows a lone lead byte, or as U+FFFD.
int ConvertLoneByte(char byte, wchar_t* out) {
    const int converted = MultiByteToWideChar(CP_ACP, 0, &byte, 1, out, 2);
    if (converted > 0) return converted;
    out[0] = L'\uFFFD';
    return 1;
}

HANDLE StartSuspended(unsigned(__stdcall* routine)(void*), void* argument) {
    return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, routine, argument, CREATE_SUSPENDED, nullptr));
}

}  // namespace

void FreeOutputLine(OutputLine& line) {
    delete[] line.text;
    line.text = nullptr;
    line.length = 0;
}

// The same result as searching for "\[\d{2}:\d{2}:\d{2}\] \[.*?/" with
// std::wregex, without its recursion, which a long line would turn into a
// stack overflow: the first "[hh:mm:ss] [" followed, before any line break,
// by a '/'; the level word must come right after that '/'.
int ClassifyLogLevel(const wchar_t* text, int length) {
    int matchEnd = -1;
    for (int start = 0; start + 12 <= length && matchEnd < 0;) {
        if (text[start] != L'[' || !HasTimePrefix(text + start)) {
            ++start;
            continue;
        }
        int i = start + 12;
        while (i < length && text[i] != L'/' && !IsLineBreak(text[i])) ++i;
        if (i == length) return kLevelNone;
        if (text[i] == L'/') {
            matchEnd = i + 1;
        } else {
            // Every later start before this line break would stop here too.
            start = i + 1;
        }
    }
    if (matchEnd < 0) return kLevelNone;
    const wchar_t* rest = text + matchEnd;
    const int left = length - matchEnd;
    if (left >= 4 && wcsncmp(rest, L"INFO", 4) == 0) return kLevelInfo;
    if (left >= 4 && wcsncmp(rest, L"WARN", 4) == 0) return kLevelWarn;
    if (left >= 5 && wcsncmp(rest, L"ERROR", 5) == 0) return kLevelError;
    if (left >= 5 && wcsncmp(rest, L"FATAL", 5) == 0) return kLevelFatal;
    return kLevelNone;
}

MinecraftOutputRedirect::~MinecraftOutputRedirect() { Stop(); }

bool MinecraftOutputRedirect::Start(IMinecraftOutputRedirectObserver* observer, HANDLE process, HANDLE stdoutRead,
                                    HANDLE stderrRead, HANDLE stdinWrite) {
    Stop();
    m_observer = observer;
    m_process = process;
    m_stdoutRead = stdoutRead;
    m_stderrRead = stderrRead;
    m_stdinWrite = stdinWrite;
    for (auto& counter : m_counters) counter = 0;
    m_gameEnded = 0;
    m_stdoutQueue.reset(new Queue(kStdoutCapacity));
    m_stderrQueue.reset(new Queue(kStderrCapacity));
    m_monitorQueue.reset(new Queue(kMonitorCapacity));
    m_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // Suspended until all three exist: the monitor waits on the readers.
    m_monitorThread = StartSuspended(&MonitorThread, this);
    m_stdoutThread = StartSuspended(&StdoutThread, this);
    m_stderrThread = StartSuspended(&StderrThread, this);
    for (HANDLE thread : {m_monitorThread, m_stdoutThread, m_stderrThread}) {
        if (thread != nullptr) ResumeThread(thread);
    }
    return true;
}

bool MinecraftOutputRedirect::Stop() {
    if (!m_stdoutQueue) return false;  // not started, or stopped already
    // A start without a process still has threads and handles to end.
    const bool held = m_process != nullptr;
    m_observer = nullptr;
    SetEvent(m_stopEvent);
    // Without the monitor nobody else would wake a reader blocked in ReadFile.
    if (m_monitorThread == nullptr) EndReaders();
    HANDLE threads[3];
    DWORD count = 0;
    for (HANDLE thread : {m_monitorThread, m_stdoutThread, m_stderrThread}) {
        if (thread != nullptr) threads[count++] = thread;
    }
    if (count > 0) WaitForMultipleObjects(count, threads, TRUE, INFINITE);
    for (HANDLE* handle : {&m_monitorThread, &m_stdoutThread, &m_stderrThread, &m_stopEvent, &m_process,
                           &m_stdoutRead, &m_stderrRead, &m_stdinWrite}) {
        if (*handle != nullptr && *handle != INVALID_HANDLE_VALUE) CloseHandle(*handle);
        *handle = nullptr;
    }
    for (Queue* queue : {m_stdoutQueue.get(), m_stderrQueue.get(), m_monitorQueue.get()}) {
        OutputLine line;
        while (queue->pop(line)) FreeOutputLine(line);
    }
    m_stdoutQueue.reset();
    m_stderrQueue.reset();
    m_monitorQueue.reset();
    return held;
}

bool MinecraftOutputRedirect::Pop(int source, OutputLine& line) {
    Queue* queues[3] = {m_stdoutQueue.get(), m_stderrQueue.get(), m_monitorQueue.get()};
    if (source < 0 || source > 2 || queues[source] == nullptr) return false;
    return queues[source]->pop(line);
}

void MinecraftOutputRedirect::Push(Queue& queue, const wchar_t* text, int length, int32_t level) {
    OutputLine line;
    line.text = new wchar_t[static_cast<size_t>(length) + 1];
    memcpy(line.text, text, sizeof(wchar_t) * static_cast<size_t>(length));
    line.text[length] = L'\0';
    line.length = length;
    line.level = level;
    // A full queue drops the newest text rather than stall the game's pipe.
    if (!queue.push(line)) FreeOutputLine(line);
}

void MinecraftOutputRedirect::Notify(int source) {
    IMinecraftOutputRedirectObserver* observer = m_observer;
    if (observer != nullptr) observer->OnOutput(source);
}

unsigned __stdcall MinecraftOutputRedirect::MonitorThread(void* self) {
    static_cast<MinecraftOutputRedirect*>(self)->RunMonitor();
    return 0;
}

unsigned __stdcall MinecraftOutputRedirect::StdoutThread(void* self) {
    static_cast<MinecraftOutputRedirect*>(self)->RunStdout();
    return 0;
}

unsigned __stdcall MinecraftOutputRedirect::StderrThread(void* self) {
    static_cast<MinecraftOutputRedirect*>(self)->RunStderr();
    return 0;
}

void MinecraftOutputRedirect::EndReaders() {
    m_gameEnded = 1;
    // A reader may be just about to enter ReadFile, so cancel until it is gone.
    for (HANDLE thread : {m_stdoutThread, m_stderrThread}) {
        if (thread == nullptr) continue;
        while (WaitForSingleObject(thread, 20) == WAIT_TIMEOUT) CancelSynchronousIo(thread);
    }
}

void MinecraftOutputRedirect::DrainReaders(bool stopped) {
    // The last lines of a crash are often still in the pipes when the game
    // ends; the readers stop by themselves at the end of their pipes.
    const DWORD deadline = GetTickCount() + kDrainGraceMs;
    for (HANDLE thread : {m_stdoutThread, m_stderrThread}) {
        if (stopped || thread == nullptr) continue;
        const DWORD now = GetTickCount();
        const DWORD remaining = static_cast<int32_t>(deadline - now) > 0 ? deadline - now : 0;
        HANDLE waits[2] = {thread, m_stopEvent};
        if (WaitForMultipleObjects(2, waits, FALSE, remaining) == WAIT_OBJECT_0 + 1) stopped = true;
    }
    EndReaders();
}

void MinecraftOutputRedirect::RunMonitor() {
    HANDLE waits[2] = {m_process, m_stopEvent};
    const DWORD result = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    const DWORD error = GetLastError();
    WString text;
    if (result == WAIT_OBJECT_0) {
        DrainReaders(false);
        uint64_t runTime = 0;
        FILETIME created, exited, kernel, user;
        if (GetProcessTimes(m_process, &created, &exited, &kernel, &user)) {
            const uint64_t start = (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
            const uint64_t end = (static_cast<uint64_t>(exited.dwHighDateTime) << 32) | exited.dwLowDateTime;
            runTime = end - start;
        }
        DWORD exitCode = 0xFFFFFFFFu;
        GetExitCodeProcess(m_process, &exitCode);
        text.Format(L"Process exited with code 0x%08X, running time:%s\r\n", static_cast<unsigned>(exitCode),
                    FormatDuration(runTime).GetString());
    } else if (result == WAIT_OBJECT_0 + 1) {
        DrainReaders(true);
    } else {
        EndReaders();
        text.Format(L"MonitorThread failed with WaitForMultipleObjects %u,%u\r\n", static_cast<unsigned>(result),
                    static_cast<unsigned>(error));
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    WString line;
    line.Format(L"[%02d:%02d:%02d] [%s]: %s", now.wHour, now.wMinute, now.wSecond, L"TRELM", text.GetString());
    Push(*m_monitorQueue, line.GetString(), line.GetLength(), kLevelNone);
    IMinecraftOutputRedirectObserver* observer = m_observer;
    if (observer != nullptr) {
        observer->OnOutput(kSourceRelay);
        observer->OnEnded();
    }
}

void MinecraftOutputRedirect::RunStderr() {
    char bytes[kStderrReadSize];
    int heldByte = 0;  // as in RunStdout: a lead byte waits for its second half
    while (!m_gameEnded) {
        DWORD got = 0;
        if (!ReadFile(m_stderrRead, bytes + heldByte, kStderrReadSize - heldByte, &got, nullptr) || got == 0) break;
        int count = heldByte + static_cast<int>(got);
        heldByte = 0;
        if (EndsInLeadByte(bytes, count)) {
            --count;
            heldByte = 1;
        }
        WString chunk;
        chunk.AssignAnsi(bytes, count);
        if (heldByte) bytes[0] = bytes[count];
        if (count == 0) continue;
        PushStderr(chunk.GetString(), chunk.GetLength());
    }
    if (heldByte) {
        wchar_t last[2];
        PushStderr(last, ConvertLoneByte(bytes[0], last));
    }
}

void MinecraftOutputRedirect::PushStderr(const wchar_t* text, int length) {
    ++m_counters[0];
    Push(*m_stderrQueue, text, length, kLevelNone);
    Notify(kSourceStderr);
}

void MinecraftOutputRedirect::RunStdout() {
    std::unique_ptr<char[]> bytes(new char[kStdoutReadSize]);
    std::unique_ptr<wchar_t[]> wide(new wchar_t[kStdoutWideSize]);
    int carry = 0;
    int heldByte = 0;  // 1 when bytes[0] is a lead byte kept from the last read
    int32_t lastLevel = kLevelNone;
    // Lines without a level of their own (stack traces) take the level of
    // the line that began them.
    auto emit = [&](const wchar_t* text, int length) {
        const int level = ClassifyLogLevel(text, length);
        if (level != kLevelNone) {
            ++m_counters[level];
            lastLevel = level;
        }
        Push(*m_stdoutQueue, text, length, lastLevel);
    };
    while (!m_gameEnded) {
        DWORD got = 0;
        if (!ReadFile(m_stdoutRead, bytes.get() + heldByte, kStdoutReadSize - heldByte, &got, nullptr) || got == 0)
            break;
        int count = heldByte + static_cast<int>(got);
        heldByte = 0;
        if (EndsInLeadByte(bytes.get(), count)) {
            --count;
            heldByte = 1;
        }
        const int converted =
            count > 0 ? MultiByteToWideChar(CP_ACP, 0, bytes.get(), count, wide.get() + carry, kStdoutReadSize) : 0;
        if (heldByte) bytes[0] = bytes[count];
        if (converted <= 0) continue;

        const int total = carry + converted;
        int lineStart = 0;
        for (int i = 0; i + 1 < total; ++i) {
            if (wide[i] != L'\r') continue;
            emit(wide.get() + lineStart, i + 2 - lineStart);
            lineStart = i + 2;
            i = lineStart - 1;
        }
        const int rest = total - lineStart;
        carry = 0;
        if (rest > kMaxCarry) {
            emit(wide.get() + lineStart, rest);
        } else if (rest > 0) {
            memmove(wide.get(), wide.get() + lineStart, sizeof(wchar_t) * static_cast<size_t>(rest));
            carry = rest;
        }
        Notify(kSourceStdout);
    }
    // The unfinished last line of a game that has ended is still output,
    // to its last byte.
    if (heldByte) carry += ConvertLoneByte(bytes[0], wide.get() + carry);
    if (carry > 0) {
        emit(wide.get(), carry);
        Notify(kSourceStdout);
    }
}

}  // namespace redirect
}  // namespace launcher
}  // namespace trelm
