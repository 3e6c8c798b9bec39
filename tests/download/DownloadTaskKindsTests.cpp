// The task kinds and the download cache: what each kind does
// with oversized, wrong or missing bodies, the ".sha1" fetch of game
// libraries, the memory-buffer limit, the Forge pipeline hand-over, and a
// cache that answers without any request.
#include <winsock2.h>
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/FileUtils.h"
#include "download/DownloadCache.h"
#include "download/DownloadTaskMinecraftLibrary.h"
#include "tests/download/DownloadTestKit.h"
#include "tests/support/FakeJava.h"

namespace download_test {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::StartsWith;
using testing_support::Exists;
using testing_support::GeneratedBytes;
using testing_support::ReadBytes;
using testing_support::WriteBytes;
using namespace trelm::download;

// --- Common file ----------------------------------------------------------

using CommonFileTask = DownloadTest;

TEST_F(CommonFileTask, BodyLargerThanExpectedGoesStraightToTheNextUrl) {
    // Announced too large, sent too large without a length, and a body that
    // runs past its own declared length.
    ASSERT_TRUE(Routes(R"({"/big": {"generate": 9000},
                          "/unsized": {"generate": 9000, "chunked": true},
                          "/overrun": {"generate": 5000, "extra_bytes": 4000},
                          "/good": {"generate": 5000}})"));
    RunBatch({File(Target(L"a"), {Url("/big"), Url("/good")}, 5000),
              File(Target(L"b"), {Url("/unsized"), Url("/good")}, 5000),
              File(Target(L"c"), {Url("/big")}, 5000)},
             1);
    for (uint32_t i = 0; i < 2; ++i) {
        DownloadTaskBase* task = m_manager.GetTask(i);
        EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult()) << i << ": " << MessageOf(task);
        EXPECT_THAT(m_observer.TaskCodes(i), ElementsAre(kTaskStarted, kTaskNextUrl, kTaskFinished)) << i;
    }
    EXPECT_EQ(1, Hits("/big") - 1) << "the oversized URL is not tried again (one hit each for tasks 0 and 2)";
    EXPECT_EQ(1, Hits("/unsized"));
    DownloadTaskBase* alone = m_manager.GetTask(2);
    EXPECT_EQ(DownloadTaskBase::kFailed, alone->GetResult());
    EXPECT_EQ("文件超过预期大小 4.9KB", MessageOf(alone));
    EXPECT_FALSE(Exists(Target(L"c")));
    EXPECT_FALSE(Exists(Target(L"c.dl")));
    EXPECT_EQ(GeneratedBytes(0, 5000), ReadBytes(Target(L"b")));
}

TEST_F(CommonFileTask, RedirectPageLongerThanTheFileIsNotTheBody) {
    // A mirror's 302 carries a short page of its own, which may be longer
    // than a small file: the size limit judges only the body that is kept.
    ASSERT_TRUE(Routes(R"({"/moved": {"redirect": "/tiny", "body": ")" + std::string(300, 'x') +
                       R"("}, "/tiny": {"body": "tiny"}})"));
    DownloadTaskBase* task = RunOne(File(Target(L"tiny"), {Url("/moved")}, 4));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult()) << MessageOf(task);
    EXPECT_EQ("tiny", ReadBytes(Target(L"tiny")));
    EXPECT_EQ(4u, m_manager.GetDownloadedBytes());
}

