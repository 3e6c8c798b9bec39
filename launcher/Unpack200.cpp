#include "launcher/Unpack200.h"

#include "core/GlobalOrder.h"
#include "core/ProcessStart.h"
#include "core/Win32Error.h"
#include "launcher/ErrorMsg.h"

namespace trelm {
namespace launcher {

// Built in its place among the process-wide objects (core/GlobalOrder.h).
Unpack200Path g_unpack200Path QUORVEL_GLOBAL_ORDER(kOrderUnpack200Path);

namespace {

// How long a terminated unpacker may take to go away before its files are
// touched again; TerminateProcess returns before the process has ended.
constexpr DWORD kTerminateWaitMs = 5000;

void EndProcess(HANDLE process) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, kTerminateWaitMs);
}

}  // namespace

void SetUnpack200Path(const wchar_t* javaExecutable) {
    WString path;
    if (javaExecutable) {
        const WString executable(javaExecutable);
        int cut = -1;
        for (int i = 0; i < executable.GetLength(); ++i) {
            if (executable[i] == L'\\' || executable[i] == L'/') cut = i;
        }
        path = executable.Left(cut + 1);
        path.Append(L"unpack200.exe");
    }
    g_unpack200Path.Set(path);
}

void SetUnpack200PathFromJava(const JavaRuntimeInfo* runtime) {
    if (!runtime) return;
    if (runtime->origin == kJavaFromRegistry) {
        WString javaw;
        javaw.Format(L"%sbin\\javaw.exe", runtime->path.GetString());
        SetUnpack200Path(javaw);
    } else {
        SetUnpack200Path(runtime->path);
    }
}

WString GetUnpack200Path() { return g_unpack200Path.Get(); }

bool Unpack200JavaLibrary(const wchar_t* workingDir, const wchar_t* packName, const wchar_t* jarName,
                          HANDLE abortEvent, WString* message, DWORD timeoutMs) {
    const WString unpacker = g_unpack200Path.Get();
    if (unpacker.IsEmpty()) return Fail(message, L"Path of unpack200.exe is null ");

    WString commandLine;
    commandLine.Format(L"\"%s\" \"%s\" \"%s\"", unpacker.GetString(), packName, jarName);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!StartProcess(commandLine, nullptr, false, workingDir && *workingDir ? workingDir : nullptr, &startup,
                      &process)) {
        const WString error = LastErrorText();
        return Fail(message, L"Failed to run unpack200 %s", error.GetString());
    }

    const HANDLE waitFor[2] = {process.hProcess, abortEvent};
    const DWORD waited = WaitForMultipleObjects(abortEvent ? 2 : 1, waitFor, FALSE, timeoutMs);
    bool ok = false;
    if (waited == WAIT_OBJECT_0) {
        DWORD exitCode = 0;
        if (!GetExitCodeProcess(process.hProcess, &exitCode)) {
            const WString error = LastErrorText();
            Fail(message, L"Failed to get process exit code %s", error.GetString());
        } else if (exitCode != 0) {
            Fail(message, L"Unpack200 exit with 0x%08X", exitCode);
        } else {
            ok = true;
        }
    } else if (abortEvent && waited == WAIT_OBJECT_0 + 1) {
        EndProcess(process.hProcess);
        Fail(message, L"Aborted");
    } else if (waited == WAIT_TIMEOUT) {
        EndProcess(process.hProcess);
        Fail(message, L"Unpack200 timeout after %ums", timeoutMs);
    } else {
        const WString error = LastErrorText();
        EndProcess(process.hProcess);
        Fail(message, L"WaitForMultipleObjects()=%u,%s", waited, error.GetString());
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return ok;
}

}  // namespace launcher
}  // namespace trelm
