// One installed version as the version list shows it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/WString.h"

namespace trelm {
namespace launcher {

// Kind bits, judged from the id alone.
enum : uint32_t {
    kVersionKindAny = 1,  // always set
    kVersionKindForge = 2,
    kVersionKindLiteLoader = 4,
    kVersionKindOptiFine = 8,
};

struct VersionInfo {
    FILETIME releaseTime = {0, 0};  // zero when the JSON gives none
    WString id;                     // the folder name under versions\ (never taken from the JSON)
    WString rootId;                 // top ancestor through "inheritsFrom"; id itself when none
    WString parentId;               // the direct "inheritsFrom"; empty when none
    uint32_t kind = kVersionKindAny;
};

}  // namespace launcher
}  // namespace trelm
