// The launcher's own version: window title, About box, crash message,
// settings file and the update check.
#pragma once

#include <cstdint>

struct LauncherVersion {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    uint32_t revision = 0;
};

// Shown after the numbers: "%d.%d.%d.%d-%S" with this channel.
extern const char kLauncherChannel[];

void GetLauncherVersion(LauncherVersion& version);
// Negative, zero or positive as a is older than, equal to or newer than b,
// number by number from major to revision.
int CompareLauncherVersions(const LauncherVersion& a, const LauncherVersion& b);

// printf-style formatting (Windows runtime specifiers: %s wide, %S narrow)
// into a 32-character buffer; longer results are cut to 31 characters and
// the terminator.
void FormatShortText(wchar_t (&buffer)[32], const wchar_t* format, ...);
