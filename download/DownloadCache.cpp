#include "download/DownloadCache.h"

#include <cstring>

#include "core/FileUtils.h"
#include "core/ScopedHandle.h"
#include "core/Sha1.h"

namespace trelm {
namespace download {

namespace {

const wchar_t kCacheFolderName[] = L"EA8E91DE-2A1C-4065-B052-BD2F632C60A4";

}  // namespace

WString GetDownloadCacheDir() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    WString folder;
    if (length > 0 && length < MAX_PATH) {
        folder.Assign(temp, static_cast<int>(length));
        if (temp[length - 1] != L'\\' && temp[length - 1] != L'/') folder.Append(L"\\");
    }
    folder.Append(kCacheFolderName);
    folder.Append(L"\\");
    return folder;
}

WString GetDownloadCacheEntryPath(const uint8_t sha1[20]) {
    WString name;
    Base64OfSha1(sha1, &name);
    name.Replace(L'/', L'-');
    WString path;
    path.Format(L"%s%s.tmp", GetDownloadCacheDir().GetString(), name.GetString());
    return path;
}

bool LookUpDownloadCache(const uint8_t sha1[20], int64_t expectedSize, const wchar_t* temporaryPath, HANDLE* file) {
    *file = INVALID_HANDLE_VALUE;
    const WString entry = GetDownloadCacheEntryPath(sha1);
    {
        ScopedHandle cached(CreateFileW(entry.GetString(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!cached.IsValid()) return false;
        LARGE_INTEGER size;
        if (!GetFileSizeEx(cached.Get(), &size) ||
            static_cast<uint64_t>(size.QuadPart) > static_cast<uint64_t>(expectedSize)) {
            return false;
        }
        uint8_t digest[20];
        if (!Sha1OfFileHandle(cached.Get(), digest) || std::memcmp(digest, sha1, sizeof digest) != 0) return false;
    }
    if (!CopyFileW(entry.GetString(), temporaryPath, FALSE)) return false;
    *file = CreateFileW(temporaryPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (*file == INVALID_HANDLE_VALUE) {
        DeleteFileW(temporaryPath);
        return false;
    }
    return true;
}

bool StoreInDownloadCache(const uint8_t sha1[20], const wchar_t* finishedPath) {
    if (!CreateDirectoryTree(GetDownloadCacheDir())) return false;
    const WString entry = GetDownloadCacheEntryPath(sha1);
    // Two tasks of one batch may store the same file at once: each copies
    // to a name of its own thread.
    WString partial;
    partial.Format(L"%s.%lu.part", entry.GetString(), static_cast<unsigned long>(GetCurrentThreadId()));
    if (!CopyFileW(finishedPath, partial.GetString(), FALSE)) {
        DeleteFileW(partial.GetString());
        return false;
    }
    if (!MoveFileExW(partial.GetString(), entry.GetString(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(partial.GetString());
        return false;
    }
    return true;
}

}  // namespace download
}  // namespace trelm
