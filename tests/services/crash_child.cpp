// Crashes on purpose with the launcher's crash filter installed, for the
// crash handler's tests. The message goes to crash_message.txt in the
// working folder (caption, line feed, text; UTF-16) instead of a box.
#include <windows.h>

#include <cstdint>
#include <cstdio>

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

}  // namespace

int main() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(EndAfterFilter);
    SetCrashMessageSink(WriteMessage);
    // Through a variable, so the compiler cannot see the address.
    volatile uintptr_t address = 0x10;
    *reinterpret_cast<volatile int*>(address) = 1;
    return 0;
}
