#include "download/DownloadTaskMemoryBuffer.h"

#include <cstring>

#include "core/Sha1.h"

namespace trelm {
namespace download {

DownloadTaskMemoryBuffer::DownloadTaskMemoryBuffer(DownloadManager* manager, DownloadInfoMemoryBuffer* info,
                                                   uint32_t index)
    : DownloadTaskBase(manager, info, index) {}

int32_t DownloadTaskMemoryBuffer::Prepare(CURL* curl, uint32_t u, uint32_t t) {
    if (!Target()) {
        SetMessageText(L"没有目标缓冲区");
        return kPrepareFailed;
    }
    // An earlier attempt's bytes are dropped.
    Target()->Resize(0);
    SetCommonOptions(curl, u, t);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &DownloadTaskMemoryBuffer::WriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    return kTransfer;
}

size_t DownloadTaskMemoryBuffer::WriteBody(char* data, size_t size, size_t count, void* param) {
    DownloadTaskMemoryBuffer* task = static_cast<DownloadTaskMemoryBuffer*>(param);
    // The size limit holds before the block grows, not at the next
    // progress call.
    if (!task->CountBodyBytes(size * count)) return 0;
    return wendal_::WriteToByteBuffer(data, size, count, task->Target());
}

int32_t DownloadTaskMemoryBuffer::Evaluate(CURL* curl, CURLcode code, uint32_t, uint32_t) {
    const int32_t failed = JudgeTransferEnd(curl, code, L"Http代码%d");
    if (failed >= 0) return failed;
    if (!(m_info->flags & kFlagSha1Given)) return kSuccess;
    uint8_t digest[kSha1DigestSize];
    if (!Sha1OfBuffer(Target()->GetData(), Target()->GetSize(), digest) ||
        std::memcmp(digest, m_info->sha1, kSha1DigestSize) != 0) {
        SetMessageText(L"SHA1校验失败");
        return kNextUrl;
    }
    return kSuccess;
}

}  // namespace download
}  // namespace trelm
