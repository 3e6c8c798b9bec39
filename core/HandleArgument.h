// Inheritable handles travel to a child process on its command line as
// 8 lower-case hex digits, the bytes of the 32-bit value in memory order.
#pragma once

#include <windows.h>

#include "core/WString.h"

WString FormatHandleArgument(HANDLE handle);
// The reverse; false unless text is exactly 8 hex digits.
bool ParseHandleArgument(const wchar_t* text, HANDLE& handle);
