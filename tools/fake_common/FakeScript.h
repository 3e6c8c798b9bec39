// The script a fake tool follows: "key=value" lines read from a text file
// beside the executable, so a test steers one copy of the tool without
// touching the command line the code under test builds.
#pragma once

#include <string>
#include <vector>

namespace fake_tool {

struct Directive {
    std::string key;
    std::string value;  // raw UTF-8 as written, escapes not yet decoded
    int line = 0;
};

class FakeScript {
public:
    // Reads "<exe name without extension>.txt" from the executable's folder,
    // or else `sharedName` there; no file gives an empty script.
    static FakeScript LoadBesideExecutable(const wchar_t* sharedName);

    const std::wstring& Path() const { return m_path; }  // empty without a file
    const std::vector<Directive>& Directives() const { return m_directives; }

    void Parse(const std::string& text);

private:
    std::wstring m_path;
    std::vector<Directive> m_directives;
};

// Decodes \\ \n \r \t \xHH (one byte) in a value; other bytes pass.
std::string Unescape(const std::string& value);
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
std::wstring ExecutablePath();
std::wstring FolderOf(const std::wstring& path);  // keeps the trailing "\"
// Relative paths in a script are taken from the script's folder.
std::wstring ResolveBeside(const std::wstring& scriptPath, const std::wstring& path);

}  // namespace fake_tool
