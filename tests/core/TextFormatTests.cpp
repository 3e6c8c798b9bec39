// The small formatters and converters of the core.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "core/DirectoryScan.h"
#include "core/Encoding.h"
#include "core/HandleArgument.h"
#include "core/TextFormat.h"
#include "core/Win32Error.h"
#include "tests/support/TestPaths.h"

namespace {

using testing_support::TempDir;
using testing_support::WriteBytes;

TEST(FormatByteSize, UnitBoundaries) {
    struct {
        uint64_t bytes;
        const wchar_t* text;
    } cases[] = {
        {0, L"0B"},
        {1023, L"1023B"},
        {1024, L"1.0KB"},
        {1048575, L"1024.0KB"},
        {1048576, L"1.0MB"},
        {1572864, L"1.5MB"},
        {1073741824, L"1.0GB"},
        {5ULL << 40, L"5120.0GB"},  // beyond 32 bits: never squeezed through a 32-bit format
    };
    for (const auto& c : cases) EXPECT_TRUE(FormatByteSize(c.bytes) == c.text) << c.bytes;
}

TEST(FormatThousands, GroupsTheIntegerDigitsOnly) {
    struct {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"1", L"1"},           {L"123", L"123"},         {L"1234", L"1,234"},
        {L"123456", L"123,456"}, {L"1234567", L"1,234,567"}, {L"1234.5678", L"1,234.5678"},
        {L"12345.", L"12,345."}, {L"", L""},               {L"-1234567", L"-1,234,567"},
    };
    for (const auto& c : cases) {
        WString text(c.in);
        FormatThousands(text);
        EXPECT_TRUE(text == c.out) << testing_support::Narrow(c.in);
    }
    EXPECT_TRUE(FormatInt64WithThousands(8589934592LL) == L"8,589,934,592");
}

TEST(FormatDuration, EachUnit) {
    struct {
        uint64_t ticks;
        const wchar_t* text;
    } cases[] = {
        {5, L"500ns"},
        {9, L"900ns"},
        {10, L"1us"},
        {9999, L"999us"},
        {10000, L"1ms"},
        {15000000, L"1秒,500毫秒"},
        {36610000000ULL, L"1小时,1分钟,1秒"},
        {610000000ULL, L"1分钟,1秒"},
        {1000000000000000ULL, L"27777小时,46分钟,40秒"},  // 3 years of running: no 32-bit wrap
    };
    for (const auto& c : cases) EXPECT_TRUE(FormatDuration(c.ticks) == c.text) << c.ticks;
}

// Month, day, four-digit year, then the local time of day. The runtime's
// zone is fixed at UTC+8 without summer time, so every text is known.
TEST(FormatTimeT, MonthDayYearAndLocalTime) {
    _putenv("TZ=CST-8");
    _tzset();
    const struct {
        int64_t seconds;
        const wchar_t* text;
    } cases[] = {
        {1700010123, L"11/15/2023 09:02:03"},  // 2023-11-15 01:02:03 UTC
        {1614834367, L"03/04/2021 13:06:07"},  // 2021-03-04 05:06:07 UTC
        {57599, L"01/01/1970 23:59:59"},
        {-1, L""},  // before 1970: no local time
    };
    for (const auto& c : cases) EXPECT_EQ(std::wstring(c.text), FormatTimeT(c.seconds).GetString()) << c.seconds;
    _putenv("TZ=");
    _tzset();
}

TEST(HexDecode, DigitsAndNearMisses) {
    uint8_t out[4] = {0, 0, 0, 0};
    EXPECT_TRUE(HexDecode(L"0aFf", out, 2));
    EXPECT_EQ(0x0A, out[0]);
    EXPECT_EQ(0xFF, out[1]);
    EXPECT_FALSE(HexDecode(L"0g", out, 1));
    EXPECT_FALSE(HexDecode(L"12G4", out, 2));
    EXPECT_EQ(0x12, out[0]);  // bytes before the bad digit are already written
    EXPECT_FALSE(HexDecode(L"1", out, 1));  // too short: stops at the terminator
    EXPECT_TRUE(HexDecode(L"", out, 0));
}

// Lower case, high nibble first, every byte two digits: ids compare as text.
TEST(HexEncode, TwoLowerCaseDigitsPerByte) {
    const uint8_t bytes[] = {0x00, 0x0A, 0xF0, 0xFF, 0x5c};
    EXPECT_STREQ(L"000af0ff5c", HexEncode(bytes, 5).GetString());
    EXPECT_EQ(0, HexEncode(bytes, 0).GetLength());
}

// Handles travel to child processes as their four bytes in memory order.
TEST(HandleArgument, EightHexDigitsInMemoryOrder) {
    EXPECT_STREQ(L"a4010000", FormatHandleArgument(reinterpret_cast<HANDLE>(0x1A4)).GetString());
    HANDLE handle = nullptr;
    ASSERT_TRUE(ParseHandleArgument(L"A40100FF", handle));
    EXPECT_EQ(reinterpret_cast<HANDLE>(0xFF0001A4u), handle);
    EXPECT_STREQ(L"a40100ff", FormatHandleArgument(handle).GetString());
    EXPECT_FALSE(ParseHandleArgument(L"a40100", handle));
    EXPECT_FALSE(ParseHandleArgument(L"a40100ff0", handle));
    EXPECT_FALSE(ParseHandleArgument(L"a40100fg", handle));
    EXPECT_FALSE(ParseHandleArgument(nullptr, handle));
}

