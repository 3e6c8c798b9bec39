// Unpacking a native-library jar into a version's natives folder.
#pragma once

#include <cstdint>
#include <vector>

#include "core/AString.h"

namespace trelm {
namespace launcher {

// No native library comes near this; an entry that inflates past it is a
// damaged or hostile jar.
constexpr uint64_t kMaxNativeEntryBytes = 64 * 1024 * 1024;

// Writes every entry of the jar below folder (which ends in a separator),
// except entries whose raw name begins with one of excludes. Files that
// exist already are kept. Each file is written to "<name>.temp" first and
// moved into place only when complete. An entry name that would leave the
// folder fails the whole extraction, as does a truncated or corrupt entry or
// one larger than kMaxNativeEntryBytes; the failing entry leaves no file.
bool UnzipNatives(const wchar_t* jarPath, const wchar_t* folder, const std::vector<AString>& excludes);

}  // namespace launcher
}  // namespace trelm
