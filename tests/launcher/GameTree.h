// A ".minecraft" tree in a temporary folder, and fixed server addresses so
// that the URLs of download descriptions can be compared exactly.
#pragma once

#include <string>
#include <vector>

#include "download/DownloadInfoBase.h"
#include "tests/support/TestPaths.h"

namespace testing_support {

// libraries https://libraries.test, assets http://assets.test, legacy store
// https://legacy.test, Forge http://forge.test, mirror maven
// http://maven.mirror.test, mirror http://mirror.test.
void UseFixedEndpoints();

class GameTree {
public:
    const std::wstring& Root() const { return m_dir.Path(); }
    std::wstring Path(const std::wstring& relative) const { return m_dir / (L".minecraft\\" + relative); }

    void WriteVersion(const std::wstring& id, const std::string& json) const;
    void Write(const std::wstring& relative, const std::string& bytes) const;
    bool Exists(const std::wstring& relative) const;
    // Copies a file of the real test data into the tree.
    void CopyReal(const std::wstring& realRelative, const std::wstring& relative) const;

private:
    TempDir m_dir;
};

// Frees the descriptions when the test ends.
struct DownloadInfoList {
    ~DownloadInfoList();
    std::vector<trelm::download::DownloadInfoBase*> infos;
};

// "url (source)" of every URL of a description, for comparisons.
std::vector<std::string> UrlsOf(const trelm::download::DownloadInfoBase* info);
std::string TargetOf(const trelm::download::DownloadInfoBase* info);

}  // namespace testing_support
