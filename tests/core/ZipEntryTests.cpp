// Zip entries extracted to files, read into memory and hashed, from archives
// the tests build with libzip; damaged archives must fail cleanly.
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zip.h>

#include "core/ZipEntry.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestZip.h"

namespace {

using testing_support::Exists;
using testing_support::Narrow;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using testing_support::BuildZip;

using Entry = testing_support::TestZipEntry;

std::string PatternBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    return bytes;
}

// Index order is the order here. The large entry spans many read pieces.
const std::vector<Entry>& SampleEntries() {
    static const std::vector<Entry> entries = {
        {L"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n", false},
        {L"资源/中文名.txt", u8"中文内容", false},
        {L"org/lwjgl/windows/x86/lwjgl.dll", PatternBytes(300 * 1024), false},
        {L"empty.txt", "", false},
        {L"stored.bin", PatternBytes(20000), true},
    };
    return entries;
}

struct Archive {
    explicit Archive(const std::wstring& path) : zip(zip_open(Narrow(path).c_str(), ZIP_RDONLY, nullptr)) {}
    ~Archive() {
        if (zip) zip_discard(zip);
    }
    zip_t* zip;
};

class ZipFixture : public testing::Test {
protected:
    void SetUp() override {
        BuildZip(dir / L"sample.jar", SampleEntries());
        archive.reset(new Archive(dir / L"sample.jar"));
        ASSERT_NE(nullptr, archive->zip);
    }
    zip_t* Zip() const { return archive->zip; }

    TempDir dir;
    std::unique_ptr<Archive> archive;
};

using ZipEntryExtract = ZipFixture;
using ZipEntryRead = ZipFixture;
using ZipEntryHash = ZipFixture;

TEST_F(ZipEntryExtract, WritesEveryKindOfEntryCreatingItsFolders) {
    for (const Entry& e : SampleEntries()) {
        // Under folders that do not exist yet, one of them Chinese.
        const std::wstring destination = dir / (L"解压\\deep\\" + std::wstring(e.name));
        ASSERT_TRUE(ExtractZipEntryToFile(Zip(), e.name.c_str(), destination.c_str())) << Narrow(e.name);
        EXPECT_TRUE(Exists(destination)) << Narrow(e.name);
        EXPECT_TRUE(e.data == ReadBytes(destination)) << Narrow(e.name);
        EXPECT_FALSE(Exists(destination + L".temp")) << Narrow(e.name);
    }
    // An older, longer file leaves no tail, and a ".temp" from an interrupted
    // run is overwritten, not appended to.
    const std::wstring destination = dir / L"MANIFEST.MF";
    WriteBytes(destination, std::string(5000, 'x'));
    WriteBytes(destination + L".temp", std::string(7000, 'y'));
    ASSERT_TRUE(ExtractZipEntryToFile(Zip(), L"META-INF/MANIFEST.MF", destination.c_str()));
    EXPECT_EQ("Manifest-Version: 1.0\r\n", ReadBytes(destination));
    EXPECT_FALSE(Exists(destination + L".temp"));
}

