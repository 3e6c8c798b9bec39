// Hex and UTF-8 conversions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/WString.h"

// Reads count bytes from 2 x count hex digits, high nibble first; false at the
// first character that is not a hex digit (earlier bytes are already written).
bool HexDecode(const wchar_t* hex, uint8_t* out, uint32_t count);
// 2 x count lower-case hex digits of the bytes, high nibble first: digests
// that name things (runtime and shortcut ids, offline uuids).
WString HexEncode(const uint8_t* bytes, uint32_t count);
// Exactly 40 hex digits of either case: the only text accepted as a SHA-1,
// since such texts also name files.
bool IsSha1HexText(const wchar_t* text, size_t length);
// NUL-terminated UTF-8 of length UTF-16 units (-1: up to the NUL); null when
// the conversion yields nothing. Every name handed to the zip library goes
// through it.
std::unique_ptr<char[]> WideToUtf8(const wchar_t* text, int length);
