// Memory sizes for the game's heap: the machine's memory, the size the
// player types, and the default maximum heap.
#pragma once

#include <cstdint>

namespace trelm {
namespace launcher {

// Free and total physical memory in bytes (GlobalMemoryStatusEx).
bool GetPhysicalMemory(uint64_t* available, uint64_t* total);

// "2048", "2g", "1.5 GB", "2, 048 M": commas and blanks are dropped, the unit
// is m/mb or g/gb in any case, and a bare number above 128 is megabytes, up to
// 128 gigabytes. The size is clamped to 512 MiB .. 128 GiB. A text that does
// not read gives false and 512.
bool ParseMemoryText(const wchar_t* text, uint32_t* megabytes);

// 80 % of the free memory, at least 1024 MB, at most 4096 MB for a 64-bit
// runtime and 1024 MB for a 32-bit one (its address space holds no more).
uint32_t DefaultMaxHeapMB(bool is64BitJava);
// The same for a given amount of free memory in bytes.
uint32_t DefaultMaxHeapMB(bool is64BitJava, uint64_t availableBytes);

}  // namespace launcher
}  // namespace trelm
