#include "launcher/PeMachine.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "tests/support/FakeJava.h"
#include "tests/support/TestPaths.h"

namespace {

using trelm::launcher::ReadPeMachine;

void PutU16(std::string& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}
void PutU32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// "MZ", e_lfanew, "PE\0\0", Machine and Characteristics, all written and
// then cut to size; headers beyond 1 MiB are left out.
std::string PeHeader(uint16_t machine, uint16_t characteristics, uint32_t lfanew = 64, size_t size = 88) {
    const bool headersFit = lfanew < (1u << 20);
    std::string bytes(std::max<size_t>({size, 64, headersFit ? lfanew + 24 : 0}), '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    PutU32(bytes, 60, lfanew);
    if (headersFit) {
        bytes.replace(lfanew, 4, std::string("PE\0\0", 4));
        PutU16(bytes, lfanew + 4, machine);
        PutU16(bytes, lfanew + 22, characteristics);
    }
    bytes.resize(size);
    return bytes;
}

TEST(PeMachine, ReadsMachineAndDllBitWithinTheFile) {
    constexpr uint16_t kExe = IMAGE_FILE_EXECUTABLE_IMAGE;
    std::string notMz = PeHeader(IMAGE_FILE_MACHINE_I386, kExe);
    notMz[0] = 'P';
    notMz[1] = 'K';
    std::string badSignature = PeHeader(IMAGE_FILE_MACHINE_I386, kExe);
    badSignature[64 + 3] = 1;
    std::string newExecutable = PeHeader(IMAGE_FILE_MACHINE_I386, kExe);
    newExecutable.replace(64, 2, "NE");

    struct Row {
        const char* what;
        std::string bytes;
        int result;
        int machine;
        bool isDll;
    };
    const Row rows[] = {
        {"i386 executable", PeHeader(IMAGE_FILE_MACHINE_I386, kExe), 0, 0, false},
        {"AMD64 DLL", PeHeader(IMAGE_FILE_MACHINE_AMD64, kExe | IMAGE_FILE_DLL), 0, 1, true},
        {"headers end exactly at the end of the file", PeHeader(IMAGE_FILE_MACHINE_AMD64, kExe, 200, 224), 0, 1,
         false},
        {"ARM64", PeHeader(0xAA64, kExe), 2, -1, false},
        {"IA-64", PeHeader(IMAGE_FILE_MACHINE_IA64, kExe), 2, -1, false},
        {"file header cut one byte short", PeHeader(IMAGE_FILE_MACHINE_I386, kExe, 64, 87), 2, -1, false},
        {"shorter than a DOS header", PeHeader(IMAGE_FILE_MACHINE_I386, kExe, 64, 63), 2, -1, false},
        {"empty file", std::string(), 2, -1, false},
        {"not MZ", notMz, 2, -1, false},
        {"PE\\0\\1 signature", badSignature, 2, -1, false},
        {"16-bit NE executable", newExecutable, 2, -1, false},
        {"e_lfanew past the end", PeHeader(IMAGE_FILE_MACHINE_I386, kExe, 0x7FFFFFF0, 88), 2, -1, false},
        {"e_lfanew negative", PeHeader(IMAGE_FILE_MACHINE_I386, kExe, 0xFFFFFFF0, 88), 2, -1, false},
        // The page holding the file's last byte reads as zeros beyond it.
        {"headers run past the end of a page-sized file", PeHeader(IMAGE_FILE_MACHINE_I386, kExe, 4090, 4096), 2,
         -1, false},
    };
    testing_support::TempDir dir;
    int n = 0;
    for (const Row& row : rows) {
        const std::wstring path = dir / (L"file" + std::to_wstring(n++) + L".exe");
        testing_support::WriteBytes(path, row.bytes);
        int machine = -1;
        bool isDll = false;
        EXPECT_EQ(row.result, ReadPeMachine(path.c_str(), &machine, &isDll)) << row.what;
        EXPECT_EQ(row.machine, machine) << row.what;
        EXPECT_EQ(row.isDll, isDll) << row.what;
    }
}

TEST(PeMachine, UnopenableFileIsResultOne) {
    testing_support::TempDir dir;
    int machine = -1;
    bool isDll = false;
    EXPECT_EQ(1, ReadPeMachine((dir / L"missing.exe").c_str(), &machine, &isDll));

    // Held open by someone who shares nothing.
    const std::wstring locked = dir / L"locked.exe";
    testing_support::WriteBytes(locked, PeHeader(IMAGE_FILE_MACHINE_I386, IMAGE_FILE_EXECUTABLE_IMAGE));
    HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(1, ReadPeMachine(locked.c_str(), &machine, &isDll));
    CloseHandle(holder);
    EXPECT_EQ(-1, machine);
}

// Built executables, not crafted headers: the i686 fakes and this test, and
// the x86-64 fakes that stand for a 64-bit Java.
TEST(PeMachine, RealExecutablesGiveTheirMachine) {
    testing_support::FakeJavaHome java;
    testing_support::FakeJavaHome java64(testing_support::FakeJavaHome::k64Bit);
    wchar_t self[MAX_PATH];
    ASSERT_NE(0u, GetModuleFileNameW(nullptr, self, MAX_PATH));
    const std::pair<std::wstring, int> rows[] = {
        {java.JavaExe(), 0}, {java.JavawExe(), 0}, {self, 0}, {java64.JavaExe(), 1}, {java64.JavawExe(), 1},
    };
    for (const auto& row : rows) {
        int machine = -1;
        bool isDll = true;
        EXPECT_EQ(0, ReadPeMachine(row.first.c_str(), &machine, &isDll)) << testing_support::Narrow(row.first);
        EXPECT_EQ(row.second, machine) << testing_support::Narrow(row.first);
        EXPECT_FALSE(isDll) << testing_support::Narrow(row.first);
    }
}

}  // namespace