TEST_F(CommonFileTask, Sha1MismatchSkipsTheRemainingTriesOfThatUrl) {
    ASSERT_TRUE(Routes(R"({"/wrong": {"generate": 4000, "headers": {"X-Note": "bytes of another file"}},
                          "/right": {"body": "the right bytes"}})"));
    auto* mismatched = File(Target(L"file"), {Url("/wrong"), Url("/right")});
    SetSha1(mismatched, "the right bytes");
    auto* hopeless = File(Target(L"hopeless"), {Url("/wrong")});
    SetSha1(hopeless, "the right bytes");
    // A digest that differs from the body's only in its last byte.
    auto* nearly = File(Target(L"nearly"), {Url("/right")});
    SetSha1(nearly, "the right bytes");
    nearly->sha1[19] ^= 1;
    RunBatch({mismatched, hopeless, nearly});
    EXPECT_EQ(DownloadTaskBase::kSucceeded, m_manager.GetTask(0)->GetResult());
    EXPECT_THAT(m_observer.TaskCodes(0), ElementsAre(kTaskStarted, kTaskNextUrl, kTaskFinished));
    EXPECT_EQ("the right bytes", ReadBytes(Target(L"file")));
    EXPECT_EQ(2, Hits("/wrong")) << "one try per task, none repeated";
    DownloadTaskBase* failed = m_manager.GetTask(1);
    EXPECT_EQ(DownloadTaskBase::kFailed, failed->GetResult());
    EXPECT_EQ("文件的SHA1不正确", MessageOf(failed));
    EXPECT_FALSE(Exists(Target(L"hopeless")));
    EXPECT_FALSE(Exists(Target(L"hopeless.dl")));
    EXPECT_EQ("文件的SHA1不正确", MessageOf(m_manager.GetTask(2)));
    EXPECT_FALSE(Exists(Target(L"nearly")));
    EXPECT_EQ(15u, m_manager.GetDownloadedBytes()) << "the mismatched bodies were taken back";
}

TEST_F(CommonFileTask, ExistingTargetIsReplacedWhole) {
    ASSERT_TRUE(Routes(R"({"/new": {"generate": 3000}})"));
    WriteBytes(Target(L"lib.jar"), std::string(10000, 'o'));  // longer than the new file
    auto* info = File(Target(L"lib.jar"), {Url("/new")}, 3000);
    SetSha1(info, GeneratedBytes(0, 3000));
    DownloadTaskBase* task = RunOne(info);
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult()) << MessageOf(task);
    EXPECT_EQ(GeneratedBytes(0, 3000), ReadBytes(Target(L"lib.jar")));
    EXPECT_FALSE(Exists(Target(L"lib.jar.dl")));
}

TEST_F(CommonFileTask, BodiesAroundEveryReceiveBufferSizeArriveWhole) {
    // The receive buffer follows the expected size (plus room for the
    // headers, up to a cap): bodies at and beside each edge, announced or
    // not, must arrive whole and pass their SHA-1.
    static const int64_t kSizes[] = {1,      16383,  16384,  16385,  507903,
                                     507904, 507905, 524288, 524289, 1048579};
    std::string routes = "{";
    for (int64_t size : kSizes)
        routes += "\"/" + std::to_string(size) + "\": {\"generate\": " + std::to_string(size) + "},";
    routes += R"("/chunked": {"generate": 600000, "chunked": true}})";
    ASSERT_TRUE(Routes(routes));
    std::vector<DownloadInfoBase*> batch;
    for (int64_t size : kSizes) {
        batch.push_back(File(Target(std::to_wstring(size)), {Url("/" + std::to_string(size))}, size));
        SetSha1(batch.back(), GeneratedBytes(0, static_cast<size_t>(size)));
    }
    batch.push_back(File(Target(L"unknown"), {Url("/chunked")}));
    RunBatch(batch, 4);
    ASSERT_FALSE(HasFatalFailure());
    for (size_t i = 0; i < batch.size(); ++i) {
        const bool known = i < sizeof kSizes / sizeof kSizes[0];
        DownloadTaskBase* task = m_manager.GetTask(static_cast<uint32_t>(i));
        EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult()) << i << ": " << MessageOf(task);
        EXPECT_EQ(GeneratedBytes(0, known ? static_cast<size_t>(kSizes[i]) : 600000),
                  ReadBytes(Target(known ? std::to_wstring(kSizes[i]) : L"unknown")))
            << i;
    }
}

TEST_F(CommonFileTask, TransferErrorTextBecomesTheMessage) {
    ASSERT_TRUE(Routes(R"({"/gone": {"status": 404}})"));
    DownloadTaskBase* task = RunOne(File(Target(L"x"), {Url("/gone")}));
    ASSERT_NE(nullptr, task);
    EXPECT_THAT(MessageOf(task), HasSubstr("404"));
}

