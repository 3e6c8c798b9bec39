#include "services/CrashHandler.h"

#include <dbghelp.h>

#include "core/FileUtils.h"
#include "core/ScopedHandle.h"
#include "core/Win32Error.h"
#include "services/ProgramVersion.h"

namespace {

const wchar_t kCrashDumpFolder[] = L"quorvel_launcher\\crash_dump\\";
const wchar_t kCrashCaption[] = L"Minecraft QuorvelLauncher(TRELM)";

// Filled at crash time; static so the filter needs no heap for it.
wchar_t g_versionText[32];

void ShowMessageBox(const wchar_t* text, const wchar_t* caption) { MessageBoxW(nullptr, text, caption, MB_OK); }

CrashMessageSink g_messageSink = ShowMessageBox;

const wchar_t* VersionText() {
    LauncherVersion version;
    GetLauncherVersion(version);
    FormatShortText(g_versionText, L"%d.%d.%d.%d-%S", version.major, version.minor, version.build,
                    version.revision, kLauncherChannel);
    return g_versionText;
}

struct FaultModule {
    uintptr_t base = 0;
    WString name;
};

FaultModule FindFaultModule(const void* address) {
    FaultModule module;
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(address, &region, sizeof region) == 0) return module;
    module.base = reinterpret_cast<uintptr_t>(region.AllocationBase);
    // A jump to a null or freed address lies in no allocation; a null
    // module handle would name the executable instead.
    if (module.base == 0) return module;
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(static_cast<HMODULE>(region.AllocationBase), path, MAX_PATH);
    if (!GetFileNamePart(path, &module.name)) module.name = path;
    return module;
}

}  // namespace

const wchar_t* ExceptionCodeName(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION: return L"EXCEPTION_ACCESS_VIOLATION";
        case EXCEPTION_DATATYPE_MISALIGNMENT: return L"EXCEPTION_DATATYPE_MISALIGNMENT";
        case EXCEPTION_BREAKPOINT: return L"EXCEPTION_BREAKPOINT";
        case EXCEPTION_SINGLE_STEP: return L"EXCEPTION_SINGLE_STEP";
        case EXCEPTION_IN_PAGE_ERROR: return L"EXCEPTION_IN_PAGE_ERROR";
        case EXCEPTION_ILLEGAL_INSTRUCTION: return L"EXCEPTION_ILLEGAL_INSTRUCTION";
        case EXCEPTION_NONCONTINUABLE_EXCEPTION: return L"EXCEPTION_NONCONTINUABLE_EXCEPTION";
        case EXCEPTION_INVALID_DISPOSITION: return L"EXCEPTION_INVALID_DISPOSITION";
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: return L"EXCEPTION_ARRAY_BOUNDS_EXCEEDED";
        case EXCEPTION_FLT_DENORMAL_OPERAND: return L"EXCEPTION_FLT_DENORMAL_OPERAND";
        case EXCEPTION_FLT_DIVIDE_BY_ZERO: return L"EXCEPTION_FLT_DIVIDE_BY_ZERO";
        case EXCEPTION_FLT_INEXACT_RESULT: return L"EXCEPTION_FLT_INEXACT_RESULT";
        case EXCEPTION_FLT_INVALID_OPERATION: return L"EXCEPTION_FLT_INVALID_OPERATION";
        case EXCEPTION_FLT_OVERFLOW: return L"EXCEPTION_FLT_OVERFLOW";
        case EXCEPTION_FLT_STACK_CHECK: return L"EXCEPTION_FLT_STACK_CHECK";
        case EXCEPTION_FLT_UNDERFLOW: return L"EXCEPTION_FLT_UNDERFLOW";
        case EXCEPTION_INT_DIVIDE_BY_ZERO: return L"EXCEPTION_INT_DIVIDE_BY_ZERO";
        case EXCEPTION_INT_OVERFLOW: return L"EXCEPTION_INT_OVERFLOW";
        case EXCEPTION_PRIV_INSTRUCTION: return L"EXCEPTION_PRIV_INSTRUCTION";
        case EXCEPTION_STACK_OVERFLOW: return L"EXCEPTION_STACK_OVERFLOW";
        default: return L"UNKNOWN EXCEPTION";
    }
}

WString CrashDumpPath(const WString& fileName) { return WString(kCrashDumpFolder) + fileName.GetString(); }

