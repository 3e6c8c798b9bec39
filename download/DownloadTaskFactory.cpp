#include "download/DownloadTaskFactory.h"

#include "download/DownloadTaskCommonFile.h"
#include "download/DownloadTaskForgeXZLibrary.h"
#include "download/DownloadTaskMemoryBuffer.h"
#include "download/DownloadTaskMinecraftLibrary.h"

namespace trelm {
namespace download {

namespace {

// Stands in for a description of a kind no builder makes, so the batch
// still has one task per description and the failure is visible.
class DownloadTaskUnknownKind : public DownloadTaskBase {
public:
    using DownloadTaskBase::DownloadTaskBase;

protected:
    int32_t Prepare(CURL*, uint32_t, uint32_t) override {
        SetMessage(L"未知的下载类型 %u", static_cast<unsigned>(m_info->kind));
        return kPrepareFailed;
    }
    int32_t Evaluate(CURL*, CURLcode, uint32_t, uint32_t) override { return kFailedForGood; }
};

}  // namespace

DownloadTaskBase* MakeDownloadTask(DownloadManager* manager, DownloadInfoBase* info, uint32_t index) {
    switch (info->kind) {
    case kKindCommonFile:
        return new DownloadTaskCommonFile(manager, static_cast<DownloadInfoCommonFile*>(info), index);
    case kKindForgeXZLibrary:
        return new DownloadTaskForgeXZLibrary(manager, static_cast<DownloadInfoForgeXZLibrary*>(info), index);
    case kKindMemoryBuffer:
        return new DownloadTaskMemoryBuffer(manager, static_cast<DownloadInfoMemoryBuffer*>(info), index);
    case kKindMinecraftLibrary:
        return new DownloadTaskMinecraftLibrary(manager, static_cast<DownloadInfoMinecraftLibrary*>(info), index);
    default:
        return new DownloadTaskUnknownKind(manager, info, index);
    }
}

}  // namespace download
}  // namespace trelm