TEST_F(CommonFileTask, FolderThatCannotBeMadeFailsWithoutARequest) {
    ASSERT_TRUE(Routes(R"({"/f": {"body": "x"}})"));
    WriteBytes(Target(L"blocker"), "a file where a folder should be");
    DownloadTaskBase* task = RunOne(File(Target(L"blocker\\sub\\f"), {Url("/f")}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kFailed, task->GetResult());
    EXPECT_THAT(MessageOf(task), StartsWith("创建文件夹失败 "));
    EXPECT_EQ(0, Hits("/f"));
}

// A full disk (a small, empty host folder of its own: QUORVEL_SMALL_DISK,
// e.g. a tmpfs of 256 KiB) is filled after the old file is written there.
TEST_F(CommonFileTask, FullDiskFailsAtOnceInOurWordsAndKeepsTheOldFile) {
    const std::wstring folder = testing_support::PathFromEnvironment("QUORVEL_SMALL_DISK");
    if (folder.empty()) GTEST_SKIP() << "QUORVEL_SMALL_DISK names no small file system to fill";
    ASSERT_TRUE(Routes(R"({"/v.json": {"generate": 300000}, "/other.json": {"generate": 300000}})"));
    const std::wstring target = folder + L"\\v.json", fill = folder + L"\\fill";
    WriteBytes(target, "the version installed before");
    HANDLE file = CreateFileW(fill.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    const std::string block(4096, 'f');
    DWORD written = 0;
    while (WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) && written) {}
    CloseHandle(file);
    DownloadTaskBase* task = RunOne(File(target, {Url("/v.json"), Url("/other.json")}));
    DeleteFileW(fill.c_str());
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kFailed, task->GetResult());
    EXPECT_EQ("磁盘空间不足，写入文件失败:" + testing_support::Narrow(target), MessageOf(task));
    EXPECT_EQ(1, Hits("/v.json")) << "no try again: the disk is the same";
    EXPECT_EQ(0, Hits("/other.json")) << "nor another address";
    EXPECT_EQ("the version installed before", ReadBytes(target));
    EXPECT_FALSE(Exists(target + L".dl"));
    DeleteFileW(target.c_str());
}

// --- Download cache -------------------------------------------------------

class DownloadCacheTest : public DownloadTest {
protected:
    void SetUp() override {
        DownloadTest::SetUp();
        m_body = "cached body " + std::to_string(GetTickCount64()) + GeneratedBytes(0, 20000);
        Sha1OfBuffer(m_body.data(), m_body.size(), m_sha1);
        m_entry = GetDownloadCacheEntryPath(m_sha1).GetString();
        DeleteFileW(m_entry.c_str());
        ASSERT_TRUE(Routes("{\"/c\": {\"body_base64\": " + testing_support::JsonQuote(Base64(m_body)) + "}}"));
    }
    void TearDown() override {
        DeleteFileW(m_entry.c_str());
        DownloadTest::TearDown();
    }

    static std::string Base64(const std::string& bytes) {
        static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out;
        size_t i = 0;
        for (; i + 2 < bytes.size(); i += 3) {
            const uint32_t v = uint8_t(bytes[i]) << 16 | uint8_t(bytes[i + 1]) << 8 | uint8_t(bytes[i + 2]);
            for (int s = 18; s >= 0; s -= 6) out += alphabet[(v >> s) & 63];
        }
        if (i < bytes.size()) {
            uint32_t v = uint8_t(bytes[i]) << 16;
            if (i + 1 < bytes.size()) v |= uint8_t(bytes[i + 1]) << 8;
            out += alphabet[(v >> 18) & 63];
            out += alphabet[(v >> 12) & 63];
            out += i + 1 < bytes.size() ? alphabet[(v >> 6) & 63] : '=';
            out += '=';
        }
        return out;
    }

    DownloadInfoCommonFile* CachedFile(const std::wstring& name, uint32_t flags, int64_t size = -1) {
        auto* info = File(Target(name), {Url("/c")}, size);
        std::copy(m_sha1, m_sha1 + 20, info->sha1);
        info->flags = flags;
        return info;
    }

    std::string m_body;
    uint8_t m_sha1[20];
    std::wstring m_entry;
};

TEST_F(DownloadCacheTest, EntryIsNamedByTheBase64OfTheSha1) {
    const std::wstring folder = GetDownloadCacheDir().GetString();
    EXPECT_THAT(testing_support::Narrow(folder), testing::EndsWith("\\EA8E91DE-2A1C-4065-B052-BD2F632C60A4\\"));
    uint8_t digest[20];
    for (int i = 0; i < 20; ++i) digest[i] = 0xFF;  // Base64 "/////...": every "/" becomes "-"
    EXPECT_EQ(folder + L"--------------------------8=.tmp", std::wstring(GetDownloadCacheEntryPath(digest).GetString()));
}

