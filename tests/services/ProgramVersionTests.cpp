#include <gtest/gtest.h>

#include <cwchar>

#include "services/JsonGetters.h"
#include "services/ProgramVersion.h"
#include "tests/support/TestPaths.h"

TEST(ProgramVersion, TextFormAndTruncation) {
    LauncherVersion version;
    GetLauncherVersion(version);
    wchar_t text[32];
    FormatShortText(text, L"%d.%d.%d.%d-%S", version.major, version.minor, version.build, version.revision,
                    kLauncherChannel);
    EXPECT_STREQ(L"1.2.4.0-release", text);

    FormatShortText(text, L"%s-%s", L"0123456789abcdef", L"0123456789abcdef");
    EXPECT_EQ(31u, std::wcslen(text));
    EXPECT_STREQ(L"0123456789abcdef-0123456789abcd", text);

    LauncherVersion newer = version;
    newer.revision = 1;
    EXPECT_LT(CompareLauncherVersions(version, newer), 0);
    newer.major = 0;
    EXPECT_GT(CompareLauncherVersions(version, newer), 0);
}

// An update list or a settings file must not claim a version newer than any
// by a sign, a blank or a number past 32 bits: four decimal numbers only.
TEST(ProgramVersion, TextIsFourDecimalNumbersOfThirtyTwoBits) {
    LauncherVersion version;
    ASSERT_TRUE(ParseVersionText(L"4294967295.0.010.3", version));
    EXPECT_EQ(0, CompareLauncherVersions({4294967295u, 0, 10, 3}, version));
    for (const wchar_t* bad : {L"1.3.0.-1", L"1.3.0.+1", L" 1.3.0.1", L"1. 3.0.1", L"1.3.0.1 ", L"1.3.0.4294967296",
                               L"1.3.0.99999999999999999999", L"1.3.0", L"1.3.0.1.1", L"1..3.0", L"1.3.0.",
                               L"0x1.3.0.1", L""}) {
        LauncherVersion kept = {7, 7, 7, 7};
        EXPECT_FALSE(ParseVersionText(bad, kept)) << testing_support::Narrow(bad);
        EXPECT_EQ(0, CompareLauncherVersions({7, 7, 7, 7}, kept)) << testing_support::Narrow(bad);
    }
}
