// Whole text files in the two modes the launcher uses: UTF-16 with a
// byte-order mark (settings, accounts, caches) and the ANSI code page (version
// JSONs, "launcher_profiles.json", shortcut files, which other tools read too).
#pragma once

#include <cstdint>

#include "core/WString.h"

// Reads the whole file into out. A UTF-8 or UTF-16LE byte-order mark selects
// that encoding, anything else is read in the ANSI code page; CR LF becomes
// LF. maxSize 0 always fails; a positive maxSize refuses larger files before
// they are opened (out is then left alone); a negative one means no limit.
// False when the file cannot be opened or read, and out is then empty.
bool ReadTextFile(const wchar_t* path, WString* out, int64_t maxSize);

// Replaces the file with text, LF written as CR LF, creating its folders:
// UTF-16LE with a byte-order mark when unicode, else the ANSI code page.
// A character the code page cannot hold fails the call rather than turning
// into "?". The old file survives every failure (see WriteFileBytes).
bool WriteTextFile(const wchar_t* path, const wchar_t* text, bool unicode);
