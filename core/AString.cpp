#include "core/AString.h"

#include <windows.h>

AString::AString(const char* text) { Assign(text, static_cast<int>(strlen(text))); }

AString::AString(const AString& other) : StringBlock() { Assign(other.GetString(), other.GetLength()); }

AString& AString::operator=(const AString& other) {
    Assign(other.GetString(), other.GetLength());
    return *this;
}

AString& AString::operator=(AString&& other) noexcept {
    AString taken(static_cast<AString&&>(other));
    Swap(taken);
    return *this;
}

AString& AString::Append(const char* text, int length) {
    AppendText(text, length);
    return *this;
}

void AString::AssignWide(const wchar_t* text, int length) {
    if (length <= 0) {
        Empty();
        return;
    }
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        Empty();
        return;
    }
    char* out = GetBuffer(bytes, false);
    const int written = WideCharToMultiByte(CP_ACP, 0, text, length, out, bytes, nullptr, nullptr);
    ReleaseBuffer(written > 0 ? written : 0);
}

bool operator==(const AString& a, const char* b) {
    return static_cast<size_t>(a.GetLength()) == strlen(b) && memcmp(a.GetString(), b, a.GetLength()) == 0;
}
