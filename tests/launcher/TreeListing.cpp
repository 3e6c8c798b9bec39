#include "tests/launcher/TreeListing.h"

#include <windows.h>

namespace testing_support {

namespace {

void ListInto(const std::wstring& folder, const std::wstring& relative, std::set<std::wstring>& out) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + relative + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.insert(relative + name + L"\\");
            ListInto(folder, relative + name + L"\\", out);
        } else {
            out.insert(relative + name);
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

}  // namespace

std::set<std::wstring> ListTree(const std::wstring& folder) {
    std::set<std::wstring> out;
    ListInto(folder.back() == L'\\' ? folder : folder + L"\\", L"", out);
    return out;
}

}  // namespace testing_support
