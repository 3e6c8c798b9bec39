// Whole text files: the three encodings read back, the size caps, the two
// write modes and their byte layout, and that a failed write loses nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/TextFile.h"
#include "tests/support/TestPaths.h"

namespace {

using testing_support::Narrow;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

#define SKIP_UNLESS_ACP_936()                                                                          \
    do {                                                                                               \
        if (GetACP() != 936)                                                                           \
            GTEST_SKIP() << "needs the ANSI code page 936 (a Simplified Chinese system); this one is " \
                         << GetACP();                                                                  \
    } while (0)

struct ReadCase {
    const char* what;
    std::string bytes;
    const wchar_t* text;
};

void CheckReads(const ReadCase* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const ReadCase& c = cases[i];
        TempDir dir;
        const std::wstring path = dir / L"in.txt";
        WriteBytes(path, c.bytes);
        WString text(L"stale text that must go");
        ASSERT_TRUE(ReadTextFile(path.c_str(), &text, -1)) << c.what;
        EXPECT_EQ(std::wstring(c.text), std::wstring(text.GetString(), text.GetLength()))
            << c.what << ": " << Narrow(text.GetString());
    }
}

TEST(ReadTextFile, ByteOrderMarksSelectTheEncoding) {
    const ReadCase cases[] = {
        {"UTF-8 mark", "\xEF\xBB\xBF\xE4\xB8\xAD\xE6\x96\x87\r\nab\r\n", L"中文\nab\n"},
        {"UTF-16LE mark", std::string("\xFF\xFE\x2D\x4E\x87\x65\r\0\n\0a\0", 12), L"中文\na"},
        {"UTF-16LE, odd last byte", std::string("\xFF\xFE" "a\0b", 5), L"a"},
        {"mark only", "\xEF\xBB\xBF", L""},
        {"empty file", "", L""},
        {"ASCII without mark", "{\"id\": 1}\r\n", L"{\"id\": 1}\n"},
        {"lone CR stays", "a\rb\r", L"a\rb\r"},
        {"CR CR LF keeps one CR", "a\r\r\nb", L"a\r\nb"},
        {"LF only", "a\nb", L"a\nb"},
    };
    CheckReads(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(ReadTextFile, WithoutAMarkTheAnsiCodePage) {
    SKIP_UNLESS_ACP_936();
    const ReadCase cases[] = {
        {"GBK", "\xD6\xD0\xCE\xC4\r\n1.12.2-\xB0\xE6\xB1\xBE", L"中文\n1.12.2-版本"},
        // 0x5C as a GBK trail byte is part of the character, not a backslash.
        {"GBK trail byte 0x5C", "\xCA\x5C", L"\x8526"},
    };
    CheckReads(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(ReadTextFile, SizeCaps) {
    TempDir dir;
    const std::wstring path = dir / L"ten.txt";
    WriteBytes(path, "0123456789");
    WString text;
    struct {
        int64_t cap;
        bool ok;
    } cases[] = {{0, false}, {-1, true}, {INT64_MIN, true}, {9, false}, {10, true}, {11, true}, {1, false}};
    for (const auto& c : cases) {
        text = L"old";
        EXPECT_EQ(c.ok, ReadTextFile(path.c_str(), &text, c.cap)) << c.cap;
        if (c.ok) {
            EXPECT_TRUE(text == L"0123456789") << c.cap;
        }
    }
    // A cap of 0 refuses even an empty file.
    WriteBytes(dir / L"empty.txt", "");
    EXPECT_FALSE(ReadTextFile((dir / L"empty.txt").c_str(), &text, 0));
    ASSERT_TRUE(ReadTextFile((dir / L"empty.txt").c_str(), &text, 1));
    EXPECT_EQ(0, text.GetLength());
    // Missing files and folders fail with and without a cap.
    for (int64_t cap : {int64_t(-1), int64_t(100)}) {
        EXPECT_FALSE(ReadTextFile((dir / L"missing.txt").c_str(), &text, cap)) << cap;
        EXPECT_FALSE(ReadTextFile(dir.Path().c_str(), &text, cap)) << cap;
    }
}

TEST(ReadTextFile, LargeFileAcrossReadPieces) {
    // CR LF pairs and UTF-8 sequences straddle every 64 KiB and 1024-character
    // boundary somewhere in 300 KB.
    std::string bytes = "\xEF\xBB\xBF";
    std::wstring expected;
    for (int i = 0; bytes.size() < 300000; ++i) {
        bytes += "line \xE4\xB8\xAD ";
        bytes += std::to_string(i);
        bytes += "\r\n";
        expected += L"line 中 " + std::to_wstring(i) + L"\n";
    }
    TempDir dir;
    WriteBytes(dir / L"big.txt", bytes);
    WString text;
    ASSERT_TRUE(ReadTextFile((dir / L"big.txt").c_str(), &text, -1));
    EXPECT_TRUE(expected == std::wstring(text.GetString(), text.GetLength()));
    EXPECT_FALSE(ReadTextFile((dir / L"big.txt").c_str(), &text, static_cast<int64_t>(bytes.size()) - 1));
    EXPECT_TRUE(ReadTextFile((dir / L"big.txt").c_str(), &text, static_cast<int64_t>(bytes.size())));
}

TEST(WriteTextFile, UnicodeModeIsUtf16WithMarkAndCrLf) {
    TempDir dir;
    const std::wstring path = dir / L"settings\\setting.json";
    ASSERT_TRUE(WriteTextFile(path.c_str(), L"a\n中\r\n", true));
    // "\r\n" becomes "\r\r\n", as the runtime's text mode writes it.
    EXPECT_EQ(std::string("\xFF\xFE" "a\0\r\0\n\0\x2D\x4E\r\0\r\0\n\0", 16), ReadBytes(path));
    ASSERT_TRUE(WriteTextFile(path.c_str(), L"", true));
    EXPECT_EQ("\xFF\xFE", ReadBytes(path));
    // Characters outside the code page survive in this mode.
    ASSERT_TRUE(WriteTextFile(path.c_str(), L"\xD83D\xDE00 \x00E9", true));
    WString text;
    ASSERT_TRUE(ReadTextFile(path.c_str(), &text, -1));
    EXPECT_TRUE(text == L"\xD83D\xDE00 \x00E9");
}

TEST(WriteTextFile, PlainModeIsTheAnsiCodePage) {
    TempDir dir;
    const std::wstring path = dir / L"profiles\\launcher_profiles.json";
    ASSERT_TRUE(WriteTextFile(path.c_str(), L"{\n    \"a\": 1\n}", false));
    EXPECT_EQ("{\r\n    \"a\": 1\r\n}", ReadBytes(path));
    ASSERT_TRUE(WriteTextFile(path.c_str(), L"", false));
    EXPECT_EQ("", ReadBytes(path));
}

TEST(WriteTextFile, PlainModeRoundTripsChineseUnder936) {
    SKIP_UNLESS_ACP_936();
    TempDir dir;
    const std::wstring path = dir / L"versions\\中文版\\中文版.json";
    const wchar_t* json = L"{\n    \"id\": \"中文版\",\n    \"mainClass\": \"net.minecraft.client.main.Main\"\n}";
    ASSERT_TRUE(WriteTextFile(path.c_str(), json, false));
    const std::string bytes = ReadBytes(path);
    EXPECT_NE(std::string::npos, bytes.find("\"\xD6\xD0\xCE\xC4\xB0\xE6\"")) << "GBK bytes for the id";
    WString text;
    ASSERT_TRUE(ReadTextFile(path.c_str(), &text, 10485760));
    EXPECT_TRUE(text == json) << Narrow(text.GetString());
}

TEST(WriteTextFile, FailuresKeepTheOldFile) {
    TempDir dir;
    const std::wstring path = dir / L"version.json";
    const std::string old = "{\"id\":\"old\"}\r\n";
    struct {
        const char* what;
        const wchar_t* text;
        bool unicode;
        bool blockTemporary;
    } cases[] = {
        // An emoji has no ANSI code page form; "?" in its place would corrupt the id.
        {"character outside the code page", L"{\"id\":\"\xD83D\xDE00\"}", false, false},
        {"temporary file cannot be made (plain)", L"{\"id\":\"new\"}", false, true},
        {"temporary file cannot be made (unicode)", L"{\"id\":\"new\"}", true, true},
    };
    for (const auto& c : cases) {
        WriteBytes(path, old);
        if (c.blockTemporary) CreateDirectoryW((path + L".tmp").c_str(), nullptr);
        EXPECT_FALSE(WriteTextFile(path.c_str(), c.text, c.unicode)) << c.what;
        EXPECT_EQ(old, ReadBytes(path)) << c.what;
        RemoveDirectoryW((path + L".tmp").c_str());
    }
    // The target is a folder.
    EXPECT_FALSE(WriteTextFile(dir.Path().c_str(), L"x", true));
}

}  // namespace
