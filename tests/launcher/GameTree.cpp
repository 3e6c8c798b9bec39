#include "tests/launcher/GameTree.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "core/Endpoints.h"
#include "download/DownloadInfoCommonFile.h"

namespace testing_support {

void UseFixedEndpoints() {
    TempDir dir;
    WriteBytes(dir / L"endpoints.json", R"({
        "libraries": "https://libraries.test", "assets": "http://assets.test",
        "legacy_store": "https://legacy.test", "forge_maven": "http://forge.test",
        "mirror_maven": "http://maven.mirror.test", "mirror": "http://mirror.test"})");
    WString message;
    ASSERT_TRUE(trelm::LoadEndpointOverridesFromFile((dir / L"endpoints.json").c_str(), &message))
        << Narrow(message.GetString());
}

void GameTree::WriteVersion(const std::wstring& id, const std::string& json) const {
    Write(L"versions\\" + id + L"\\" + id + L".json", json);
}

void GameTree::Write(const std::wstring& relative, const std::string& bytes) const { WriteBytes(Path(relative), bytes); }

bool GameTree::Exists(const std::wstring& relative) const {
    return GetFileAttributesW(Path(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void GameTree::CopyReal(const std::wstring& realRelative, const std::wstring& relative) const {
    Write(relative, ReadBytes(RealTestDataDir() + realRelative));
}

DownloadInfoList::~DownloadInfoList() { trelm::download::DeleteDownloadInfos(&infos); }

std::vector<std::string> UrlsOf(const trelm::download::DownloadInfoBase* info) {
    std::vector<std::string> urls;
    for (const auto& url : info->urls) urls.push_back(std::string(url.url.GetString()) + " (" + std::to_string(url.source) + ")");
    return urls;
}

std::string TargetOf(const trelm::download::DownloadInfoBase* info) {
    if (info->kind == trelm::download::kKindMemoryBuffer) return std::string();
    return Narrow(static_cast<const trelm::download::DownloadInfoCommonFile*>(info)->target.GetString());
}

}  // namespace testing_support