TEST_F(DownloadCacheTest, HitMakesNoRequestAtAll) {
    DownloadTaskBase* first = RunOne(CachedFile(L"first", kFlagSha1Given | kFlagUseCache));
    ASSERT_NE(nullptr, first);
    ASSERT_EQ(DownloadTaskBase::kSucceeded, first->GetResult()) << MessageOf(first);
    ASSERT_TRUE(Exists(m_entry)) << "a finished file with flags 3 is stored";
    EXPECT_EQ(m_body, ReadBytes(m_entry));
    EXPECT_EQ(1, Hits("/c"));

    RecordingObserver observer;
    std::vector<DownloadInfoBase*> infos{CachedFile(L"second", kFlagSha1Given | kFlagUseCache, 1 << 20)};
    m_manager.Start(&observer, infos, 0, 1);
    ASSERT_TRUE(observer.WaitForBatchEnd(60000));
    DownloadTaskBase* second = m_manager.GetTask(0);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, second->GetResult()) << MessageOf(second);
    EXPECT_EQ(1, Hits("/c")) << "the cache hit must not ask the server";
    EXPECT_EQ(m_body, ReadBytes(Target(L"second")));
    EXPECT_FALSE(Exists(Target(L"second.dl")));
    EXPECT_EQ(m_body.size(), m_manager.GetDownloadedBytes());
    EXPECT_EQ(1.0, second->GetProgress());
    EXPECT_THAT(observer.TaskCodes(0), ElementsAre(kTaskStarted, kTaskFinished));
}

TEST_F(DownloadCacheTest, Sha1WithoutTheCacheBitNeverTouchesTheCache) {
    WriteBytes(m_entry, m_body);
    DownloadTaskBase* task = RunOne(CachedFile(L"f", kFlagSha1Given));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult());
    EXPECT_EQ(1, Hits("/c")) << "flags 1 fetches even with an entry there";
    DeleteFileW(m_entry.c_str());
    RunOne(CachedFile(L"g", kFlagSha1Given));
    EXPECT_FALSE(Exists(m_entry)) << "flags 1 stores nothing";
}

TEST_F(DownloadCacheTest, EntryLargerThanTheExpectedSizeIsNotUsed) {
    WriteBytes(m_entry, m_body);
    DownloadTaskBase* task =
        RunOne(CachedFile(L"f", kFlagSha1Given | kFlagUseCache, static_cast<int64_t>(m_body.size()) - 1));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(1, Hits("/c"));
    // The body is larger than expected too, so the download itself fails.
    EXPECT_EQ(DownloadTaskBase::kFailed, task->GetResult());
    EXPECT_FALSE(Exists(Target(L"f")));
}

TEST_F(DownloadCacheTest, CorruptEntryIsAMissAndIsRepaired) {
    std::string corrupt = m_body;
    corrupt[5] ^= 1;
    WriteBytes(m_entry, corrupt);
    DownloadTaskBase* task = RunOne(CachedFile(L"f", kFlagSha1Given | kFlagUseCache));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult()) << MessageOf(task);
    EXPECT_EQ(1, Hits("/c"));
    EXPECT_EQ(m_body, ReadBytes(Target(L"f")));
    EXPECT_EQ(m_body, ReadBytes(m_entry));
    // The store goes through a name of its own, which is gone afterwards.
    WIN32_FIND_DATAW found;
    const std::wstring pattern = m_entry + L"*.part";
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

// The description's own check sees the cached copy and the fetched body
// alike; what it refuses never reaches the target.
int g_judged = 0;
bool RefuseBody(const wchar_t* path, const DownloadInfoCommonFile&, WString* reason) {
    ++g_judged;
    *reason = FileExists(path) ? L"不是要的文件" : L"看不到文件";
    return false;
}
bool TakeBody(const wchar_t* path, const DownloadInfoCommonFile&, WString*) { return ++g_judged, FileExists(path); }

