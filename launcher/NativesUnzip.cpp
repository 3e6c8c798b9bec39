#include "launcher/NativesUnzip.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include <zip.h>

#include "core/Encoding.h"
#include "core/FileUtils.h"
#include "core/WString.h"

namespace trelm {
namespace launcher {

namespace {

struct ZipCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
};

bool IsExcluded(const char* name, const std::vector<AString>& excludes) {
    for (const AString& exclude : excludes)
        if (strncmp(name, exclude.GetString(), static_cast<size_t>(exclude.GetLength())) == 0) return true;
    return false;
}

// Copies the entry into temp; true only when exactly size bytes arrived.
// The bound is checked on the declared size and again on the bytes as they
// are written, which is what a lying archive cannot hide.
bool WriteEntry(zip_t* archive, zip_uint64_t index, zip_uint64_t size, const wchar_t* temp) {
    if (size > kMaxNativeEntryBytes) return false;
    std::unique_ptr<zip_file_t, ZipFileCloser> entry(zip_fopen_index(archive, index, 0));
    if (!entry) return false;
    std::unique_ptr<FILE, FileCloser> out(_wfopen(temp, L"wb"));
    if (!out) return false;
    char buffer[4096];
    zip_uint64_t written = 0;
    while (written < size) {
        const zip_int64_t got = zip_fread(entry.get(), buffer, sizeof(buffer));
        // Zero bytes before the end is a truncated archive, not progress.
        if (got <= 0) return false;
        if (written + static_cast<zip_uint64_t>(got) > kMaxNativeEntryBytes) return false;
        if (fwrite(buffer, 1, static_cast<size_t>(got), out.get()) != static_cast<size_t>(got)) return false;
        written += static_cast<zip_uint64_t>(got);
    }
    if (written != size) return false;
    // Reading past the end makes the library check the entry's CRC.
    if (zip_fread(entry.get(), buffer, sizeof(buffer)) != 0) return false;
    return fclose(out.release()) == 0;
}

}  // namespace

bool UnzipNatives(const wchar_t* jarPath, const wchar_t* folder, const std::vector<AString>& excludes) {
    std::unique_ptr<char[]> utf8Path = WideToUtf8(jarPath, -1);
    if (!utf8Path) return false;
    int error = 0;
    std::unique_ptr<zip_t, ZipCloser> archive(zip_open(utf8Path.get(), ZIP_RDONLY, &error));
    if (!archive) return false;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW, &stat) != 0) continue;
        if (!(stat.valid & ZIP_STAT_NAME) || !(stat.valid & ZIP_STAT_SIZE) || stat.name == nullptr) continue;
        if (IsExcluded(stat.name, excludes)) continue;

        WString name;
        name.AssignAnsi(stat.name, static_cast<int>(strlen(stat.name)));
        if (!IsSafeRelativePath(name.GetString(), static_cast<size_t>(name.GetLength()))) return false;
        WString destination = folder;
        destination.Append(name);
        const wchar_t last = name[name.GetLength() - 1];
        if (last == L'/' || last == L'\\') {
            if (!CreateDirectoryTree(destination.GetString())) return false;
            continue;
        }
        if (GetFileAttributesW(destination.GetString()) != INVALID_FILE_ATTRIBUTES) continue;
        if (!CreateParentDirectory(destination.GetString())) return false;
        WString temp = destination + L".temp";
        if (!WriteEntry(archive.get(), static_cast<zip_uint64_t>(i), stat.size, temp.GetString())) {
            DeleteFileW(temp.GetString());
            return false;
        }
        DeleteFileW(destination.GetString());
        if (!MoveFileW(temp.GetString(), destination.GetString())) {
            DeleteFileW(temp.GetString());
            return false;
        }
    }
    return true;
}

}  // namespace launcher
}  // namespace trelm
