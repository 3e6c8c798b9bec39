#include <gtest/gtest.h>

#include <cwchar>

#include "services/ProgramVersion.h"

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