TEST_F(DownloadCacheTest, DescriptionsOwnCheckJudgesCachedAndFetchedBodies) {
    WriteBytes(m_entry, m_body);
    g_judged = 0;
    auto* refused = CachedFile(L"refused", kFlagSha1Given | kFlagUseCache);
    refused->accept = &RefuseBody;
    DownloadTaskBase* task = RunOne(refused);
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kFailed, task->GetResult());
    EXPECT_EQ("不是要的文件", MessageOf(task));
    EXPECT_EQ(2, g_judged) << "the cached copy, then the fetched body";
    EXPECT_EQ(1, Hits("/c"));
    EXPECT_FALSE(Exists(Target(L"refused")));
    EXPECT_FALSE(Exists(Target(L"refused.dl")));

    g_judged = 0;
    auto* taken = CachedFile(L"taken", kFlagSha1Given);
    taken->accept = &TakeBody;
    task = RunOne(taken);
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult()) << MessageOf(task);
    EXPECT_EQ(1, g_judged);
    EXPECT_EQ(m_body, ReadBytes(Target(L"taken")));
}

// --- Game library and its ".sha1" -----------------------------------------

class LibraryTask : public DownloadTest {
protected:
    DownloadInfoMinecraftLibrary* Library(const std::wstring& name, std::initializer_list<std::string> urls) {
        auto* info = new DownloadInfoMinecraftLibrary();
        info->target = Target(name).c_str();
        for (const std::string& url : urls) info->urls.emplace_back(WString(testing_support::Widen(url).c_str()), 1);
        info->flags = kFlagFetchSha1;
        return info;
    }
    void ServeLibrary(const std::string& path, const std::string& sha1Answer) {
        ASSERT_TRUE(Routes("{" + testing_support::JsonQuote(path) + ": {\"body\": \"library bytes\"}, " +
                           testing_support::JsonQuote(path + ".sha1") +
                           ": {\"body\": " + testing_support::JsonQuote(sha1Answer) + "}}"));
    }
    const std::string m_hash = Sha1Hex("library bytes");
};

