#include "core/Encoding.h"

#include <windows.h>

namespace {

int HexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

}  // namespace

bool HexDecode(const wchar_t* hex, uint8_t* out, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        const int high = HexDigitValue(hex[2 * i]);
        if (high < 0) return false;
        const int low = HexDigitValue(hex[2 * i + 1]);
        if (low < 0) return false;
        out[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return true;
}

WString HexEncode(const uint8_t* bytes, uint32_t count) {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    WString text;
    wchar_t* out = text.GetBuffer(static_cast<int>(count * 2), false);
    for (uint32_t i = 0; i < count; ++i) {
        out[2 * i] = kDigits[bytes[i] >> 4];
        out[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    text.ReleaseBuffer(static_cast<int>(count * 2));
    return text;
}

bool IsSha1HexText(const wchar_t* text, size_t length) {
    if (text == nullptr || length != 40) return false;
    for (size_t i = 0; i < length; ++i)
        if (HexDigitValue(text[i]) < 0) return false;
    return true;
}

std::unique_ptr<char[]> WideToUtf8(const wchar_t* text, int length) {
    if (!text || length == 0) return nullptr;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return nullptr;
    // With length -1 the count already holds the terminator.
    std::unique_ptr<char[]> out(new char[static_cast<size_t>(bytes) + 1]);
    const int written = WideCharToMultiByte(CP_UTF8, 0, text, length, out.get(), bytes, nullptr, nullptr);
    if (written <= 0) return nullptr;
    out[written] = 0;
    return out;
}
