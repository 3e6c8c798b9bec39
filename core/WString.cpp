#include "core/WString.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

WString::WString(const wchar_t* text) { Assign(text, static_cast<int>(wcslen(text))); }

WString::WString(const WString& other) : StringBlock() { Assign(other.GetString(), other.GetLength()); }

WString& WString::operator=(const wchar_t* text) {
    Assign(text, static_cast<int>(wcslen(text)));
    return *this;
}

WString& WString::operator=(const WString& other) {
    Assign(other.GetString(), other.GetLength());
    return *this;
}

WString& WString::operator=(WString&& other) noexcept {
    WString taken(static_cast<WString&&>(other));
    Swap(taken);
    return *this;
}

void WString::AssignAnsi(const char* text, int length) { AssignMultiByte(CP_ACP, text, length); }

bool WString::AssignMultiByte(unsigned codePage, const char* text, int length) {
    if (length <= 0) {
        Empty();
        return length == 0;
    }
    const int wide = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
    if (wide <= 0) {
        Empty();
        return false;
    }
    wchar_t* out = GetBuffer(wide, false);
    const int written = MultiByteToWideChar(codePage, 0, text, length, out, wide);
    ReleaseBuffer(written > 0 ? written : 0);
    return written > 0;
}

WString& WString::Append(const wchar_t* text, int length) {
    AppendText(text, length);
    return *this;
}

WString& WString::Append(const wchar_t* text) { return Append(text, static_cast<int>(wcslen(text))); }

void WString::Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void WString::FormatV(const wchar_t* format, va_list args) {
    // Measure once, grow once, format once. The runtime's own functions are
    // named explicitly so that %S and %I64d keep their Windows meaning.
    va_list measure;
    va_copy(measure, args);
    const int length = _vscwprintf(format, measure);
    va_end(measure);
    if (length < 0) {
        Empty();
        return;
    }
    wchar_t* out = GetBuffer(length, false);
    const int written = _vsnwprintf(out, static_cast<size_t>(length) + 1, format, args);
    ReleaseBuffer(written < 0 ? 0 : written);
}

int WString::Remove(wchar_t ch) {
    if (ch == 0 || GetCapacity() == 0) return 0;
    const int length = GetLength();
    int kept = 0;
    for (int i = 0; i < length; ++i) {
        if (m_data[i] != ch) m_data[kept++] = m_data[i];
    }
    SetLength(kept);
    return length - kept;
}

void WString::Replace(wchar_t oldChar, wchar_t newChar) {
    const int length = GetLength();
    for (int i = 0; i < length; ++i) {
        if (m_data[i] == oldChar) m_data[i] = newChar;
    }
}

int WString::Insert(int index, const wchar_t* text, int count) {
    const int length = GetLength();
    if (count <= 0) return length;
    if (index < 0) index = 0;
    if (index > length) index = length;
    // The inserted text may live in our own block; keep a copy before growing.
    WString piece;
    piece.Assign(text, count);
    Grow(length + count, true);
    memmove(m_data + index + count, m_data + index, sizeof(wchar_t) * static_cast<size_t>(length - index));
    memcpy(m_data + index, piece.GetString(), sizeof(wchar_t) * static_cast<size_t>(count));
    SetLength(length + count);
    return length + count;
}

WString WString::Mid(int start, int count) const {
    const int length = GetLength();
    if (start < 0) start = 0;
    if (start > length) start = length;
    if (count < 0 || count > length - start) count = length - start;
    WString result;
    result.Assign(m_data + start, count);
    return result;
}

WString& WString::Truncate(int length) {
    if (length >= 0 && length < GetLength()) SetLength(length);
    return *this;
}

int WString::Find(const wchar_t* text, int start) const {
    if (start < 0 || start > GetLength()) return -1;
    const wchar_t* hit = wcsstr(m_data + start, text);
    return hit ? static_cast<int>(hit - m_data) : -1;
}

int WString::ReverseFind(wchar_t ch) const {
    for (int i = GetLength() - 1; i >= 0; --i) {
        if (m_data[i] == ch) return i;
    }
    return -1;
}

bool operator==(const WString& a, const wchar_t* b) {
    // A NUL inside a ends b: the lengths differ, and b is never read past
    // its terminator.
    const size_t length = static_cast<size_t>(a.GetLength());
    return wcslen(b) == length && wmemcmp(a.GetString(), b, length) == 0;
}

bool operator==(const WString& a, const WString& b) {
    const size_t length = static_cast<size_t>(a.GetLength());
    return static_cast<size_t>(b.GetLength()) == length && wmemcmp(a.GetString(), b.GetString(), length) == 0;
}

WString operator+(const WString& a, const wchar_t* b) {
    const int bLength = static_cast<int>(wcslen(b));
    WString result;
    // Exactly the summed length: no rounding to a power of two.
    result.Reallocate(a.GetLength() + bLength + 1, false);
    result.Append(a.GetString(), a.GetLength());
    result.Append(b, bLength);
    return result;
}

bool ContainsNoCase(const wchar_t* text, const wchar_t* needle) {
    const size_t needleLength = wcslen(needle);
    for (; *text != L'\0'; ++text)
        if (_wcsnicmp(text, needle, needleLength) == 0) return true;
    return false;
}
