// SHA-1 of files and memory, and the Base64 form of digests.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "core/Sha1.h"
#include "tests/support/TestPaths.h"

namespace {

using testing_support::TempDir;

std::string Hex(const uint8_t* digest) {
    char text[2 * kSha1DigestSize + 1];
    for (uint32_t i = 0; i < kSha1DigestSize; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
    return text;
}

std::string HexOfBuffer(const std::string& bytes) {
    uint8_t digest[kSha1DigestSize];
    EXPECT_TRUE(Sha1OfBuffer(bytes.data(), bytes.size(), digest));
    return Hex(digest);
}

// Bytes that differ everywhere, so a piece read twice or skipped changes the digest.
std::string PatternBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    return bytes;
}

struct OpenFile {
    OpenFile(const std::wstring& path, DWORD access)
        : handle(CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~OpenFile() { CloseHandle(handle); }
    HANDLE handle;
};

TEST(Sha1OfBuffer, KnownDigests) {
    EXPECT_EQ("da39a3ee5e6b4b0d3255bfef95601890afd80709", HexOfBuffer(""));
    EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", HexOfBuffer("abc"));
    EXPECT_EQ("34aa973cd4c4daa4f61eeb2bdbad27316534016f", HexOfBuffer(std::string(1000000, 'a')));
}

TEST(Sha1OfFileHandle, MatchesTheBufferDigestAtEveryPieceBoundary) {
    TempDir dir;
    // Both sides of 1 KiB and 64 KiB reads, and a few MiB ending in a partial piece.
    static const size_t sizes[] = {0, 3, 1023, 1024, 1025, 65535, 65536, 65537, 3 * 1024 * 1024 + 123};
    for (size_t size : sizes) {
        const std::string bytes = size == 3 ? std::string("abc") : PatternBytes(size);
        const std::wstring path = dir / (L"file" + std::to_wstring(size));
        testing_support::WriteBytes(path, bytes);
        OpenFile file(path, GENERIC_READ);
        uint8_t digest[kSha1DigestSize];
        ASSERT_TRUE(Sha1OfFileHandle(file.handle, digest)) << size;
        EXPECT_EQ(HexOfBuffer(bytes), Hex(digest)) << "file of " << size << " bytes";
        ASSERT_TRUE(Sha1OfFile(path.c_str(), digest)) << size;  // read shared with the handle above
        EXPECT_EQ(HexOfBuffer(bytes), Hex(digest)) << "Sha1OfFile, file of " << size << " bytes";
    }
}

TEST(Sha1OfFile, FailsForWhatCannotBeOpenedForReading) {
    TempDir dir;
    const std::wstring folder = dir / L"folder", locked = dir / L"locked.bin";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    testing_support::WriteBytes(locked, "abc");
    // Held for writing without read sharing, as a file being replaced is.
    HANDLE writer = CreateFileW(locked.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    uint8_t digest[kSha1DigestSize];
    for (const std::wstring& path : {dir / L"missing.bin", folder, locked})
        EXPECT_FALSE(Sha1OfFile(path.c_str(), digest)) << testing::PrintToString(path);
    CloseHandle(writer);
    EXPECT_TRUE(Sha1OfFile(locked.c_str(), digest));
}

TEST(Sha1OfFileHandle, HashesFromTheStartAndRestoresThePointer) {
    TempDir dir;
    const std::string bytes = PatternBytes(200000);
    const std::wstring path = dir / L"data.bin";
    testing_support::WriteBytes(path, bytes);
    OpenFile file(path, GENERIC_READ);
    // Mid-file, at the end, past the end: the whole file is hashed every time.
    static const int64_t positions[] = {0, 12345, 200000, 300000};
    for (int64_t position : positions) {
        LARGE_INTEGER at, now = {};
        at.QuadPart = position;
        ASSERT_TRUE(SetFilePointerEx(file.handle, at, nullptr, FILE_BEGIN)) << position;
        uint8_t digest[kSha1DigestSize];
        ASSERT_TRUE(Sha1OfFileHandle(file.handle, digest)) << position;
        EXPECT_EQ(HexOfBuffer(bytes), Hex(digest)) << "pointer at " << position;
        at.QuadPart = 0;
        SetFilePointerEx(file.handle, at, &now, FILE_CURRENT);
        EXPECT_EQ(position, now.QuadPart);
    }
}

TEST(Sha1OfFileHandle, FailsWhenTheHandleCannotBeRead) {
    TempDir dir;
    const std::wstring path = dir / L"data.bin";
    testing_support::WriteBytes(path, "abc");
    uint8_t digest[kSha1DigestSize];
    OpenFile writeOnly(path, GENERIC_WRITE);  // the seeks work, the read is refused
    ASSERT_NE(INVALID_HANDLE_VALUE, writeOnly.handle);
    EXPECT_FALSE(Sha1OfFileHandle(writeOnly.handle, digest));
    EXPECT_FALSE(Sha1OfFileHandle(INVALID_HANDLE_VALUE, digest));  // the first seek fails
}

TEST(Base64OfSha1, StandardAlphabetPaddedOnOneLine) {
    uint8_t abc[kSha1DigestSize], empty[kSha1DigestSize], ones[kSha1DigestSize];
    Sha1OfBuffer("abc", 3, abc);
    Sha1OfBuffer("", 0, empty);
    std::memset(ones, 0xFF, sizeof ones);
    const struct {
        const uint8_t* digest;
        const char* base64;
    } cases[] = {
        {abc, "qZk+NkcGgWq6PiVxeFDCbJzQ2J0="},
        {empty, "2jmj7l5rSw0yVb/vlWAYkK/YBwk="},
        {ones, "//////////////////////////8="},
    };
    for (const auto& c : cases) {
        // The output replaces what was there; it is never appended.
        std::string narrow = "left over\n";
        Base64OfBytes(c.digest, &narrow);
        EXPECT_EQ(c.base64, narrow) << Hex(c.digest);
        WString wide(L"left over");
        Base64OfSha1(c.digest, &wide);
        EXPECT_EQ(c.base64, testing_support::Narrow(wide.GetString())) << Hex(c.digest);
    }
}

}  // namespace
