#include "core/DirectoryScan.h"

#include <random>

namespace {

const uint64_t kMaxPickSize = 41943040;  // 40 MiB
const uint64_t kCreationWindowTicks = 50000000;  // 5 s in 100 ns units

bool IsDotEntry(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

uint64_t ToTicks(const FILETIME& t) { return static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime; }

// Calls take(entry) for every entry of the search except "." and "..".
template <typename Take>
bool ForEachMatch(const wchar_t* pattern, Take take) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW(pattern, FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        if (!IsDotEntry(data.cFileName)) take(data);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

}  // namespace

bool PickRandomFile(const WString& folder, WString* outPath, int patternCount, const wchar_t* const* patterns,
                    int* lastIndex) {
    WString base = folder;
    const int length = base.GetLength();
    if (length == 0 || (base[length - 1] != L'\\' && base[length - 1] != L'/')) base.Append(L"\\", 1);

    std::vector<WString> names;
    names.reserve(128);
    for (int i = 0; i < patternCount; ++i) {
        WString search;
        search.Format(L"%s%s", base.GetString(), patterns[i]);
        ForEachMatch(search.GetString(), [&](const WIN32_FIND_DATAW& data) {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_ARCHIVE) && data.nFileSizeHigh == 0 &&
                data.nFileSizeLow <= kMaxPickSize)
                names.push_back(WString(data.cFileName));
        });
    }
    if (names.empty()) return false;

    SYSTEMTIME now;
    GetSystemTime(&now);
    std::mt19937 generator(static_cast<uint32_t>(now.wSecond) * now.wMilliseconds);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(names.size()) - 1);
    int index = pick(generator);
    if (lastIndex) {
        if (index == *lastIndex) index = (index + 1) % static_cast<int>(names.size());
        *lastIndex = index;
    }
    outPath->Format(L"%s%s", base.GetString(), names[index].GetString());
    return true;
}

bool FindFilesCreatedNear(const wchar_t* pattern, const FILETIME& time, std::vector<WString>* names) {
    names->clear();
    const uint64_t target = ToTicks(time);
    ForEachMatch(pattern, [&](const WIN32_FIND_DATAW& data) {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_ARCHIVE)) return;
        const uint64_t created = ToTicks(data.ftCreationTime);
        const uint64_t distance = created > target ? created - target : target - created;
        if (distance <= kCreationWindowTicks) names->push_back(WString(data.cFileName));
    });
    return !names->empty();
}
