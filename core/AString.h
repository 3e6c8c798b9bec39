// Narrow twin of WString, for text in the ANSI code page (URLs and request
// bodies handed to the HTTP library).
#pragma once

#include "core/StringBlock.h"

class AString : public core_internal::StringBlock<char> {
public:
    AString() = default;
    explicit AString(const char* text);
    AString(const AString& other);
    AString(AString&& other) noexcept = default;
    ~AString() = default;

    AString& operator=(const AString& other);
    AString& operator=(AString&& other) noexcept;

    void Assign(const char* text, int length) { StringBlock::Assign(text, length); }
    AString& Append(const char* text, int length);
    int Replace(const char* oldText, const char* newText) { return ReplaceAll(oldText, newText); }
    // Converts UTF-16 to the ANSI code page; characters the code page lacks
    // become its default character.
    void AssignWide(const wchar_t* text, int length);
};

bool operator==(const AString& a, const char* b);