namespace {

// threadId: the thread that raised the exception, which need not be the
// one writing the dump.
DWORD WriteCrashDumpOfThread(EXCEPTION_POINTERS* pointers, DWORD threadId, WString& dumpPath) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    WString fileName;
    fileName.Format(L"%04hu%02hu%02hu_%02hu%02hu%02hu%03hu.dmp", now.wYear, now.wMonth, now.wDay, now.wHour,
                    now.wMinute, now.wSecond, now.wMilliseconds);
    if (!CreateDirectoryTree(kCrashDumpFolder)) {
        // 0 would read as success.
        const DWORD error = GetLastError();
        return error != 0 ? error : ERROR_CANNOT_MAKE;
    }
    dumpPath = CrashDumpPath(fileName);
    ScopedHandle file(CreateFileW(dumpPath.GetString(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return GetLastError();

    MINIDUMP_EXCEPTION_INFORMATION exception;
    exception.ThreadId = threadId;
    exception.ExceptionPointers = pointers;
    exception.ClientPointers = FALSE;
    // For whoever opens the dump: which build crashed.
    WString comment;
    comment.Format(L"%s;%S %S;", VersionText(), __DATE__, __TIME__);
    MINIDUMP_USER_STREAM stream;
    stream.Type = CommentStreamW;
    stream.BufferSize = static_cast<ULONG>(comment.GetLength() * sizeof(wchar_t));
    stream.Buffer = const_cast<wchar_t*>(comment.GetString());
    MINIDUMP_USER_STREAM_INFORMATION streams;
    streams.UserStreamCount = 1;
    streams.UserStreamArray = &stream;
    const BOOL written = MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file.Get(), MiniDumpNormal,
                                           &exception, &streams, nullptr);
    const DWORD error = written ? 0 : GetLastError();
    file.Close();
    return error;
}

WString BuildCrashMessageOfThread(EXCEPTION_POINTERS* pointers, DWORD threadId) {
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    const FaultModule module = FindFaultModule(record.ExceptionAddress);
    WString dumpPath;
    const DWORD result = WriteCrashDumpOfThread(pointers, threadId, dumpPath);
    const WString dumpText = result == 0 ? dumpPath : FormatWin32Error(result);

    const uintptr_t address = reinterpret_cast<uintptr_t>(record.ExceptionAddress);
    const ULONG_PTR* info = record.ExceptionInformation;
    WString text;
    text.Format(L"QuorvelLauncher遇到了无法处理的错误，并且需要立刻关闭\r\nTRELMVersion:%s\nModule:0x%08X(%s)\r\n"
                L"ExceptionCode:0x%08X(%s)\r\nExceptionAddress:0x%08X(%s+0x%08X)\r\n"
                L"ExceptionInformation:0x%08X,0x%08X,0x%08X\r\nMiniDump:%s",
                VersionText(), static_cast<unsigned>(module.base), module.name.GetString(),
                static_cast<unsigned>(record.ExceptionCode), ExceptionCodeName(record.ExceptionCode),
                static_cast<unsigned>(address), module.name.GetString(), static_cast<unsigned>(address - module.base),
                static_cast<unsigned>(info[0]), static_cast<unsigned>(info[1]), static_cast<unsigned>(info[2]),
                dumpText.GetString());
    return text;
}

void ReportCrash(EXCEPTION_POINTERS* pointers, DWORD threadId) {
    const WString text = BuildCrashMessageOfThread(pointers, threadId);
    g_messageSink(text.GetString(), kCrashCaption);
}

// How long the crashed thread waits for a helper to write the dump. The
// crashed thread may hold a lock the helper needs (the heap's, the
// loader's); waiting for ever would leave a hung process behind.
const DWORD kHelperDumpLimitMs = 10000;

struct CrashReportWork {
    EXCEPTION_POINTERS* pointers;
    DWORD threadId;
    HANDLE dumpWritten;
};

// Outside any stack, since a helper that ran out of time outlives the
// filter's frame; the first overflow takes it.
CrashReportWork g_helperWork;
LONG g_helperWorkTaken = 0;

DWORD WINAPI ReportCrashThread(void* parameter) {
    const CrashReportWork* work = static_cast<const CrashReportWork*>(parameter);
    const WString text = BuildCrashMessageOfThread(work->pointers, work->threadId);
    SetEvent(work->dumpWritten);
    g_messageSink(text.GetString(), kCrashCaption);
    return 0;
}

// The report of a crashed thread made by a fresh thread; false when none
// could be started.
bool ReportOnHelperThread(EXCEPTION_POINTERS* pointers) {
    if (InterlockedExchange(&g_helperWorkTaken, 1) != 0) return false;
    g_helperWork.pointers = pointers;
    g_helperWork.threadId = GetCurrentThreadId();
    g_helperWork.dumpWritten = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!g_helperWork.dumpWritten) return false;
    const HANDLE thread = CreateThread(nullptr, 0, ReportCrashThread, &g_helperWork, 0, nullptr);
    if (!thread) return false;
    const HANDLE events[2] = {g_helperWork.dumpWritten, thread};
    // Once the dump is written, the message waits for the player.
    if (WaitForMultipleObjects(2, events, FALSE, kHelperDumpLimitMs) == WAIT_TIMEOUT) return true;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(g_helperWork.dumpWritten);
    return true;
}

}  // namespace

DWORD WriteCrashDump(EXCEPTION_POINTERS* pointers, WString& dumpPath) {
    return WriteCrashDumpOfThread(pointers, GetCurrentThreadId(), dumpPath);
}

WString BuildCrashMessage(EXCEPTION_POINTERS* pointers) {
    return BuildCrashMessageOfThread(pointers, GetCurrentThreadId());
}

void SetCrashMessageSink(CrashMessageSink sink) { g_messageSink = sink ? sink : ShowMessageBox; }

LONG WINAPI LauncherCrashFilter(EXCEPTION_POINTERS* pointers) {
    // A thread whose stack overflowed has only a few KB left; the dump
    // writer would fault again there, and the process would vanish with
    // neither dump nor message. A fresh thread does the work meanwhile.
    if (pointers->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW && ReportOnHelperThread(pointers))
        return EXCEPTION_CONTINUE_SEARCH;
    ReportCrash(pointers, GetCurrentThreadId());
    return EXCEPTION_CONTINUE_SEARCH;
}
