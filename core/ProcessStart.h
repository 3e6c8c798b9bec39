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

// The longest command line CreateProcessW takes, in characters, without the
// terminating NUL.
constexpr int kMaxCommandLineLength = 32766;

// text as exactly one argument of a command line, by the rules of
// CommandLineToArgvW and the C runtime: in double quotes when it is empty or
// holds a blank, a tab, a line end or a quote (always with forceQuotes), each
// quote escaped and every backslash before a quote or the closing quote
// doubled. Any other text comes back as it is.
WString QuoteArgument(const wchar_t* text, bool forceQuotes = false);
