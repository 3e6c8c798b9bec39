// Descriptions of files written to disk: a plain file, a game library and a
// Forge library published as ".pack.xz".
#pragma once

#include "core/WString.h"
#include "download/DownloadInfoBase.h"

namespace trelm {
namespace download {

class DownloadInfoCommonFile;

// A description's own judgement of a fetched file (closed, at path) before
// it takes the target's name; false with the reason refuses it as a wrong
// SHA-1 is refused.
using BodyCheck = bool (*)(const wchar_t* path, const DownloadInfoCommonFile& info, WString* reason);

class DownloadInfoCommonFile : public DownloadInfoBase {
public:
    DownloadInfoCommonFile() : DownloadInfoBase(kKindCommonFile) {}

    WString target;            // full path of the file to write
    BodyCheck accept = nullptr;  // null: every verified body is taken

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
