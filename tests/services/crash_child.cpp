// Crashes on purpose with the launcher's crash filter installed, for the
// crash handler's tests. The message goes to crash_message.txt in the
// working folder (caption, line feed, text; UTF-16) instead of a box.
#include <windows.h>

#include <malloc.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "services/CrashHandler.h"

namespace {

void WriteMessage(const wchar_t* text, const wchar_t* caption) {
    FILE* file = _wfopen(L"crash_message.txt", L"wb");
    if (!file) return;
    fwrite(caption, sizeof(wchar_t), wcslen(caption), file);
    fwrite(L"\n", sizeof(wchar_t), 1, file);
    fwrite(text, sizeof(wchar_t), wcslen(text), file);
    fclose(file);
}

// What the system does after the filter would start Wine's debugger, whose
// crash dialog nobody closes on a test display; the child ends itself
// instead, with the exception code when the filter let the crash go on.
LONG WINAPI EndAfterFilter(EXCEPTION_POINTERS* pointers) {
    const LONG result = LauncherCrashFilter(pointers);
    TerminateProcess(GetCurrentProcess(),
                     result == EXCEPTION_CONTINUE_SEARCH ? pointers->ExceptionRecord->ExceptionCode : 1);
    return result;
}

// Never equal to a depth, but the compiler cannot know.
volatile int g_noDepth = -1;

// Each call keeps a frame the compiler cannot fold away.
int Recurse(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    if (depth == g_noDepth) return frame[0];
    return Recurse(depth + 1) + frame[0];
}

}  // namespace

// No argument: an access violation at 0x10; "stack_overflow": endless
// recursion; "stack_overflow_heap_locked": the same while this thread
// holds the lock of the heap that the crash report needs.
int main(int argc, char** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(EndAfterFilter);
    SetCrashMessageSink(WriteMessage);
    if (argc > 1 && std::strcmp(argv[1], "stack_overflow") == 0) return Recurse(0);
    if (argc > 1 && std::strcmp(argv[1], "stack_overflow_heap_locked") == 0) {
        HeapLock(reinterpret_cast<HANDLE>(_get_heap_handle()));
        return Recurse(0);
    }
    // Through a variable, so the compiler cannot see the address.
    volatile uintptr_t address = 0x10;
    *reinterpret_cast<volatile int*>(address) = 1;
    return 0;
}
