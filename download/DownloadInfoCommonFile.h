// Descriptions of files written to disk: a plain file, a game library and a
// Forge library published as ".pack.xz".
#pragma once

#include "core/WString.h"
#include "download/DownloadInfoBase.h"

namespace trelm {
namespace download {

class DownloadInfoCommonFile : public DownloadInfoBase {
public:
    DownloadInfoCommonFile() : DownloadInfoBase(kKindCommonFile) {}

    WString target;  // full path of the file to write

protected:
    explicit DownloadInfoCommonFile(uint32_t infoKind) : DownloadInfoBase(infoKind) {}
};

class DownloadInfoMinecraftLibrary : public DownloadInfoCommonFile {
public:
    DownloadInfoMinecraftLibrary() : DownloadInfoCommonFile(kKindMinecraftLibrary) {}
};

class DownloadInfoForgeXZLibrary : public DownloadInfoCommonFile {
public:
    struct Checksum {
        uint8_t bytes[20];
    };

    DownloadInfoForgeXZLibrary() : DownloadInfoCommonFile(kKindForgeXZLibrary) {}

    std::vector<Checksum> checksums;  // the library's accepted "checksums" list
};

}  // namespace download
}  // namespace trelm
