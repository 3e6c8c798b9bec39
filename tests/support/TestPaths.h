// Paths the tests need: temporary folders in the Wine prefix and the
// host folders (test data, sources, build) named by the test runner.
#pragma once

#include <string>

#include "core/WString.h"

namespace testing_support {

// A host path ("/work/x") as Wine sees it ("Z:\work\x"); Windows paths pass.
std::wstring HostToWindowsPath(const std::string& hostPath);
// A Windows path as the host sees it, through Wine's own mapping; empty
// when the path has no host name (or outside Wine). For host programs the
// tests start, such as the local HTTP server.
std::string WindowsToHostPath(const std::wstring& windowsPath);
// An environment variable set by the test runner, as a Windows path; empty
// when unset.
std::wstring PathFromEnvironment(const char* name);
// The folder of real game files; empty when it is absent.
std::wstring RealTestDataDir();
std::string Narrow(const std::wstring& text);  // UTF-8, for messages
std::wstring Widen(const std::string& text);   // from UTF-8

// A fresh folder under the temporary folder, deleted with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::wstring& Path() const { return m_path; }  // ends with "\"
    std::wstring operator/(const std::wstring& relative) const { return m_path + relative; }

private:
    std::wstring m_path;
};

// Writes bytes to a file, creating its folders; for building fixtures.
void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
// A file or folder stands at path.
bool Exists(const std::wstring& path);

}  // namespace testing_support

#define SKIP_WITHOUT_REAL_DATA()                                                                  \
    do {                                                                                          \
        if (testing_support::RealTestDataDir().empty())                                           \
            GTEST_SKIP() << "the real game files (../shared/testdata/real) are not beside the checkout"; \
    } while (0)
