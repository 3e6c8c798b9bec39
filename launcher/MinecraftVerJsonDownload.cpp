#include "launcher/MinecraftVerJsonDownload.h"

#include <cwchar>

#include "core/Endpoints.h"
#include "download/DownloadInfoCommonFile.h"
#include "launcher/MinecraftFileManager.h"

namespace trelm {
namespace launcher {

bool MinecraftVerJsonDownload::BuildDownloadInfo(download::DownloadInfoBase*& out, const JsonDocument& manifest,
                                                 const wchar_t* id, bool useMirror) const {
    out = nullptr;
    if (!IsValidVersionId(id, wcslen(id))) return false;
    download::DownloadInfoCommonFile* info = new download::DownloadInfoCommonFile;
    GetVersionJsonPath(info->target, id);
    // Nothing larger is of use (the chain loader reads no more), and only a
    // JSON object may replace the file: a server's error page never does.
    info->size = static_cast<int64_t>(kMaxVersionJsonBytes);
    info->flags = download::kFlagJsonObject;
    WString url;
    if (useMirror) {
        url.Format(L"%s/version/%s/json", EndpointBase(Endpoint::Mirror).GetString(), id);
        info->urls.emplace_back(url, download::kSourceMirror);
    }
    url.Empty();
    if (manifest.IsObject()) {
        auto versions = manifest.FindMember(L"versions");
        if (versions != manifest.MemberEnd() && versions->value.IsArray()) {
            for (const JsonValue& version : versions->value.GetArray()) {
                if (!version.IsObject()) continue;
                auto versionId = version.FindMember(L"id");
                auto versionUrl = version.FindMember(L"url");
                if (versionId == version.MemberEnd() || !versionId->value.IsString() ||
                    wcscmp(versionId->value.GetString(), id) != 0)
                    continue;
                if (versionUrl != version.MemberEnd() && versionUrl->value.IsString())
                    url.Assign(versionUrl->value.GetString(), static_cast<int>(versionUrl->value.GetStringLength()));
            }
        }
    }
    if (url.IsEmpty())
        url.Format(L"%s/Minecraft.Download/versions/%s/%s.json", EndpointBase(Endpoint::LegacyStore).GetString(), id,
                   id);
    info->urls.emplace_back(url, download::kSourceOfficial);
    out = info;
    return true;
}

}  // namespace launcher
}  // namespace trelm
