// Makes the task kind a description's kind asks for.
#pragma once

#include <cstdint>

#include "download/DownloadInfoBase.h"

namespace trelm {
namespace download {

class DownloadManager;
class DownloadTaskBase;

// The task owns info from here on. A kind no builder makes gets a task that
// fails with a message instead of running.
DownloadTaskBase* MakeDownloadTask(DownloadManager* manager, DownloadInfoBase* info, uint32_t index);

}  // namespace download
}  // namespace trelm
