// The description of a version JSON to fetch, from the version manifest.
#pragma once

#include "core/JsonFile.h"
#include "download/DownloadInfoBase.h"
#include "launcher/MinecraftFileManagerBase.h"

namespace trelm {
namespace launcher {

// The largest version JSON fetched: what the version chain reads of a file.
constexpr uint64_t kMaxVersionJsonBytes = kMaxJsonFileSize;

class MinecraftVerJsonDownload : public MinecraftFileManagerBase {
public:
    explicit MinecraftVerJsonDownload(const wchar_t* root) { SetRoot(root); }

    // The manifest's "url" for id (the last entry naming it), else the legacy
    // store's address; the mirror first when useMirror. The body is bounded
    // by kMaxVersionJsonBytes and kept only when it is a JSON object. False
    // (out null) for an id that cannot name a version folder.
    bool BuildDownloadInfo(download::DownloadInfoBase*& out, const JsonDocument& manifest, const wchar_t* id,
                           bool useMirror) const;
};

}  // namespace launcher
}  // namespace trelm
