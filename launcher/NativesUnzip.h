// Unpacking a native-library jar into a version's natives folder.
#pragma once

#include <vector>

#include "core/AString.h"

namespace trelm {
namespace launcher {

// Writes every entry of the jar below folder (which ends in a separator),
// except entries whose raw name begins with one of excludes. Files that
// exist already are kept. Each file is written to "<name>.temp" first and
// moved into place only when complete. An entry name that would leave the
// folder fails the whole extraction, as does a truncated or corrupt entry.
bool UnzipNatives(const wchar_t* jarPath, const wchar_t* folder, const std::vector<AString>& excludes);

}  // namespace launcher
}  // namespace trelm
