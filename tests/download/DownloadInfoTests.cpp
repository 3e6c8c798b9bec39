// Download descriptions: what a new one promises, and the batch clean-up.
#include <windows.h>

#include <gtest/gtest.h>

#include "download/DownloadInfoCommonFile.h"
#include "download/DownloadInfoMemoryBuffer.h"

namespace {

using namespace trelm::download;

TEST(DownloadInfo, NewDescriptionsPromiseNothingYet) {
    DownloadInfoCommonFile common;
    EXPECT_TRUE(common.urls.empty());
    EXPECT_EQ(-1, common.size);
    EXPECT_EQ(0u, common.flags);
    EXPECT_EQ(1u, common.kind);
    EXPECT_EQ(0, common.target.GetLength());
    EXPECT_EQ(2u, DownloadInfoForgeXZLibrary().kind);
    EXPECT_EQ(3u, DownloadInfoMemoryBuffer().kind);
    EXPECT_EQ(4u, DownloadInfoMinecraftLibrary().kind);
    EXPECT_EQ(nullptr, DownloadInfoMemoryBuffer().target);
}

TEST(DownloadInfo, UrlsAreHandedOnInTheAnsiCodePage) {
    DownloadInfoCommonFile info;
    info.urls.emplace_back(WString(L"http://127.0.0.1/a b/c.jar"), kSourceMirror);
    EXPECT_TRUE(info.urls[0].url == "http://127.0.0.1/a b/c.jar");
    EXPECT_EQ(1u, info.urls[0].source);
    if (GetACP() == 936) {
        DownloadUrl chinese(WString(L"http://h/版本"), kSourceOfficial);
        EXPECT_TRUE(chinese.url == "http://h/\xb0\xe6\xb1\xbe");  // GBK bytes of the two characters
    }
    EXPECT_STREQ(L"Bmclapi", DownloadSourceName(1));
    EXPECT_STREQ(L"Unknown", DownloadSourceName(7));
}

int g_destroyed = 0;
struct CountedInfo : DownloadInfoCommonFile {
    ~CountedInfo() override { ++g_destroyed; }
};

TEST(DownloadInfo, DeletingABatchDeletesEachOnceAndFreesTheList) {
    g_destroyed = 0;
    std::vector<DownloadInfoBase*> batch;
    for (int i = 0; i < 5; ++i) batch.push_back(new CountedInfo);
    DeleteDownloadInfos(&batch);
    EXPECT_EQ(5, g_destroyed);
    EXPECT_TRUE(batch.empty());
    EXPECT_EQ(0u, batch.capacity());
    DeleteDownloadInfos(&batch);  // an empty list is fine
    EXPECT_EQ(5, g_destroyed);
}

}  // namespace
