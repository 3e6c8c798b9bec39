#include "download/DownloadInfoBase.h"

namespace trelm {
namespace download {

const wchar_t* DownloadSourceName(uint32_t source) {
    switch (source) {
    case kSourceOfficial: return L"Mojang";
    case kSourceMirror: return L"Bmclapi";
    case kSourceForge: return L"Forge";
    case kSourceUpdate: return L"TRELM";
    default: return L"Unknown";
    }
}

void DeleteDownloadInfos(std::vector<DownloadInfoBase*>* infos) {
    for (DownloadInfoBase* info : *infos) delete info;
    std::vector<DownloadInfoBase*>().swap(*infos);
}

}  // namespace download
}  // namespace trelm
