#include "services/ProgramVersion.h"

#include <cstdarg>
#include <cstdio>

const char kLauncherChannel[] = "release";

void GetLauncherVersion(LauncherVersion& version) {
    version.major = 1;
    version.minor = 2;
    version.build = 4;
    version.revision = 0;
}

int CompareLauncherVersions(const LauncherVersion& a, const LauncherVersion& b) {
    const uint32_t left[] = {a.major, a.minor, a.build, a.revision};
    const uint32_t right[] = {b.major, b.minor, b.build, b.revision};
    for (int i = 0; i < 4; ++i) {
        if (left[i] != right[i]) return left[i] < right[i] ? -1 : 1;
    }
    return 0;
}

void FormatShortText(wchar_t (&buffer)[32], const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    // _vsnwprintf leaves no terminator when the text fills the buffer.
    _vsnwprintf(buffer, 31, format, args);
    va_end(args);
    buffer[31] = L'\0';
}
