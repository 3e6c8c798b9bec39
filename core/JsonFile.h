// JSON documents of the launcher: RapidJSON on UTF-16 text, read from files
// of any Unicode encoding and written back through the text-file functions.
#pragma once

#include <cstdint>

#include <rapidjson/document.h>

#include "core/WString.h"

typedef rapidjson::GenericDocument<rapidjson::UTF16<wchar_t>> JsonDocument;
typedef rapidjson::GenericValue<rapidjson::UTF16<wchar_t>> JsonValue;

// Largest JSON file LoadJsonFile reads: 10 MiB.
const uint64_t kMaxJsonFileSize = 10485760;

// Deepest nesting of arrays and objects a read document may have. Real
// files nest a handful of levels (a version JSON about six); writing or
// copying a value recurses once per level, so a document of a million
// brackets would overflow the stack there.
const unsigned kMaxJsonDepth = 128;

// Parses the file into document; its encoding (UTF-8, UTF-16 or UTF-32, with
// or without a byte-order mark) is detected. Files above kMaxJsonFileSize
// are refused before parsing; the document keeps its old value when the
// file cannot be opened or parsed.
bool LoadJsonFile(JsonDocument* document, const wchar_t* path);

// The member's value, or null when value is no object or lacks the member.
const JsonValue* FindJsonMember(const JsonValue& value, const wchar_t* name);
inline bool IsJsonString(const JsonValue* value) { return value != nullptr && value->IsString(); }

// The characters of a string value; a value that is not a string gives "".
void JsonStringToWString(const JsonValue& value, WString* out);

// Copies the string member into out; false (out untouched) when value is no
// object, lacks the member or it is not a string.
bool GetJsonStringMember(const JsonValue& value, const wchar_t* name, WString& out);

// Parses size bytes of JSON in any Unicode encoding, as LoadJsonFile reads
// a file, into document.
bool ParseJsonBytes(const char* data, size_t size, JsonDocument* document);

// Parses text (up to its first NUL) into document. Both readers refuse a
// document nested deeper than kMaxJsonDepth.
bool ParseJsonText(const wchar_t* text, JsonDocument* document);

// The value as indented JSON (4 spaces), ready for WriteTextFile; false when
// it holds a number JSON cannot express (NaN, infinity).
bool JsonToText(const JsonValue& value, WString* out);
