// What one file to fetch is, where it may come from and how it is verified.
// Descriptions are built by the game logic and the dialogs and owned by the
// download engine once a batch starts.
#pragma once

#include <cstdint>
#include <vector>

#include "download/DownloadUrl.h"

namespace trelm {
namespace download {

enum DownloadInfoKind : uint32_t {
    kKindCommonFile = 1,
    kKindForgeXZLibrary = 2,
    kKindMemoryBuffer = 3,
    kKindMinecraftLibrary = 4,
};

enum DownloadInfoFlags : uint32_t {
    kFlagSha1Given = 0x1,    // compare the result with sha1
    kFlagUseCache = 0x2,     // the download cache may serve it (only with kFlagSha1Given)
    kFlagFetchSha1 = 0x100,  // game library without a hash: fetch "<url>.sha1" first
    kFlagJsonObject = 0x200,  // a file kept only when it parses as a JSON object (a version JSON)
};

class DownloadInfoBase {
public:
    virtual ~DownloadInfoBase() = default;

    std::vector<DownloadUrl> urls;  // tried in order; the first is preferred
    int64_t size = -1;              // expected bytes, -1 when unknown; no larger body is taken (for a memory
                                    // buffer or a version JSON it is only that limit)
    uint32_t flags = 0;
    uint32_t kind;
    uint8_t sha1[20] = {};

protected:
    explicit DownloadInfoBase(uint32_t infoKind) : kind(infoKind) {}
};

// Deletes every description of a batch that never started, and the list.
void DeleteDownloadInfos(std::vector<DownloadInfoBase*>* infos);

}  // namespace download
}  // namespace trelm
