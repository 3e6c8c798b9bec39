// What goes through the shell and the module loader rather than plain
// files: desktop links and the executable's text resource.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "core/Resources.h"
#include "core/ShellLink.h"
#include "tests/support/TestPaths.h"

namespace {

using testing_support::Narrow;
using testing_support::TempDir;
using testing_support::WriteBytes;

class ComScope {
public:
    ComScope() : m_hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(m_hr)) CoUninitialize();
    }
    bool Ok() const { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

struct LinkFields {
    std::wstring path, arguments, directory, description;
    int show = 0;
};

bool ReadLink(const std::wstring& linkPath, LinkFields* fields) {
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) hr = file->Load(linkPath.c_str(), STGM_READ);
    wchar_t buffer[1024];
    if (SUCCEEDED(hr)) hr = link->GetPath(buffer, 1024, nullptr, SLGP_RAWPATH);
    if (SUCCEEDED(hr)) fields->path = buffer;
    if (SUCCEEDED(hr)) hr = link->GetArguments(buffer, 1024);
    if (SUCCEEDED(hr)) fields->arguments = buffer;
    if (SUCCEEDED(hr)) hr = link->GetWorkingDirectory(buffer, 1024);
    if (SUCCEEDED(hr)) fields->directory = buffer;
    if (SUCCEEDED(hr)) hr = link->GetDescription(buffer, 1024);
    if (SUCCEEDED(hr)) fields->description = buffer;
    if (SUCCEEDED(hr)) hr = link->GetShowCmd(&fields->show);
    if (file) file->Release();
    if (link) link->Release();
    return SUCCEEDED(hr);
}

TEST(CreateShellLink, WritesALinkThatReadsBack) {
    ComScope com;
    ASSERT_TRUE(com.Ok());
    TempDir dir;
    const std::wstring target = dir / L"launcher dir\\QuorvelLauncher.exe";
    WriteBytes(target, "MZ");
    const std::wstring linkPath = dir / L"1.12.2 forge.lnk";
    ASSERT_TRUE(CreateShellLink(target.c_str(), L"启动 1.12.2", linkPath.c_str(), L"-sclaunch 3f2a9c",
                                (dir / L"launcher dir").c_str()));
    LinkFields fields;
    ASSERT_TRUE(ReadLink(linkPath, &fields));
    EXPECT_EQ(target, fields.path) << Narrow(fields.path);
    EXPECT_EQ(L"-sclaunch 3f2a9c", fields.arguments);
    EXPECT_EQ(dir / L"launcher dir", fields.directory) << Narrow(fields.directory);
    EXPECT_EQ(L"启动 1.12.2", fields.description);
    EXPECT_EQ(SW_SHOWNORMAL, fields.show);

    // Saving into a folder that does not exist fails.
    EXPECT_FALSE(CreateShellLink(target.c_str(), L"x", (dir / L"no\\such\\x.lnk").c_str(), L"", L""));
}

TEST(LoadUtf8TextResource, MissingResource) {
    WString text(L"stale");
    EXPECT_FALSE(LoadUtf8TextResource(GetModuleHandleW(nullptr), &text));
}

TEST(LoadUtf8TextResource, ReadsTheAboutText) {
    // A copy of this test program with the resource added, loaded as data.
    TempDir dir;
    wchar_t self[MAX_PATH];
    ASSERT_NE(0u, GetModuleFileNameW(nullptr, self, MAX_PATH));
    const std::wstring copy = dir / L"with-text.exe";
    ASSERT_TRUE(CopyFileW(self, copy.c_str(), FALSE));
    const std::string utf8 = "\xE5\x85\xB3\xE4\xBA\x8E Quorvel\r\nlicences: \xC2\xA9";
    HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
    if (!update) GTEST_SKIP() << "resources cannot be updated here (error " << GetLastError() << ")";
    ASSERT_TRUE(UpdateResourceW(update, L"TXT", MAKEINTRESOURCEW(117), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                const_cast<char*>(utf8.data()), static_cast<DWORD>(utf8.size())));
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE));

    HMODULE module = LoadLibraryExW(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    WString text;
    const bool ok = LoadUtf8TextResource(module, &text);
    FreeLibrary(module);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(text == L"关于 Quorvel\r\nlicences: \x00A9") << Narrow(text.GetString());
}

}  // namespace
