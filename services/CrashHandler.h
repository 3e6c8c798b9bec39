// The last resort when an exception escapes every handler of the launcher:
// a minidump in "quorvel_launcher\crash_dump\" and a message naming the
// fault. The entry point installs LauncherCrashFilter before anything else.
#pragma once

#include <windows.h>

#include "core/WString.h"

// The unhandled-exception filter: writes the dump, shows the message and
// lets the system end the process (EXCEPTION_CONTINUE_SEARCH). After a
// stack overflow a helper thread does the work.
LONG WINAPI LauncherCrashFilter(EXCEPTION_POINTERS* pointers);

// 0 when the dump was written, else the Win32 error of the failed step;
// dumpPath is set once the file name is known.
DWORD WriteCrashDump(EXCEPTION_POINTERS* pointers, WString& dumpPath);
WString CrashDumpPath(const WString& fileName);
const wchar_t* ExceptionCodeName(DWORD code);

// Writes the dump and words the message about it: the faulting module and
// offset, the exception, and the dump's path or why there is none.
WString BuildCrashMessage(EXCEPTION_POINTERS* pointers);

// Where the message goes; a message box unless tests divert it (nobody
// would click the box there).
typedef void (*CrashMessageSink)(const wchar_t* text, const wchar_t* caption);
void SetCrashMessageSink(CrashMessageSink sink);
