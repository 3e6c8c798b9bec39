// How a download batch reports to its owner (the dialogs). Both calls come
// from the batch's own threads, workers and monitor at once (and, only when
// the monitor thread cannot be created, from Start's caller, which then
// hears the batch start and end with every task failed): an observer must
// be thread-safe, must not block, and must never call Abort or Stop of the
// manager that calls it (they wait for those very threads).
#pragma once

#include <cstdint>

namespace trelm {
namespace download {

class DownloadManager;
class DownloadTaskBase;

enum DownloadTaskEvent : int32_t {
    kTaskStarted = 0,
    kTaskProgress = 1,    // at most every 200 ms per task
    kTaskFinished = 2,    // success or failure: read the task's result
    kTaskStatusText = 3,  // the message changed (SHA-1 fetch, ".pack.xz" steps)
    kTaskNextUrl = 4,
    kTaskRetryUrl = 5,
};

enum DownloadBatchEvent : int32_t {
    kBatchStarted = 0,
    kBatchEnded = 1,  // every worker has returned
};

class IDownloadObserver {
public:
    virtual ~IDownloadObserver() = default;
    virtual void OnDownloadTaskChanged(DownloadTaskBase* task, int32_t code) = 0;
    virtual void OnDownloadBatchChanged(DownloadManager* manager, int32_t code) = 0;
};

}  // namespace download
}  // namespace trelm
