#include "core/HandleArgument.h"

#include <cstdint>
#include <cstring>
#include <cwchar>

#include "core/Encoding.h"

WString FormatHandleArgument(HANDLE handle) {
    const uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
    WString text;
    text.Format(L"%02x%02x%02x%02x", value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF, value >> 24);
    return text;
}

bool ParseHandleArgument(const wchar_t* text, HANDLE& handle) {
    if (text == nullptr || wcslen(text) != 8) return false;
    uint8_t bytes[4];
    if (!HexDecode(text, bytes, 4)) return false;
    uint32_t value;
    memcpy(&value, bytes, 4);
    handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
    return true;
}
