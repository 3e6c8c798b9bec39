#include "app/WorkingDirectory.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "core/FileUtils.h"

bool IsSameFolder(const wchar_t* a, const wchar_t* b) {
    WString left(a), right(b);
    AppendPathSeparator(left);
    AppendPathSeparator(right);
    return IsSamePath(left, right);
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
