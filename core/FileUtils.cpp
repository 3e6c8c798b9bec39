#include "core/FileUtils.h"

#include <cstdlib>
#include <cwchar>
#include <utility>

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

struct PathParts {
    wchar_t drive[MAX_PATH];
    wchar_t dir[MAX_PATH];
    wchar_t name[MAX_PATH];
    wchar_t ext[MAX_PATH];
};

bool SplitPath(const wchar_t* path, PathParts* parts) {
    if (!path) return false;
    return _wsplitpath_s(path, parts->drive, MAX_PATH, parts->dir, MAX_PATH, parts->name, MAX_PATH, parts->ext,
                         MAX_PATH) == 0;
}

// ERROR_ALREADY_EXISTS is also what a file of the same name gives; that file
// would make every later write into the "folder" fail, so it counts as failure.
bool CreateOneDirectory(const wchar_t* path) {
    if (CreateDirectoryW(path, nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS && DirectoryExists(path);
}

bool WriteAll(HANDLE file, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr) || written != chunk) return false;
        bytes += chunk;
        size -= chunk;
    }
    return true;
}

// Drops the last folder of a folder text that ends in a separator.
bool CutLastComponent(WString& folder) {
    const int length = folder.GetLength();
    if (length < 2) return false;
    for (int i = length - 2; i >= 0; --i) {
        if (IsSeparator(folder[i])) {
            folder.Truncate(i + 1);
            return true;
        }
    }
    return false;
}

// folder is root or lies below it (both end in "\" unless root is empty).
bool IsWithinRoot(const WString& folder, const WString& root) {
    if (folder.GetLength() < root.GetLength()) return false;
    if (root.IsEmpty()) return true;
    return CompareStringOrdinal(folder.GetString(), root.GetLength(), root.GetString(), root.GetLength(), TRUE) ==
           CSTR_EQUAL;
}

// Replaces path with what a Win32 path function (GetFullPathNameW or
// GetLongPathNameW, given the path, a buffer and its size) makes of it;
// false, path untouched, when it fails.
template <typename Convert>
bool ConvertPath(WString& path, Convert convert) {
    const DWORD size = convert(path.GetString(), nullptr, 0);
    if (size == 0) return false;
    WString converted;
    const DWORD length = convert(path.GetString(), converted.GetBuffer(static_cast<int>(size), false), size);
    if (length == 0 || length >= size) return false;
    converted.ReleaseBuffer(static_cast<int>(length));
    path = std::move(converted);
    return true;
}

// The long form exists only for a path that is there; the full form alone
// still resolves "..", "/" and the name's trailing dots.
WString ComparablePath(const wchar_t* path) {
    WString result(path);
    const auto full = [](const wchar_t* in, wchar_t* out, DWORD size) {
        return GetFullPathNameW(in, size, out, nullptr);
    };
    if (ConvertPath(result, full)) ConvertPath(result, &GetLongPathNameW);
    return result;
}

bool IsDotEntry(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

}  // namespace

bool GetFileSize64(const wchar_t* path, uint64_t* size) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER value;
    const BOOL ok = GetFileSizeEx(file, &value);
    CloseHandle(file);
    if (!ok) return false;
    *size = static_cast<uint64_t>(value.QuadPart);
    return true;
}

bool GetDirectoryPart(const wchar_t* path, WString* out) {
    PathParts parts;
    if (!SplitPath(path, &parts)) return false;
    *out = parts.drive;
    out->Append(parts.dir);
    return true;
}

bool GetFileNamePart(const wchar_t* path, WString* out) {
    PathParts parts;
    if (!SplitPath(path, &parts)) return false;
    *out = parts.name;
    out->Append(parts.ext);
    return true;
}

bool GetFileNamePartToBuffer(const wchar_t* path, wchar_t buffer[MAX_PATH]) {
    PathParts parts;
    if (!SplitPath(path, &parts)) return false;
    const size_t nameLength = wcslen(parts.name);
    const size_t extLength = wcslen(parts.ext);
    if (nameLength + extLength >= MAX_PATH) return false;
    wmemcpy(buffer, parts.name, nameLength);
    wmemcpy(buffer + nameLength, parts.ext, extLength + 1);
    return true;
}

bool IsSamePath(const wchar_t* a, const wchar_t* b) {
    const WString left = ComparablePath(a), right = ComparablePath(b);
    return CompareStringOrdinal(left, left.GetLength(), right, right.GetLength(), TRUE) == CSTR_EQUAL;
}

void RemoveInvalidFileNameChars(WString& name) {
    static const wchar_t kInvalid[] = L"<>:\"/\\|?*";
    for (const wchar_t* c = kInvalid; *c; ++c) name.Remove(*c);
}

void GetUrlTail(const wchar_t* text, WString* out) {
    const wchar_t* slash = wcsrchr(text, L'/');
    *out = (slash && slash[1]) ? slash + 1 : text;
}

bool CreateDirectoryTree(const wchar_t* path) {
    const size_t length = wcslen(path);
    if (length >= MAX_PATH) return false;
    if (length == 0) return true;
    wchar_t buffer[MAX_PATH];
    wmemcpy(buffer, path, length + 1);
    // The root of a drive ("C:\") exists and cannot be created.
    const size_t start = (length >= 2 && buffer[1] == L':') ? 3 : 0;
    for (size_t i = start; i < length; ++i) {
        if (!IsSeparator(buffer[i])) continue;
        buffer[i] = 0;
        if (!CreateOneDirectory(buffer)) return false;
        buffer[i] = L'\\';
    }
    if (!IsSeparator(buffer[length - 1])) return CreateOneDirectory(buffer);
    return true;
}

bool CreateParentDirectory(const wchar_t* filePath) {
    WString folder;
    if (!GetDirectoryPart(filePath, &folder)) return false;
    return CreateDirectoryTree(folder);
}

