// One Java runtime the launcher knows of.
#pragma once

#include <cstdint>

#include "core/WString.h"

namespace trelm {
namespace launcher {

enum JavaRuntimeOrigin : uint32_t {
    kJavaFromRegistry = 1,   // path is the Java home, ending in a separator
    kJavaAddedByPlayer = 2,  // path is the executable itself
};

// a.b.c.d, compared number by number from the left.
struct VersionNumber {
    uint32_t parts[4] = {0, 0, 0, 0};

    VersionNumber() = default;
    explicit VersionNumber(const uint32_t version[4]) {
        for (int i = 0; i < 4; ++i) parts[i] = version[i];
    }

    bool operator<(const VersionNumber& other) const {
        for (int i = 0; i < 4; ++i) {
            if (parts[i] != other.parts[i]) return parts[i] < other.parts[i];
        }
        return false;
    }
    bool operator==(const VersionNumber& other) const { return !(*this < other) && !(other < *this); }
};

struct JavaRuntimeInfo {
    WString path;
    WString versionText;
    WString id;  // 40 lower-case hex digits
    uint32_t version[4] = {0, 0, 0, 0};
    uint32_t is64Bit = 0;
    uint32_t origin = 0;
};

}  // namespace launcher
}  // namespace trelm
