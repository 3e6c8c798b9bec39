// The wording of Win32 failures in messages: "<system text>(<code>)", or
// "ErrorCode:<code>" when the system has no text for the code.
#pragma once

#include <cstdint>

#include "core/WString.h"

WString FormatWin32Error(uint32_t code);
// FormatWin32Error(GetLastError()); call it before anything else can
// overwrite the last error.
WString LastErrorText();
