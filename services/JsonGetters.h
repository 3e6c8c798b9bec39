// Validating readers of the launcher's own JSON stores (settings, accounts,
// shortcut files). Each returns true and writes its output only when the
// member exists and passes its check, so a rejected key leaves the caller's
// default in place. A container that is not an object gives false.
#pragma once

#include <cstdint>

#include <rapidjson/document.h>

#include "core/JsonFile.h"
#include "core/WString.h"
#include "services/ProgramVersion.h"

typedef rapidjson::GenericDocument<rapidjson::UTF16<wchar_t>>::AllocatorType JsonAllocator;

// A colour as hue (0 to 360), saturation and lightness (0 to 1).
struct HslColor {
    float h = 0;
    float s = 0;
    float l = 0;
};

bool GetJsonBool(const JsonValue& object, const wchar_t* key, bool& out);
// out points into the document.
bool GetJsonString(const JsonValue& object, const wchar_t* key, const wchar_t*& out, uint32_t minLength);
bool GetJsonString(const JsonValue& object, const wchar_t* key, WString& out, uint32_t minLength,
                   uint32_t maxLength);
// Integer literals only: 1024.5 or 1e3 are refused.
bool GetJsonUnsigned(const JsonValue& object, const wchar_t* key, uint32_t& out, uint32_t minimum,
                     uint32_t maximum);
bool GetJsonSigned(const JsonValue& object, const wchar_t* key, int32_t& out, int32_t minimum,
                   int32_t maximum);
// The member is always "time".
bool GetJsonTime(const JsonValue& object, int64_t& out, int64_t minimum, int64_t maximum);
// Floating-point literals only (with a fraction or an exponent), within the
// float range.
bool GetJsonFloat(const JsonValue& object, const wchar_t* key, float& out, float minimum, float maximum);

// {"h", "s", "l"} read together: one bad component keeps the whole colour.
bool GetJsonHsl(const JsonValue& object, const wchar_t* key, HslColor& out);
void PutJsonHsl(JsonValue& object, const wchar_t* key, const HslColor& color, JsonAllocator& allocator);

// "%u.%u.%u.%u" under the member "version": four decimal numbers that fit 32
// bits, with nothing else (no sign, blank or fifth number).
bool ParseVersionText(const wchar_t* text, LauncherVersion& out);
bool GetJsonVersion(const JsonValue& object, LauncherVersion& out);
void PutJsonVersion(JsonValue& object, const LauncherVersion& version, JsonAllocator& allocator);

// "offline_name_regex" when CompileNameRule takes it: an ECMAScript
// expression small enough to compile and match in bounded time and stack.
bool GetJsonRegex(const JsonValue& object, WString& out);

// A member name copied into the document.
JsonValue JsonKey(const wchar_t* key, JsonAllocator& allocator);
// Adds a string member (the text is copied).
void PutJsonString(JsonValue& object, const wchar_t* key, const wchar_t* text, JsonAllocator& allocator);