bool FileExists(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool KeepFileAside(const wchar_t* path, WString* keptAs) {
    constexpr int kKeptNames = 9;
    for (int i = 1; i <= kKeptNames; ++i) {
        WString name;
        if (i == 1)
            name.Format(L"%s.bad", path);
        else
            name.Format(L"%s.bad%d", path, i);
        // Without MOVEFILE_REPLACE_EXISTING an existing name is never replaced.
        if (MoveFileExW(path, name.GetString(), 0)) {
            *keptAs = name;
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

void UnreadFileGuard::AfterLoad(bool read, const wchar_t* path) {
    if (read) {
        m_unread = false;
        return;
    }
    // Only a file that is not there at all is a first start; one that
    // cannot even be looked at is kept as well.
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) {
        m_unread = true;
        return;
    }
    const DWORD error = GetLastError();
    m_unread = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool UnreadFileGuard::KeepAside(const wchar_t* path, WString* keptAs) {
    if (!m_unread) return true;
    if (!KeepFileAside(path, keptAs)) return false;
    m_unread = false;
    return true;
}

bool DirectoryExists(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteFileBytes(const wchar_t* path, const void* data, size_t size) {
    if (!CreateParentDirectory(path)) return false;
    // Settings, accounts and version JSONs are rewritten in place: a crash or
    // a full disk half-way must not cost the player the old file.
    WString temp(path);
    temp.Append(L".tmp");
    HANDLE file = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteAll(file, data, size) && FlushFileBuffers(file);
    if (!CloseHandle(file)) ok = false;
    if (ok) ok = MoveFileExW(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!ok) DeleteFileW(temp);
    return ok;
}

bool CopyFileCreatingDirs(const wchar_t* source, const wchar_t* destination) {
    if (!CreateParentDirectory(destination)) return false;
    // Copying onto the destination itself would leave it cut short when the
    // process ends mid-way, and a cut jar looks just like a whole one.
    WString temp(destination);
    temp.Append(L".tmp");
    bool ok = CopyFileW(source, temp, FALSE) != FALSE;
    if (ok) ok = MoveFileExW(temp, destination, MOVEFILE_REPLACE_EXISTING) != FALSE;
    if (!ok) DeleteFileW(temp);
    return ok;
}

bool DeleteFileAndEmptyParents(const wchar_t* filePath, const wchar_t* root) {
    if (!DeleteFileW(filePath)) return false;
    WString folder;
    if (!GetDirectoryPart(filePath, &folder)) return true;
    WString top(root);
    AppendPathSeparator(top);
    folder.Replace(L'/', L'\\');
    top.Replace(L'/', L'\\');
    // Pruning stops at the root: whatever lies above it belongs to someone else.
    while (IsWithinRoot(folder, top)) {
        if (!RemoveDirectoryW(folder)) break;  // not empty
        if (folder.GetLength() <= top.GetLength()) break;
        if (!CutLastComponent(folder)) break;
    }
    return true;
}

bool DeleteDirectoryTree(const wchar_t* path) {
    // A folder that is itself a link goes as a link: what it points to may
    // be anything of the player's.
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return RemoveDirectoryW(path) != FALSE;
    WString pattern(path);
    pattern.Append(L"\\*.*");
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        if (IsDotEntry(data.cFileName)) continue;
        WString child;
        child.Format(L"%s\\%s", path, data.cFileName);
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ok = DeleteFileW(child) != FALSE;
        } else if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            // A junction or folder link: remove the link, not what it points to.
            ok = RemoveDirectoryW(child) != FALSE;
        } else {
            ok = DeleteDirectoryTree(child);
        }
    } while (ok && FindNextFileW(find, &data));
    if (ok && GetLastError() != ERROR_NO_MORE_FILES) ok = false;
    FindClose(find);
    return ok && RemoveDirectoryW(path);
}

bool IsDeviceName(const wchar_t* name, size_t length) {
    // Windows reads only what comes before the first dot, without the
    // spaces that end it: "com1 .jar" is COM1.
    size_t stem = 0;
    while (stem < length && name[stem] != L'.') ++stem;
    while (stem > 0 && name[stem - 1] == L' ') --stem;
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* device : kDevices)
        if (wcslen(device) == stem && _wcsnicmp(name, device, stem) == 0) return true;
    if (stem != 4 || (_wcsnicmp(name, L"COM", 3) != 0 && _wcsnicmp(name, L"LPT", 3) != 0)) return false;
    const wchar_t digit = name[3];
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

bool IsSafeRelativePath(const wchar_t* path, size_t length) {
    if (path == nullptr || length == 0 || IsSeparator(path[0])) return false;
    size_t componentStart = 0;
    for (size_t i = 0; i <= length; ++i) {
        if (i < length && path[i] == L'\0') return false;
        if (i < length && path[i] == L':') return false;
        if (i == length || IsSeparator(path[i])) {
            // Windows drops trailing dots and spaces, so ".. " or "..." may
            // act as ".."; a component of only those characters is refused.
            size_t dotsAndSpaces = 0;
            while (componentStart + dotsAndSpaces < i &&
                   (path[componentStart + dotsAndSpaces] == L'.' || path[componentStart + dotsAndSpaces] == L' '))
                ++dotsAndSpaces;
            if (dotsAndSpaces == i - componentStart && dotsAndSpaces >= 2) return false;
            if (IsDeviceName(path + componentStart, i - componentStart)) return false;
            componentStart = i + 1;
        }
    }
    return true;
}

void AppendPathSeparator(WString& path) {
    const int length = path.GetLength();
    if (length == 0 || IsSeparator(path[length - 1])) return;
    path.Append(L"\\", 1);
}
