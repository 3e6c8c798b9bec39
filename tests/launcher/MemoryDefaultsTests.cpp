#include "launcher/MemoryDefaults.h"

#include <gtest/gtest.h>

#include "tests/support/TestPaths.h"

namespace {

using namespace trelm::launcher;

constexpr uint64_t kMiB = 1024 * 1024;

TEST(MemoryDefaults, ParsesTypedSizes) {
    struct Row {
        const wchar_t* text;
        bool ok;
        uint32_t megabytes;
    };
    const Row rows[] = {
        {L"2, 048 M", true, 2048},  // separators dropped, unit in any case
        {L"4096Mb", true, 4096},
        {L"1.5 GB", true, 1536},
        {L"0.5g", true, 512},
        {L"1023.9m", true, 1023},  // bytes and megabytes are truncated
        {L"3", true, 3072},        // a bare number up to 128 is gigabytes...
        {L"128", true, 131072},
        {L"129", true, 512},       // ...above it megabytes, here clamped up
        {L"200", true, 512},
        {L"200 GB", true, 131072},  // clamped down
        {L"1e8", true, 131072},     // the largest number taken
        {L"1e9 m", false, 512},
        {L"-1", false, 512},
        {L"2 k", false, 512},
        {L"2gbx", false, 512},
        {L"2megabytes", false, 512},  // unit read as "megabytes": no such unit
        {L"gb", false, 512},
        {L"", false, 512},
        {L"nan", false, 512},
    };
    for (const Row& row : rows) {
        uint32_t megabytes = 12345;  // replaced on failure too
        EXPECT_EQ(row.ok, ParseMemoryText(row.text, &megabytes)) << testing_support::Narrow(row.text);
        EXPECT_EQ(row.megabytes, megabytes) << testing_support::Narrow(row.text);
    }
}

// Free memory as an input: under Wine it is the host's in either prefix, so
// no prefix gives these cases.
TEST(MemoryDefaults, HeapIsEightyPercentOfFreeMemoryClamped) {
    struct Row {
        uint64_t freeBytes;
        uint32_t heap64;
        uint32_t heap32;
    };
    const Row rows[] = {
        {1000 * kMiB, 1024, 1024},  // raised to the floor
        {0, 1024, 1024},
        {1280 * kMiB, 1024, 1024},
        {2000 * kMiB, 1600, 1024},
        {2000 * kMiB + kMiB - 1, 1600, 1024},  // whole megabytes only
        {5119 * kMiB, 4095, 1024},
        {5120 * kMiB, 4096, 1024},
        {8000 * kMiB, 4096, 1024},  // capped
        {~uint64_t{0}, 4096, 1024},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.heap64, DefaultMaxHeapMB(true, row.freeBytes)) << row.freeBytes;
        EXPECT_EQ(row.heap32, DefaultMaxHeapMB(false, row.freeBytes)) << row.freeBytes;
    }
}

TEST(MemoryDefaults, ThisMachine) {
    uint64_t available = 0, total = 0;
    ASSERT_TRUE(GetPhysicalMemory(&available, &total));
    EXPECT_GT(total, 0u);
    EXPECT_LE(available, total);
    EXPECT_EQ(1024u, DefaultMaxHeapMB(false));
    const uint32_t heap = DefaultMaxHeapMB(true);
    EXPECT_GE(heap, 1024u);
    EXPECT_LE(heap, 4096u);
}

}  // namespace
