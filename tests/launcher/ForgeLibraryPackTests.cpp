// The steps of a Forge ".pack.xz" library one by one: XZ bodies from
// Python's lzma, signature trailers built here, jars from Python's zipfile.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include "launcher/ForgeLibraryPack.h"
#include "tests/launcher/ForgeTestFiles.h"
#include "tests/support/TestPaths.h"

namespace {

using namespace trelm::launcher;
using forge_test::DigestOf;
using forge_test::Fixture;
using forge_test::FixtureBytes;
using forge_test::OpenReadWrite;
using forge_test::W2U;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

class File {
public:
    explicit File(const std::wstring& path) : m_handle(OpenReadWrite(path)) {}
    ~File() {
        if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
    }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

void SeekToEnd(HANDLE file) {
    const LARGE_INTEGER zero = {};
    SetFilePointerEx(file, zero, nullptr, FILE_END);
}

// ---------------------------------------------------------------- XZUncompress

struct XZCase {
    const wchar_t* input;
    const wchar_t* expectedRaw;  // null: must fail with message
    const char* message;
};

TEST(XZUncompress, DecodesStreamsAndReportsDamage) {
    const XZCase cases[] = {
        {L"xz-one.xz", L"xz-one.raw", ""},
        {L"xz-two.xz", L"xz-two.raw", ""},  // concatenated streams are one output
        {L"xz-corrupt.xz", nullptr, "lzma_code()=9"},
        {L"xz-truncated.xz", nullptr, "lzma_code()=10"},
        {L"xz-not.xz", nullptr, "lzma_code()=7"},
        {L"xz-empty.xz", nullptr, "lzma_code()=10"},
    };
    for (const XZCase& c : cases) {
        SCOPED_TRACE(testing_support::Narrow(c.input));
        TempDir dir;
        WriteBytes(dir / L"in.xz", FixtureBytes(c.input));
        // Left-overs longer than the result must not survive behind it.
        WriteBytes(dir / L"out", std::string(200000, 'J'));
        bool ok = false;
        WString message;
        {
            File in(dir / L"in.xz"), out(dir / L"out");
            ASSERT_NE(INVALID_HANDLE_VALUE, in.Get());
            SeekToEnd(in.Get());  // the body is read from its start wherever the pointer was
            ok = XZUncompress(in.Get(), out.Get(), &message);
        }
        if (c.expectedRaw) {
            EXPECT_TRUE(ok) << W2U(message);
            EXPECT_TRUE(ReadBytes(dir / L"out") == FixtureBytes(c.expectedRaw));
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(c.message, W2U(message));
        }
    }
}

TEST(XZUncompress, StopsBeforeTheOutputReachesTheLimit) {
    const uint64_t rawSize = FixtureBytes(L"xz-one.raw").size();
    struct {
        uint64_t limit;
        bool ok;
    } const cases[] = {{rawSize + 1, true}, {rawSize, false}, {1000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        TempDir dir;
        WriteBytes(dir / L"in.xz", FixtureBytes(L"xz-one.xz"));
        WriteBytes(dir / L"out", "");
        WString message;
        bool ok = false;
        {
            File in(dir / L"in.xz"), out(dir / L"out");
            ok = XZUncompress(in.Get(), out.Get(), &message, c.limit);
        }
        EXPECT_EQ(c.ok, ok) << W2U(message);
        const uint64_t written = ReadBytes(dir / L"out").size();
        if (c.ok) {
            EXPECT_EQ(rawSize, written);
        } else {
            EXPECT_EQ("output too large(>=" + std::to_string(c.limit) + " bytes)", W2U(message));
            EXPECT_LT(written, c.limit);
        }
    }
}

// ---------------------------------------------------------------- SplitForgeLibraryPack

std::string Trailer(uint32_t length, const char* tag = "SIGN") {
    std::string bytes(8, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(length >> (8 * i));
    memcpy(&bytes[4], tag, 4);
    return bytes;
}

TEST(ForgeSplitPack, CutsTheSignatureOffOrRefusesTheTrailer) {
    struct Case {
        const char* what;
        std::string body;
        const char* message;  // "" when it must succeed
        std::string pack, signature;
    };
    const Case cases[] = {
        {"ordinary", "PACK200" + std::string("abc\n", 4) + Trailer(4), "", "PACK200", "abc\n"},
        {"one pack byte is enough", "P" + std::string(5, 's') + Trailer(5), "", "P", std::string(5, 's')},
        {"no pack byte left", std::string(5, 's') + Trailer(5), "Incorrect size:5", "", ""},
        {"zero length", "PACK" + Trailer(0), "Incorrect size:0", "", ""},
        {"length past the 20 MiB cap", "PACK" + Trailer(0x1400001), "Incorrect size:20971521", "", ""},
        {"length beyond the file", "PACK" + Trailer(100), "Incorrect size:100", "", ""},
        {"other tag", "PACKsig" + Trailer(3, "SIGX"), "signature missing SIGX", "", ""},
        {"eight bytes", Trailer(1), "file too small(<=8B)", "", ""},
        {"nine bytes, L=1 leaves no pack", "s" + Trailer(1), "Incorrect size:1", "", ""},
        {"empty", "", "file too small(<=8B)", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        WriteBytes(dir / L"body", c.body);
        wendal_::byte_buffer signature;
        WString message;
        bool ok = false;
        {
            File file(dir / L"body");
            ok = SplitForgeLibraryPack(file.Get(), &signature, &message);
        }
        if (*c.message) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(c.message, W2U(message));
            EXPECT_EQ(c.body, ReadBytes(dir / L"body"));  // refused bodies stay whole
        } else {
            ASSERT_TRUE(ok) << W2U(message);
            EXPECT_EQ(c.pack, ReadBytes(dir / L"body"));
            EXPECT_EQ(c.signature, std::string(reinterpret_cast<const char*>(signature.GetData()), signature.GetSize()));
            EXPECT_EQ(0u, signature.GetPosition());
        }
    }
}

TEST(ForgeSplitPack, AcceptsASignatureOfExactlyTwentyMiB) {
    TempDir dir;
    const std::string block(0x1400000, 'x');
    WriteBytes(dir / L"body", "PK" + block + Trailer(0x1400000));
    wendal_::byte_buffer signature;
    WString message;
    File file(dir / L"body");
    ASSERT_TRUE(SplitForgeLibraryPack(file.Get(), &signature, &message)) << W2U(message);
    EXPECT_EQ(0x1400000u, signature.GetSize());
}

// ---------------------------------------------------------------- checksums.sha1 lines

TEST(ForgeChecksumLines, KeepsOnlyLinesOfFortyHexDigitsAndASpace) {
    const std::string hex = "0123456789abcdefABCDEF0123456789abcdef01";
    const std::string hex41 = hex + "0";
    struct Case {
        const char* what;
        std::string text;
        size_t size;  // bytes handed over; npos: all
        std::vector<std::string> names;
    };
    const size_t all = std::string::npos;
    const Case cases[] = {
        {"plain line", hex + " a/B.class\n", all, {"a/B.class"}},
        {"last line without a line feed", hex + " x\n" + hex + " y", all, {"x", "y"}},
        {"carriage return stays in the name", hex + " a\r\n", all, {"a\r"}},
        {"two spaces", hex + "  a\n", all, {" a"}},
        {"empty name counts", hex + " \n", all, {""}},
        {"no space", hex + "a\n", all, {}},
        {"41 digits", hex41 + " a\n", all, {}},
        {"39 digits", hex.substr(1) + " a\n", all, {}},
        {"not hex", std::string(40, 'g') + " a\n", all, {}},
        {"comment and blank lines", "# sums\n\n" + hex + " a\n\n", all, {"a"}},
        {"name cut at the end of the buffer", hex + " abcdef", 43, {"ab"}},
        {"no byte past the buffer for the space", hex + " a", 40, {}},
        {"NUL inside a name", hex + std::string(" a\0b\n", 5), all, {std::string("a\0b", 3)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t size = c.size == all ? c.text.size() : c.size;
        // A copy of exactly size bytes, so nothing readable follows it.
        std::vector<uint8_t> exact(c.text.begin(), c.text.begin() + static_cast<std::ptrdiff_t>(size));
        const auto lines = ParseForgeChecksumLines(exact.data(), exact.size());
        ASSERT_EQ(c.names.size(), lines.size());
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(c.names[i], lines[i].name);
            EXPECT_EQ(0x01, lines[i].digest[0]);
            EXPECT_EQ(0xAB, lines[i].digest[8]);  // upper-case digits decode alike
            EXPECT_EQ(0x01, lines[i].digest[19]);
        }
    }
    EXPECT_TRUE(ParseForgeChecksumLines(nullptr, 0).empty());
}

// ---------------------------------------------------------------- VerifyForgeLibrary

TEST(ForgeVerifyLibrary, ChecksTheListAndEveryEntryItNames) {
    const ForgeChecksum unrelated = DigestOf("something else");
    struct Case {
        const wchar_t* jar;
        bool acceptOwnList;  // accept the digest of the jar's own checksums.sha1
        const char* message;  // "" when it must pass
    };
    const Case cases[] = {
        {L"signed.jar", true, ""},
        {L"signed.jar", false, "checksums.sha1 failed validation"},
        {L"verify-nosums.jar", true, "checksums.sha1 was not found"},
        {L"verify-missing.jar", true, "ghost.class:missing"},
        {L"verify-wrong.jar", true, "data/blob.bin:checksum failure"},
        {L"verify-duplicate.jar", true, "data/blob.bin:duplicate entry"},
        // Lines keep their carriage return, so a CR LF list names no entry.
        {L"verify-crlf.jar", true, "META-INF/MANIFEST.MF\r:missing"},
        {L"verify-empty.jar", true, "zip_get_num_entries()<1"},
        {L"xz-one.xz", true, "Failed to open zip"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing_support::Narrow(c.jar) + (c.acceptOwnList ? "" : " (list not accepted)"));
        TempDir dir;
        const std::string bytes = FixtureBytes(c.jar);
        WriteBytes(dir / L"lib.jar", bytes);
        // The accepted digest is one of several, not necessarily the first.
        std::vector<ForgeChecksum> accepted = {unrelated};
        if (c.acceptOwnList) {
            for (const ForgeChecksum& own : forge_test::AcceptedDigestOfJar(dir / L"lib.jar")) accepted.push_back(own);
        }
        WString message;
        bool ok = false;
        {
            File file(dir / L"lib.jar");
            ok = VerifyForgeLibraryFile(file.Get(), accepted, &message);
        }
        EXPECT_EQ(!*c.message, ok);
        if (*c.message) {
            EXPECT_EQ(c.message, W2U(message));
        }
        EXPECT_TRUE(bytes == ReadBytes(dir / L"lib.jar"));  // checked, never changed
    }
}

}  // namespace
