// The Java runtime's "unpack200.exe", which turns the pack200 archive of a
// Forge ".pack.xz" library back into a jar. Its path is one global, set from
// the chosen runtime before a download batch starts and read by the download
// workers under its own lock.
#pragma once

#include <windows.h>

#include "core/WString.h"
#include "launcher/JavaRuntimeInfo.h"

namespace trelm {
namespace launcher {

constexpr DWORD kUnpack200TimeoutMs = 20000;

// The path under its own lock, for the download workers that read it.
class Unpack200Path {
public:
    Unpack200Path() { InitializeCriticalSectionAndSpinCount(&m_lock, 4000); }
    ~Unpack200Path() { DeleteCriticalSection(&m_lock); }
    Unpack200Path(const Unpack200Path&) = delete;
    Unpack200Path& operator=(const Unpack200Path&) = delete;

    void Set(const WString& path) {
        EnterCriticalSection(&m_lock);
        m_path = path;
        LeaveCriticalSection(&m_lock);
    }
    WString Get() {
        EnterCriticalSection(&m_lock);
        WString copy = m_path;
        LeaveCriticalSection(&m_lock);
        return copy;
    }

private:
    CRITICAL_SECTION m_lock;
    WString m_path;
};

extern Unpack200Path g_unpack200Path;

// The unpacker beside the given Java executable; null clears the path.
void SetUnpack200Path(const wchar_t* javaExecutable);
// Uses "<home>bin\javaw.exe" of a runtime found in the registry and the
// stored executable of any other; null changes nothing.
void SetUnpack200PathFromJava(const JavaRuntimeInfo* runtime);
WString GetUnpack200Path();

// Runs "<unpacker>" "<pack>" "<jar>" in workingDir (the names are relative to
// it) and waits for it. A signalled abortEvent (may be null) or the time-out
// ends the unpacker.
bool Unpack200JavaLibrary(const wchar_t* workingDir, const wchar_t* packName, const wchar_t* jarName,
                          HANDLE abortEvent, WString* message, DWORD timeoutMs = kUnpack200TimeoutMs);

}  // namespace launcher
}  // namespace trelm