TEST(IsSha1HexText, ExactlyFortyHexDigits) {
    const wchar_t* sha1 = L"a94a8fe5ccb19ba61c4c0873d391e987982fbbd3";
    EXPECT_TRUE(IsSha1HexText(sha1, 40));
    EXPECT_TRUE(IsSha1HexText(L"A94A8FE5CCB19BA61C4C0873D391E987982FBBD3", 40));
    EXPECT_FALSE(IsSha1HexText(sha1, 39));
    EXPECT_FALSE(IsSha1HexText(L"a94a8fe5ccb19ba61c4c0873d391e987982fbbd3a", 41));
    EXPECT_FALSE(IsSha1HexText(L"..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\xx", 40));
    EXPECT_FALSE(IsSha1HexText(L"g94a8fe5ccb19ba61c4c0873d391e987982fbbd3", 40));
    EXPECT_FALSE(IsSha1HexText(nullptr, 40));
}

TEST(WideToUtf8, ConvertsAndTerminates) {
    auto utf8 = WideToUtf8(L"natives/中.dll", -1);
    ASSERT_TRUE(utf8);
    EXPECT_STREQ("natives/\xe4\xb8\xad.dll", utf8.get());
    auto part = WideToUtf8(L"abcdef", 3);
    ASSERT_TRUE(part);
    EXPECT_STREQ("abc", part.get());
    EXPECT_FALSE(WideToUtf8(L"", -1).get() && WideToUtf8(L"", -1)[0] != 0);
    EXPECT_FALSE(WideToUtf8(L"x", 0));
}

TEST(PickRandomFile, NeverTheSameFileTwiceInARow) {
    TempDir dir;
    WriteBytes(dir / L"a.png", "a");
    WriteBytes(dir / L"b.jpg", "b");
    WriteBytes(dir / L"c.txt", "not an image");
    const wchar_t* patterns[] = {L"*.png", L"*.jpg"};
    WString folder(dir.Path().c_str());
    folder.Truncate(folder.GetLength() - 1);  // no trailing separator: one is added
    int last = -1;
    WString previous;
    for (int i = 0; i < 20; ++i) {
        WString path;
        ASSERT_TRUE(PickRandomFile(folder, &path, 2, patterns, &last));
        EXPECT_TRUE(path.Find(L".txt") < 0);
        EXPECT_FALSE(path == previous) << "picked twice in a row";
        EXPECT_TRUE(path.Find(folder.GetString()) == 0);
        previous = path;
        Sleep(3);
    }
    WString none;
    const wchar_t* bmp[] = {L"*.bmp"};
    EXPECT_FALSE(PickRandomFile(folder, &none, 1, bmp, nullptr));
}

TEST(PickRandomFile, TakesMoreThan128Files) {
    TempDir dir;
    for (int i = 0; i < 200; ++i) WriteBytes(dir / (L"f" + std::to_wstring(i) + L".png"), "x");
    const wchar_t* patterns[] = {L"*.png"};
    WString path;
    EXPECT_TRUE(PickRandomFile(WString(dir.Path().c_str()), &path, 1, patterns, nullptr));
}

TEST(FindFilesCreatedNear, FiveSecondsEitherSide) {
    TempDir dir;
    WriteBytes(dir / L"crash-1.txt", "x");
    WriteBytes(dir / L"crash-2.txt", "x");
    WriteBytes(dir / L"other.log", "x");
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    std::vector<WString> names;
    EXPECT_TRUE(FindFilesCreatedNear((dir.Path() + L"crash-*.txt").c_str(), now, &names));
    EXPECT_EQ(2u, names.size());
    ULARGE_INTEGER later;
    later.LowPart = now.dwLowDateTime;
    later.HighPart = now.dwHighDateTime;
    later.QuadPart += 60ULL * 10000000;  // a minute later: nothing is that close
    FILETIME minuteLater = {later.LowPart, later.HighPart};
    EXPECT_FALSE(FindFilesCreatedNear((dir.Path() + L"crash-*.txt").c_str(), minuteLater, &names));
    EXPECT_TRUE(names.empty());
    EXPECT_FALSE(FindFilesCreatedNear((dir.Path() + L"missing\\*.txt").c_str(), now, &names));
}

}  // namespace

namespace {

bool EndsWith(const WString& text, const wchar_t* tail) {
    const int n = static_cast<int>(wcslen(tail));
    return text.GetLength() >= n && text.Mid(text.GetLength() - n, n) == tail;
}

TEST(FormatWin32Error, SystemTextOnOneLineOrTheBareCode) {
    const WString known = FormatWin32Error(ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(EndsWith(known, L"(2)")) << testing_support::Narrow(known.GetString());
    EXPECT_GT(known.GetLength(), 3);
    EXPECT_LT(known.Find(L"\r"), 0);  // the system's line break is cut off
    EXPECT_LT(known.Find(L"\n"), 0);
    EXPECT_TRUE(FormatWin32Error(0x2000FFFF) == L"ErrorCode:536936447");
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_TRUE(EndsWith(LastErrorText(), L"(5)"));
}

}  // namespace