TEST_F(LibraryTask, FetchedSha1ChecksTheFile) {
    ServeLibrary("/m/lib.jar", m_hash);
    DownloadTaskBase* task = RunOne(Library(L"lib.jar", {Url("/m/lib.jar")}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult()) << MessageOf(task);
    EXPECT_EQ(1, Hits("/m/lib.jar.sha1"));
    EXPECT_EQ("library bytes", ReadBytes(Target(L"lib.jar")));
    const std::vector<std::wstring> texts = m_observer.StatusTexts(0);
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ(L"正在获取SHA1 url:0,尝试:0", texts[0]);
}

TEST_F(LibraryTask, AnswersAreExactlyFortyHexDigits) {
    struct Row {
        const char* name;
        std::string answer;
        bool accepted;
    };
    std::string upper = m_hash;
    for (char& c : upper) c = static_cast<char>(toupper(c));
    const std::vector<Row> rows = {
        {"plain", m_hash, true},
        {"upper case", upper, true},
        {"line feed", m_hash + "\n", false},
        {"carriage return and line feed", m_hash + "\r\n", false},
        {"39 digits", m_hash.substr(0, 39), false},
        {"two line feeds", m_hash + "\n\n", false},
        {"leading space", " " + m_hash.substr(0, 39) + "\n", false},
        {"not hex", std::string(40, 'g'), false},
        {"maven style with a name", m_hash + "  lib.jar\n", false},
        {"far too long", std::string(5000, 'a'), false},
    };
    for (const Row& row : rows) {
        uint8_t digest[20];
        EXPECT_EQ(row.accepted, ParseSha1Answer(reinterpret_cast<const uint8_t*>(row.answer.data()),
                                                row.answer.size(), digest))
            << row.name;
    }
}

TEST_F(LibraryTask, AnswerWithALineFeedAsksTheNextUrl) {
    ASSERT_TRUE(Routes("{\"/a/lf.jar.sha1\": {\"body\": \"" + m_hash + "\\n\"}," +
                       "\"/b/lf.jar.sha1\": {\"body\": \"" + m_hash + "\"}," +
                       "\"/a/lf.jar\": {\"body\": \"library bytes\"}}"));
    DownloadTaskBase* task = RunOne(Library(L"lf.jar", {Url("/a/lf.jar"), Url("/b/lf.jar")}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(1, Hits("/a/lf.jar.sha1"));
    EXPECT_EQ(1, Hits("/b/lf.jar.sha1"));
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult()) << MessageOf(task);
}

TEST_F(LibraryTask, InvalidAnswersAskTheNextUrlAtOnce) {
    ASSERT_TRUE(Routes("{\"/a/x.jar.sha1\": {\"body\": \"" + std::string(40, 'z') + "\"}," +
                       "\"/b/x.jar.sha1\": {\"generate\": 100000}," +
                       "\"/c/x.jar.sha1\": {\"body\": \"" + m_hash + "\"}," +
                       "\"/a/x.jar\": {\"body\": \"library bytes\"}}"));
    DownloadTaskBase* task = RunOne(Library(L"x.jar", {Url("/a/x.jar"), Url("/b/x.jar"), Url("/c/x.jar")}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(1, Hits("/a/x.jar.sha1")) << "not hex";
    EXPECT_EQ(1, Hits("/b/x.jar.sha1")) << "too long";
    EXPECT_EQ(1, Hits("/c/x.jar.sha1"));
    // The fetched digest is then used with the first URL of the file.
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult()) << MessageOf(task);
    EXPECT_EQ(1, Hits("/a/x.jar"));
    EXPECT_EQ(std::vector<std::wstring>({L"正在获取SHA1 url:0,尝试:0", L"正在获取SHA1 url:1,尝试:0",
                                         L"正在获取SHA1 url:2,尝试:0"}),
              m_observer.StatusTexts(0));
}

TEST_F(LibraryTask, AnswerBehindARedirectPageIsTaken) {
    ASSERT_TRUE(Routes("{\"/m/r.jar.sha1\": {\"redirect\": \"/real/r.jar.sha1\", \"body\": \"" +
                       std::string(300, 'x') + "\"}, \"/real/r.jar.sha1\": {\"body\": \"" + m_hash + "\"}," +
                       "\"/m/r.jar\": {\"body\": \"library bytes\"}}"));
    DownloadTaskBase* task = RunOne(Library(L"r.jar", {Url("/m/r.jar")}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult()) << MessageOf(task);
    EXPECT_EQ(1, Hits("/real/r.jar.sha1"));
}

TEST_F(LibraryTask, EveryAnswerRefusedFailsWithoutFetchingTheFile) {
    ASSERT_TRUE(Routes(R"({"/a/y.jar.sha1": {"status": 404}, "/b/y.jar.sha1": {"body": "nope"},
                          "/a/y.jar": {"body": "library bytes"}})"));
    DownloadTaskBase* task = RunOne(Library(L"y.jar", {Url("/a/y.jar"), Url("/b/y.jar")}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kFailed, task->GetResult());
    EXPECT_EQ(3, Hits("/a/y.jar.sha1")) << "an HTTP error is tried three times";
    EXPECT_EQ(1, Hits("/b/y.jar.sha1"));
    EXPECT_EQ(0, Hits("/a/y.jar"));
    EXPECT_EQ("返回的SHA1无效", MessageOf(task));
    EXPECT_FALSE(Exists(Target(L"y.jar")));
}

TEST_F(LibraryTask, FileThatDoesNotMatchTheFetchedSha1GoesToTheNextUrl) {
    ASSERT_TRUE(Routes("{\"/a/z.jar.sha1\": {\"body\": \"" + m_hash + "\"}," +
                       "\"/a/z.jar\": {\"body\": \"other bytes\"}, \"/b/z.jar\": {\"body\": \"library bytes\"}}"));
    DownloadTaskBase* task = RunOne(Library(L"z.jar", {Url("/a/z.jar"), Url("/b/z.jar")}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult()) << MessageOf(task);
    EXPECT_EQ(1, Hits("/a/z.jar"));
    EXPECT_EQ(0, Hits("/b/z.jar.sha1")) << "the digest is fetched once, on the first attempt";
    EXPECT_EQ("library bytes", ReadBytes(Target(L"z.jar")));
}

// Old versions list a library's SHA-1 without its size: a longer answer
// (or one without end) is cut at the limit of bodies without a listed size,
// and the good file already there stays.
TEST_F(LibraryTask, BodyWithoutAListedSizeIsRefusedAtTheLimit) {
    ASSERT_TRUE(Routes(R"({"/endless.jar": {"chunked": true, "body": "library bytes", "extra_bytes": 2097152}})"));
    WriteBytes(Target(L"old.jar"), "library bytes");
    DownloadInfoMinecraftLibrary* info = Library(L"old.jar", {Url("/endless.jar")});
    info->flags = 0;
    SetSha1(info, "library bytes");
    m_manager.SetUnlistedSizeLimit(1024 * 1024);
    DownloadTaskBase* task = RunOne(info);
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kFailed, task->GetResult());
    EXPECT_EQ("文件超过预期大小 1.0MB", MessageOf(task));
    EXPECT_EQ("library bytes", ReadBytes(Target(L"old.jar")));
    EXPECT_FALSE(Exists(Target(L"old.jar.dl")));
}

// --- Memory buffer ----------------------------------------------------------

class MemoryBufferTask : public DownloadTest {
protected:
    DownloadInfoMemoryBuffer* Buffer(std::initializer_list<std::string> urls) {
        auto* info = new DownloadInfoMemoryBuffer();
        for (const std::string& url : urls) info->urls.emplace_back(WString(testing_support::Widen(url).c_str()), 0);
        info->size = 0x1400000;  // 20 MiB, as the version-list dialog asks
        info->target = &m_buffer;
        return info;
    }
    std::string Content() const { return std::string(reinterpret_cast<const char*>(m_buffer.GetData()), m_buffer.GetSize()); }
    wendal_::byte_buffer m_buffer;
};

TEST_F(MemoryBufferTask, BodyOverTwentyMebibytesIsStoppedAndTheNextUrlAsked) {
    ASSERT_TRUE(Routes(R"({"/huge": {"generate": 21000000}, "/huge-unsized": {"generate": 21000000, "chunked": true},
                          "/list": {"body": "{\"versions\": []}"}})"));
    DownloadTaskBase* task = RunOne(Buffer({Url("/huge"), Url("/huge-unsized"), Url("/list")}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult()) << MessageOf(task);
    EXPECT_THAT(m_observer.TaskCodes(0), ElementsAre(kTaskStarted, kTaskNextUrl, kTaskNextUrl, kTaskFinished));
    EXPECT_EQ(1, Hits("/huge"));
    EXPECT_EQ(1, Hits("/huge-unsized"));
    EXPECT_EQ("{\"versions\": []}", Content()) << "earlier attempts' bytes are dropped";
    EXPECT_LE(m_buffer.GetCapacity(), 0x2000000u);
}

TEST_F(MemoryBufferTask, OversizeMessageNamesTheLimit) {
    ASSERT_TRUE(Routes(R"({"/huge": {"generate": 21000000}})"));
    DownloadTaskBase* task = RunOne(Buffer({Url("/huge")}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kFailed, task->GetResult());
    EXPECT_EQ("文件超过预期大小 20.0MB", MessageOf(task));
}

TEST_F(MemoryBufferTask, HttpCodeTextHasNoColonAndSha1IsChecked) {
    ASSERT_TRUE(Routes(R"({"/nothing": {"status": 204}, "/list": {"body": "abc"}})"));
    DownloadTaskBase* task = RunOne(Buffer({Url("/nothing")}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kFailed, task->GetResult());
    EXPECT_EQ(3, Hits("/nothing"));
    EXPECT_EQ("Http代码204", MessageOf(task));

    m_manager.Stop();
    RecordingObserver observer;
    auto* checked = Buffer({Url("/list")});
    SetSha1(checked, "abd");
    std::vector<DownloadInfoBase*> infos{checked};
    m_manager.Start(&observer, infos, 0, 1);
    ASSERT_TRUE(observer.WaitForBatchEnd(60000));
    EXPECT_EQ(DownloadTaskBase::kFailed, m_manager.GetTask(0)->GetResult());
    EXPECT_EQ("SHA1校验失败", MessageOf(m_manager.GetTask(0)));
    EXPECT_EQ(1, Hits("/list"));
}

// Takes the address space until no block of `refused` bytes fits anywhere,
// then leaves a few holes of three quarters of that size for thread stacks
// and smaller blocks.
class AddressSpaceSqueeze {
public:
    explicit AddressSpaceSqueeze(size_t refused) {
        std::vector<char*> blocks;
        while (char* block = Reserve(nullptr, refused)) blocks.push_back(block);
        const size_t edge = refused / 8;
        for (int hole = 0; hole < 4 && !blocks.empty(); ++hole) {
            char* block = blocks.back();
            blocks.pop_back();
            VirtualFree(block, 0, MEM_RELEASE);
            m_taken.push_back(Reserve(block, edge));
            m_taken.push_back(Reserve(block + refused - edge, edge));
        }
        m_taken.insert(m_taken.end(), blocks.begin(), blocks.end());
    }
    ~AddressSpaceSqueeze() {
        for (char* block : m_taken)
            if (block) VirtualFree(block, 0, MEM_RELEASE);
    }

private:
    static char* Reserve(char* at, size_t size) {
        return static_cast<char*>(VirtualAlloc(at, size, MEM_RESERVE, PAGE_NOACCESS));
    }
    std::vector<char*> m_taken;
};

// Out of memory in the middle of a body (the buffer cannot double past
// 8 MiB) fails that transfer, and the process and the engine go on.
TEST_F(MemoryBufferTask, OutOfMemoryFailsOnlyTheTransfer) {
    const size_t size = 9 * 1024 * 1024;
    ASSERT_TRUE(Routes(R"({"/list": {"generate": )" + std::to_string(size) + "}}"));
    {
        AddressSpaceSqueeze squeeze(16 * 1024 * 1024);
        ASSERT_EQ(nullptr, malloc(16 * 1024 * 1024)) << "the squeeze left room for the doubled buffer";
        DownloadTaskBase* task = RunOne(Buffer({Url("/list")}));
        ASSERT_NE(nullptr, task);
        EXPECT_EQ(DownloadTaskBase::kFailed, task->GetResult());
    }
    DownloadTaskBase* task = RunOne(Buffer({Url("/list")}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult()) << MessageOf(task);
    EXPECT_EQ(GeneratedBytes(0, size), Content());
}

// --- Forge .pack.xz library -----------------------------------------------

class ForgeLibraryTask : public DownloadTest {
protected:
    DownloadInfoForgeXZLibrary* Forge(const std::wstring& name, std::initializer_list<std::string> urls) {
        auto* info = new DownloadInfoForgeXZLibrary();
        info->target = Target(name).c_str();
        for (const std::string& url : urls) info->urls.emplace_back(WString(testing_support::Widen(url).c_str()), 2);
        const std::string accepted = ReadBytes(Fixture(L"lib.checksums.sha1"));
        DownloadInfoForgeXZLibrary::Checksum digest;
        Sha1OfBuffer(accepted.data(), accepted.size(), digest.bytes);
        info->checksums.push_back(digest);
        return info;
    }
    static std::wstring Fixture(const std::wstring& name) {
        return testing_support::BuildTreePath(L"tests\\launcher\\forge_fixtures\\" + name);
    }
};

TEST_F(ForgeLibraryTask, PipelineTurnsTheBodyIntoTheTarget) {
    // The mirror's plain signed jar is accepted as it is; a pack without its
    // signature fails the split and the next URL is asked.
    ASSERT_TRUE(Routes("{\"/nosign.pack.xz\": {\"file\": " +
                       testing_support::JsonQuote(testing_support::Narrow(Fixture(L"lib-nosign.jar.pack.xz"))) +
                       "}, \"/signed.jar\": {\"file\": " +
                       testing_support::JsonQuote(testing_support::Narrow(Fixture(L"signed.jar"))) + "}}"));
    DownloadTaskBase* task = RunOne(Forge(L"forge.jar", {Url("/nosign.pack.xz"), Url("/signed.jar")}));
    ASSERT_NE(nullptr, task);
    EXPECT_EQ(DownloadTaskBase::kSucceeded, task->GetResult()) << MessageOf(task);
    EXPECT_EQ(ReadBytes(Fixture(L"signed.jar")), ReadBytes(Target(L"forge.jar")));
    EXPECT_FALSE(Exists(Target(L"forge.jar.dl")));
    EXPECT_THAT(m_observer.TaskCodes(0), ElementsAre(kTaskStarted, kTaskNextUrl, kTaskFinished));
    const std::vector<std::wstring> texts = m_observer.StatusTexts(0);
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(L"正在验证Jar", texts[0]);
    EXPECT_EQ(L"正在解压", texts[1]);
    bool sawSplitFailure = false;
    for (const ObservedCall& call : m_observer.Calls()) {
        sawSplitFailure |= call.code == kTaskNextUrl && call.message.rfind(L"SplitForgeLibraryPack:", 0) == 0;
    }
    EXPECT_TRUE(sawSplitFailure) << "the pipeline's failure text is the task's message";
}

}  // namespace
}  // namespace download_test
