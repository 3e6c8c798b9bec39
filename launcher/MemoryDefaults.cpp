#include "launcher/MemoryDefaults.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <cwctype>

#include "core/WString.h"

namespace trelm {
namespace launcher {

namespace {

constexpr uint64_t kMiB = 1024 * 1024;
constexpr uint64_t kGiB = kMiB * 1024;
constexpr uint32_t kFallbackMB = 512;
constexpr uint64_t kMinBytes = 512 * kMiB;
constexpr uint64_t kMaxBytes = 128 * kGiB;
constexpr double kMaxNumber = 1e8;
// Without a unit, small numbers are meant as gigabytes: nobody gives the
// game 128 MB, and nobody has more than 128 GB.
constexpr double kBareGigabyteLimit = 128;

uint32_t ClampHeap(bool is64BitJava, double freeMB) {
    const uint32_t cap = is64BitJava ? 4096 : 1024;
    if (freeMB <= 1024) return 1024;
    if (freeMB >= cap) return cap;
    return static_cast<uint32_t>(freeMB);
}

}  // namespace

bool GetPhysicalMemory(uint64_t* available, uint64_t* total) {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status)) return false;
    *available = status.ullAvailPhys;
    *total = status.ullTotalPhys;
    return true;
}

bool ParseMemoryText(const wchar_t* text, uint32_t* megabytes) {
    *megabytes = kFallbackMB;
    if (!text) return false;
    WString compact(text);
    compact.Remove(L',');
    compact.Remove(L' ');

    double number = 0;
    wchar_t unit[10] = {};
    // %ls: a wide buffer under both the Microsoft and the ISO reading of %s.
    const int fields = swscanf(compact.GetString(), L"%lf%9ls", &number, unit);
    if (fields < 1) return false;
    // Written so that a NaN fails too.
    if (!(number >= 0 && number <= kMaxNumber)) return false;
    for (wchar_t* c = unit; *c; ++c) *c = static_cast<wchar_t>(towlower(*c));

    double bytes;
    if (unit[0] == 0) {
        bytes = number * static_cast<double>(number > kBareGigabyteLimit ? kMiB : kGiB);
    } else if (!wcscmp(unit, L"m") || !wcscmp(unit, L"mb")) {
        bytes = number * static_cast<double>(kMiB);
    } else if (!wcscmp(unit, L"g") || !wcscmp(unit, L"gb")) {
        bytes = number * static_cast<double>(kGiB);
    } else {
        return false;
    }
    uint64_t whole = static_cast<uint64_t>(bytes);
    if (whole < kMinBytes) whole = kMinBytes;
    if (whole > kMaxBytes) whole = kMaxBytes;
    *megabytes = static_cast<uint32_t>(whole / kMiB);
    return true;
}

uint32_t DefaultMaxHeapMB(bool is64BitJava) {
    uint64_t available = 0;
    uint64_t total = 0;
    if (!GetPhysicalMemory(&available, &total)) return ClampHeap(is64BitJava, kFallbackMB);
    return DefaultMaxHeapMB(is64BitJava, available);
}

uint32_t DefaultMaxHeapMB(bool is64BitJava, uint64_t availableBytes) {
    // Whole megabytes first, then 80 % of them, truncated.
    const double freeMB = static_cast<double>(availableBytes / kMiB) * 0.8;
    return ClampHeap(is64BitJava, static_cast<double>(static_cast<uint64_t>(freeMB)));
}

}  // namespace launcher
}  // namespace trelm