TEST_F(ZipEntryExtract, FailureKeepsTheOldFileAndLeavesNoTemp) {
    const std::wstring destination = dir / L"kept.txt";
    // Names match exactly: not another case or separator, not a folder prefix.
    static const wchar_t* const missing[] = {L"missing.txt", L"meta-inf/manifest.mf", L"META-INF\\MANIFEST.MF",
                                             L"META-INF", L"META-INF/", L""};
    for (const wchar_t* name : missing) {
        WriteBytes(destination, "old");
        EXPECT_FALSE(ExtractZipEntryToFile(Zip(), name, destination.c_str())) << Narrow(name);
        EXPECT_EQ("old", ReadBytes(destination)) << Narrow(name);
        EXPECT_FALSE(Exists(destination + L".temp")) << Narrow(name);
    }
    // The final move fails when a folder stands at the destination.
    const std::wstring folder = dir / L"folder";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_FALSE(ExtractZipEntryToFile(Zip(), L"empty.txt", folder.c_str()));
    EXPECT_NE(0u, GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(Exists(folder + L".temp"));
}

TEST_F(ZipEntryRead, ReadsWholeEntriesUpToTheCap) {
    wendal_::byte_buffer buffer;  // reused: each read holds only its own entry
    for (const Entry& e : SampleEntries()) {
        const uint32_t size = static_cast<uint32_t>(e.data.size());
        ASSERT_TRUE(ReadZipEntry(Zip(), e.name.c_str(), &buffer, size)) << Narrow(e.name) << ", cap = size";
        EXPECT_EQ(0u, buffer.GetPosition()) << Narrow(e.name);
        EXPECT_EQ(e.data, std::string(reinterpret_cast<const char*>(buffer.GetData()), buffer.GetSize()))
            << Narrow(e.name);
    }
}

TEST_F(ZipEntryRead, RefusalLeavesTheBufferUntouched) {
    static const struct {
        const wchar_t* name;
        uint32_t maxSize;
    } refused[] = {
        {L"org/lwjgl/windows/x86/lwjgl.dll", 300 * 1024 - 1},
        {L"资源/中文名.txt", 11},  // 12 bytes of UTF-8
        {L"stored.bin", 0},
        {L"missing.txt", 0xFFFFFFFFu},
    };
    for (const auto& r : refused) {
        wendal_::byte_buffer buffer;
        ASSERT_TRUE(buffer.Write("previous", 8));
        buffer.SetPosition(3);
        EXPECT_FALSE(ReadZipEntry(Zip(), r.name, &buffer, r.maxSize)) << Narrow(r.name) << " cap " << r.maxSize;
        EXPECT_EQ(8u, buffer.GetSize()) << Narrow(r.name);
        EXPECT_EQ(3u, buffer.GetPosition()) << Narrow(r.name);
        EXPECT_EQ(0, std::memcmp("previous", buffer.GetData(), 8)) << Narrow(r.name);
    }
}

TEST_F(ZipEntryHash, MatchesTheDigestOfTheData) {
    const std::vector<Entry>& entries = SampleEntries();
    uint8_t expected[kSha1DigestSize], digest[kSha1DigestSize];
    for (size_t i = 0; i < entries.size(); ++i) {
        Sha1OfBuffer(entries[i].data.data(), entries[i].data.size(), expected);
        ASSERT_TRUE(Sha1OfZipEntry(Zip(), digest, i)) << Narrow(entries[i].name);
        EXPECT_EQ(0, std::memcmp(expected, digest, kSha1DigestSize)) << Narrow(entries[i].name);
    }
    EXPECT_FALSE(Sha1OfZipEntry(Zip(), digest, entries.size()));
    EXPECT_FALSE(Sha1OfZipEntry(Zip(), digest, 0x100000000ull));  // must not wrap to index 0
}

constexpr int64_t kDamagedSize = 10000;

TEST(ZipEntryDamaged, EveryReaderFailsAndNoFileAppears) {
    // One stored entry; the sizes in both headers are moved by the deltas.
    static const struct {
        const char* what;
        int64_t compressedDelta;
        int64_t uncompressedDelta;
        bool flipDataByte;
    } damages[] = {
        {"cut off: the data runs past the end of the file", 1000000, 1000000, false},
        {"the data ends before the stated size", 0, 1000, false},
        {"more data than stated", 0, -10, false},
        {"right sizes, wrong bytes: only the CRC tells", 0, 0, true},
        // libzip reads an entry without stored data as empty: every read
        // returns 0 bytes, and a loop counting on progress never ends.
        {"no data behind a stated size", -kDamagedSize, 0, false},
    };
    for (const auto& d : damages) {
        TempDir dir;
        const std::wstring zipPath = dir / L"damaged.jar";
        BuildZip(zipPath, {{L"data.bin", PatternBytes(kDamagedSize), true}});
        std::string bytes = ReadBytes(zipPath);
        const size_t central = bytes.find("PK\x01\x02");
        ASSERT_NE(std::string::npos, central) << d.what;
        const uint32_t sizes[] = {static_cast<uint32_t>(kDamagedSize + d.compressedDelta),
                                  static_cast<uint32_t>(kDamagedSize + d.uncompressedDelta)};
        std::memcpy(&bytes[18], sizes, 8);  // local header
        std::memcpy(&bytes[central + 20], sizes, 8);
        if (d.flipDataByte) bytes[central - 5] ^= 0x40;  // the data ends where the central directory starts
        WriteBytes(zipPath, bytes);

        Archive archive(zipPath);
        ASSERT_NE(nullptr, archive.zip) << d.what << ": libzip refused to open it";
        const std::wstring fresh = dir / L"out\\data.bin";
        EXPECT_FALSE(ExtractZipEntryToFile(archive.zip, L"data.bin", fresh.c_str())) << d.what;
        EXPECT_FALSE(Exists(fresh)) << d.what;
        EXPECT_FALSE(Exists(fresh + L".temp")) << d.what;
        const std::wstring older = dir / L"older.bin";
        WriteBytes(older, "good");
        EXPECT_FALSE(ExtractZipEntryToFile(archive.zip, L"data.bin", older.c_str())) << d.what;
        EXPECT_EQ("good", ReadBytes(older)) << d.what;
        EXPECT_FALSE(Exists(older + L".temp")) << d.what;

        wendal_::byte_buffer buffer;
        EXPECT_FALSE(ReadZipEntry(archive.zip, L"data.bin", &buffer, 0x1000000)) << d.what;
        uint8_t digest[kSha1DigestSize];
        EXPECT_FALSE(Sha1OfZipEntry(archive.zip, digest, 0)) << d.what;
    }
}

}  // namespace
