// Two folder scans: a random background pick, and the crash reports written
// around a game's exit time.
#pragma once

#include <windows.h>

#include <vector>

#include "core/WString.h"

// Picks one archive-flagged file of at most 40 MiB matching any of the
// patterns in folder. With lastIndex, the previous pick is not repeated when
// another file exists; the pick is stored back there.
bool PickRandomFile(const WString& folder, WString* outPath, int patternCount, const wchar_t* const* patterns,
                    int* lastIndex);
// Names of archive-flagged files matching pattern whose creation time lies
// within 5 seconds of time; true when at least one matched.
bool FindFilesCreatedNear(const wchar_t* pattern, const FILETIME& time, std::vector<WString>* names);
