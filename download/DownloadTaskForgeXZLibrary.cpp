#include "download/DownloadTaskForgeXZLibrary.h"

#include "download/DownloadManager.h"

namespace trelm {
namespace download {

DownloadTaskForgeXZLibrary::DownloadTaskForgeXZLibrary(DownloadManager* manager, DownloadInfoForgeXZLibrary* info,
                                                       uint32_t index)
    : DownloadTaskCommonFile(manager, info, index) {}

bool DownloadTaskForgeXZLibrary::VerifySha1(HANDLE file, bool* handleClosed, const wchar_t* path,
                                            WString* message) {
    const DownloadInfoForgeXZLibrary* info = static_cast<const DownloadInfoForgeXZLibrary*>(m_info);
    launcher::ForgeXZPipeline pipeline(info->target.GetString(), info->checksums, m_manager->GetStopEvent(), this);
    return pipeline.Run(file, handleClosed, path, message);
}

bool DownloadTaskForgeXZLibrary::MoveIntoPlace(const wchar_t*, WString*) { return true; }

void DownloadTaskForgeXZLibrary::OnForgeXZStatus(const wchar_t* text) {
    SetMessageText(text);
    NotifyObserver(kTaskStatusText);
}

}  // namespace download
}  // namespace trelm
