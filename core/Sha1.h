// SHA-1 digests are how downloads and extracted files are checked; the
// Base64 form is short enough to name a temporary file after its digest.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/WString.h"

constexpr uint32_t kSha1DigestSize = 20;

// Hashes the whole file from its start, whatever the file pointer was, and
// puts the pointer back where it was; false when a seek or read fails.
bool Sha1OfFileHandle(HANDLE file, uint8_t digest[kSha1DigestSize]);
// Opens path for reading (others may read it too) and hashes the whole file;
// false when it cannot be opened (missing, a folder, locked) or read.
bool Sha1OfFile(const wchar_t* path, uint8_t digest[kSha1DigestSize]);
bool Sha1OfBuffer(const void* data, size_t size, uint8_t digest[kSha1DigestSize]);

// Standard Base64 ("+", "/", "=" padding) in one line: 28 characters.
// Replaces the content of out.
void Base64OfBytes(const uint8_t digest[kSha1DigestSize], std::string* out);
void Base64OfSha1(const uint8_t digest[kSha1DigestSize], WString* out);
