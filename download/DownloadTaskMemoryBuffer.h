// A body fetched into the caller's byte buffer (version and installer
// lists); the description's size is the largest body taken.
#pragma once

#include "download/DownloadInfoMemoryBuffer.h"
#include "download/DownloadTaskBase.h"

namespace trelm {
namespace download {

class DownloadTaskMemoryBuffer : public DownloadTaskBase {
public:
    DownloadTaskMemoryBuffer(DownloadManager* manager, DownloadInfoMemoryBuffer* info, uint32_t index);

protected:
    int32_t Prepare(CURL* curl, uint32_t u, uint32_t t) override;
    int32_t Evaluate(CURL* curl, CURLcode code, uint32_t u, uint32_t t) override;

private:
    static size_t WriteBody(char* data, size_t size, size_t count, void* task);
    wendal_::byte_buffer* Target() const { return static_cast<DownloadInfoMemoryBuffer*>(m_info)->target; }
};

}  // namespace download
}  // namespace trelm
