// The launcher's wide-string type: UTF-16 text in one heap block of its own.
#pragma once

#include <cstdarg>

#include "core/StringBlock.h"

class WString : public core_internal::StringBlock<wchar_t> {
public:
    WString() = default;
    WString(const wchar_t* text);
    WString(const WString& other);
    WString(WString&& other) noexcept = default;
    ~WString() = default;

    WString& operator=(const wchar_t* text);
    WString& operator=(const WString& other);
    WString& operator=(WString&& other) noexcept;

    void Assign(const wchar_t* text, int length) { StringBlock::Assign(text, length); }
    // Converts ANSI-code-page bytes; a negative length or a failed conversion
    // leaves the empty text.
    void AssignAnsi(const char* text, int length);
    // Converts length bytes of the code page (CP_ACP, CP_UTF8, ...); false and
    // the empty text when the bytes do not convert (an empty input converts).
    bool AssignMultiByte(unsigned codePage, const char* text, int length);
    WString& Append(const wchar_t* text, int length);
    WString& Append(const wchar_t* text);
    WString& Append(const WString& text) { return Append(text.GetString(), text.GetLength()); }

    // printf-style formatting with the Windows runtime's wide specifiers
    // (%s wide, %S narrow, %I64d); replaces the content.
    void Format(const wchar_t* format, ...);
    void FormatV(const wchar_t* format, va_list args);

    int Remove(wchar_t ch);
    void Replace(wchar_t oldChar, wchar_t newChar);
    int Replace(const wchar_t* oldText, const wchar_t* newText) { return ReplaceAll(oldText, newText); }
    int Insert(int index, const wchar_t* text, int count);

    WString Mid(int start, int count) const;
    WString Left(int count) const { return Mid(0, count); }
    WString& Truncate(int length);

    int Find(const wchar_t* text, int start = 0) const;
    int ReverseFind(wchar_t ch) const;
};

// Lengths and every character compared, embedded NULs included.
bool operator==(const WString& a, const wchar_t* b);
bool operator==(const WString& a, const WString& b);
inline bool operator!=(const WString& a, const wchar_t* b) { return !(a == b); }
inline bool operator!=(const WString& a, const WString& b) { return !(a == b); }
WString operator+(const WString& a, const wchar_t* b);

// Case-insensitive substring test, as ids and library names are judged.
bool ContainsNoCase(const wchar_t* text, const wchar_t* needle);
