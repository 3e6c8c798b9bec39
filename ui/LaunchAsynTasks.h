// The two slow steps of a launch that run on the thread pool behind the wait
// dialog: the check of the asset objects and the copy of legacy assets.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/AsynTask.h"

namespace trelm {

namespace download {
class DownloadInfoBase;
}

namespace launcher {
class MinecraftLauncher2;
}

namespace ui {

// Download descriptions owned here until the download dialog takes them, so
// that every early end of a launch frees them.
struct DownloadList {
    ~DownloadList();
    std::vector<download::DownloadInfoBase*> infos;
};

// Appends a description for every missing asset object to the list.
class CheckAssetsObjectAsynTask : public CAsynTask {
public:
    CheckAssetsObjectAsynTask(launcher::MinecraftLauncher2* launcher, DownloadList* list, int64_t* totalBytes)
        : m_launcher(launcher), m_list(list), m_totalBytes(totalBytes) {}

    void Run(PTP_CALLBACK_INSTANCE instance) override;

    // False when the index could not be read; set by Run.
    bool result = true;

private:
    launcher::MinecraftLauncher2* m_launcher;
    DownloadList* m_list;
    int64_t* m_totalBytes;
};

class CopyLegacyAssetsObjectAsynTask : public CAsynTask {
public:
    explicit CopyLegacyAssetsObjectAsynTask(launcher::MinecraftLauncher2* launcher) : m_launcher(launcher) {}

    void Run(PTP_CALLBACK_INSTANCE instance) override;

private:
    launcher::MinecraftLauncher2* m_launcher;
};

}  // namespace ui
}  // namespace trelm
