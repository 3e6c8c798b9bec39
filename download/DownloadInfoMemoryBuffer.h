// A body fetched into memory (version and installer lists).
#pragma once

#include "core/byte_buffer.h"
#include "download/DownloadInfoBase.h"

namespace trelm {
namespace download {

class DownloadInfoMemoryBuffer : public DownloadInfoBase {
public:
    DownloadInfoMemoryBuffer() : DownloadInfoBase(kKindMemoryBuffer) {}

    wendal_::byte_buffer* target = nullptr;  // owned by the caller, read after the batch
};

}  // namespace download
}  // namespace trelm
