#include "core/Win32Error.h"

#include <windows.h>

WString FormatWin32Error(uint32_t code) {
    wchar_t* system = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        0, reinterpret_cast<wchar_t*>(&system), 0, nullptr);
    WString text;
    if (length == 0 || !system) {
        text.Format(L"ErrorCode:%u", static_cast<unsigned>(code));
        return text;
    }
    // System texts end in "\r\n"; only the first line is kept.
    DWORD end = 0;
    while (end < length && system[end] != L'\r') ++end;
    WString message;
    message.Assign(system, static_cast<int>(end));
    LocalFree(system);
    text.Format(L"%s(%u)", message.GetString(), static_cast<unsigned>(code));
    return text;
}

WString LastErrorText() { return FormatWin32Error(GetLastError()); }
