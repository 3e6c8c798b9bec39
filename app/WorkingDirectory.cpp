#include "app/WorkingDirectory.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

std::wstring LongForm(const wchar_t* path) {
    std::wstring folder = path;
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetLongPathNameW(folder.c_str(), buffer, MAX_PATH + 1);
    // A folder that cannot be looked up is compared as it was written.
    if (length > 0 && length <= MAX_PATH) folder.assign(buffer, length);
    for (wchar_t& c : folder) {
        if (c == L'/') c = L'\\';
    }
    return folder;
}

}  // namespace

bool IsSameFolder(const wchar_t* a, const wchar_t* b) {
    const std::wstring left = LongForm(a), right = LongForm(b);
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

int CheckWorkingDirectory() {
    wchar_t module[MAX_PATH];
    if (GetModuleFileNameW(NULL, module, MAX_PATH) == 0) return kWorkingDirectoryUnreadable;
    wchar_t drive[_MAX_DRIVE], directory[256];
    if (_wsplitpath_s(module, drive, _MAX_DRIVE, directory, 256, NULL, 0, NULL, 0) != 0) {
        return kWorkingDirectoryUnreadable;
    }
    const std::wstring own = std::wstring(drive) + directory;
    wchar_t current[MAX_PATH];
    if (GetCurrentDirectoryW(MAX_PATH, current) == 0) return kWorkingDirectoryUnreadable;
    return IsSameFolder(own.c_str(), current) ? kWorkingDirectoryOk : kWorkingDirectoryDiffers;
}

const wchar_t* WorkingDirectoryCheckText(int code) {
    switch (code) {
        case kWorkingDirectoryOk: return L"成功";
        case kWorkingDirectoryUnreadable: return L"取得启动器路径或当前路径失败";
        case kWorkingDirectoryDiffers: return L"启动器路径和当前路径不一致";
        default: return L"未知错误";
    }
}
