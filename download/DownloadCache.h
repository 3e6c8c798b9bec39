// The download cache: finished files whose SHA-1 is known, kept under the
// user's Temp folder and named by that SHA-1, so a file downloaded once
// (the launcher's own update, above all) is copied instead of fetched again.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/WString.h"

namespace trelm {
namespace download {

// "<Temp>\EA8E91DE-2A1C-4065-B052-BD2F632C60A4\"; without a Temp folder the
// name alone, relative to the working folder.
WString GetDownloadCacheDir();
// The folder and Base64 of the SHA-1 ("/" made "-") with ".tmp".
WString GetDownloadCacheEntryPath(const uint8_t sha1[20]);

// A hit is an entry no larger than expectedSize (compared unsigned, so -1
// takes any size) whose content hashes to sha1. It is copied to
// temporaryPath, and *file is that copy opened for reading and writing.
// A missing entry, a mismatch or a failed copy is a miss (false).
bool LookUpDownloadCache(const uint8_t sha1[20], int64_t expectedSize, const wchar_t* temporaryPath, HANDLE* file);

// Copies a finished file into the cache. The copy goes to a name of its own
// first and is moved onto the entry only when whole, so a process killed
// half-way never leaves a truncated entry under the real name.
bool StoreInDownloadCache(const uint8_t sha1[20], const wchar_t* finishedPath);

}  // namespace download
}  // namespace trelm
