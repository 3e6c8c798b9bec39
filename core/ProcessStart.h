// Starting a child process from one command line.
#pragma once

#include <windows.h>

#include "core/WString.h"

// CreateProcessW with no application name, creation flags 0 and this
// process's environment, on a copy of commandLine (CreateProcessW may write
// into the buffer it is given). workingDirectory null: this process's. The
// last error is CreateProcessW's when it fails.
bool StartProcess(const WString& commandLine, SECURITY_ATTRIBUTES* processAttributes, bool inheritHandles,
                  const wchar_t* workingDirectory, STARTUPINFOW* startup, PROCESS_INFORMATION* process);
