#include "ui/LaunchAsynTasks.h"

#include "download/DownloadInfoBase.h"
#include "launcher/MinecraftLauncher2.h"

namespace trelm {
namespace ui {

DownloadList::~DownloadList() { download::DeleteDownloadInfos(&infos); }

void CheckAssetsObjectAsynTask::Run(PTP_CALLBACK_INSTANCE) {
    SetText(L"正在检查资源文件");
    result = m_launcher->CheckAssetObjects(m_list->infos, *m_totalBytes);
}

void CopyLegacyAssetsObjectAsynTask::Run(PTP_CALLBACK_INSTANCE) {
    SetText(L"正在复制Legacy资源文件");
    m_launcher->CopyLegacyAssets();
}

}  // namespace ui
}  // namespace trelm
