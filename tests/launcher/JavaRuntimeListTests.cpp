#include "launcher/JavaRuntimeList.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "launcher/MemoryDefaults.h"
#include "launcher/PeMachine.h"
#include "tests/support/FakeJava.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestSystem.h"

namespace {

using trelm::launcher::DefaultMaxHeapMB;
using trelm::launcher::JavaRuntimeInfo;
using trelm::launcher::JavaRuntimeList;
using trelm::launcher::ProcessRunsUnderWow64;
using testing_support::FakeJavaHome;
using testing_support::Narrow;

bool Wow64() { return true; }
bool NoWow64() { return false; }

JavaRuntimeInfo Runtime(const wchar_t* versionText, bool is64) {
    JavaRuntimeInfo info;
    info.versionText = versionText;
    JavaRuntimeList::ParseVersionText(versionText, info.version);
    info.is64Bit = is64 ? 1 : 0;
    return info;
}

// A list of player runtimes whose versions are then set as if the registry
// had named them.
void AddVersions(JavaRuntimeList& list, const std::vector<std::pair<const wchar_t*, bool>>& runtimes) {
    for (const auto& runtime : runtimes) {
        JavaRuntimeInfo* info = list.GetAt(list.Add(L"C:\\j\\", runtime.first, runtime.second));
        JavaRuntimeList::ParseVersionText(runtime.first, info->version);
    }
}

TEST(JavaRuntimeList, ParsesVersionTextAndScoresIt) {
    struct Row {
        const wchar_t* text;
        bool is64;
        uint32_t version[4];
        int64_t score;
    };
    const Row rows[] = {
        {L"1.8.0_151", false, {1, 8, 0, 151}, 1951},  // the update number is added unchanged
        {L"1.7.0_80", false, {1, 7, 0, 80}, 1780},
        {L"1.7.0_80", true, {1, 7, 0, 80}, 1880},
        {L"1.8.99", false, {1, 8, 99, 0}, 2790},  // still before 1.9
        {L"1.9.0.0", false, {1, 9, 0, 0}, 900},   // "." where "_" is expected ends the reading
        {L"1.9.0.0", true, {1, 9, 0, 0}, 1000},
        {L"1.10", false, {1, 10, 0, 0}, 1000},
        {L"9.0.1", false, {9, 0, 1, 0}, 8010},
        {L"11", true, {11, 0, 0, 0}, 10100},
        {L"jre8", false, {0, 0, 0, 0}, 0},
        {L"", true, {0, 0, 0, 0}, 100},
        // Key names are anyone's text: the score must not wrap around.
        {L"4294967295", false, {4294967295u, 0, 0, 0}, 4294967295LL * 1000 - 1000},
    };
    for (const Row& row : rows) {
        const JavaRuntimeInfo info = Runtime(row.text, row.is64);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(row.version[i], info.version[i]) << Narrow(row.text) << " part " << i;
        EXPECT_EQ(row.score, JavaRuntimeList::Score(info)) << Narrow(row.text) << (row.is64 ? " 64-bit" : "");
    }
}

TEST(JavaRuntimeList, IdHashesPathVersionAndOrigin) {
    JavaRuntimeInfo info = Runtime(L"1.8.0_151", false);
    info.path = L"C:\\Java\\jre8\\";
    info.origin = trelm::launcher::kJavaFromRegistry;
    // SHA-1 of "C:\Java\jre8\" in UTF-16LE, then 1, 8, 0, 151 and 1 as 32-bit little-endian.
    EXPECT_STREQ(L"50b80a2234c81995ada6487fec94801192b73c78", JavaRuntimeList::MakeId(info).GetString());

    JavaRuntimeList list(&NoWow64);
    const int index = list.AddUserJava(L"D:\\jdk\\bin\\javaw.exe", false);
    EXPECT_STREQ(L"179122fe5427e8d87fd3a6c08de174853006c7b0", list.GetAt(index)->id.GetString());
}

// The seam plays the system here, so both answers are seen in one prefix;
// JavaRegistryBySystem sees the notice's condition for real in each.
TEST(JavaRuntimeList, TipsOnEmptyAndOneSidedLists) {
    const uint32_t java8[4] = {1, 8, 0, 0};
    JavaRuntimeList list(&Wow64);
    EXPECT_EQ(-1, list.ChooseBest());
    EXPECT_EQ(nullptr, list.GetAt(0));
    EXPECT_FALSE(list.AllOlderThan(java8));
    EXPECT_FALSE(list.Is64BitSystemWithout64BitJava());

    AddVersions(list, {{L"1.6.0_45", false}, {L"1.7.0_80", false}});
    EXPECT_TRUE(list.AllOlderThan(java8));
    EXPECT_TRUE(list.Is64BitSystemWithout64BitJava());
    AddVersions(list, {{L"1.8", true}});  // equal is not older
    EXPECT_FALSE(list.AllOlderThan(java8));
    EXPECT_FALSE(list.Is64BitSystemWithout64BitJava());

    JavaRuntimeList on32(&NoWow64);
    on32.Add(L"C:\\j\\", L"1.8.0_151", false);
    EXPECT_FALSE(on32.Is64BitSystemWithout64BitJava());
}

TEST(JavaRuntimeList, ChooseBestTakesTheHighestScoreAndTheEarlierOnTies) {
    struct Row {
        const char* what;
        std::vector<std::pair<const wchar_t*, bool>> runtimes;
        int best;
    };
    const Row rows[] = {
        {"newer beats older", {{L"1.7.0_80", false}, {L"1.8.0_151", false}}, 1},
        {"a 64-bit 1.7 still loses to a 32-bit 1.8", {{L"1.7.0_80", true}, {L"1.8.0_151", false}}, 1},
        {"9.0.1 beats 1.8", {{L"1.8.0_151", true}, {L"9.0.1", false}}, 1},
        {"equal scores keep the first", {{L"1.8.0_151", false}, {L"1.8.0_151", false}}, 0},
        // Both score 1851: the order decides, not the version.
        {"1.8.0_51 ties 1.7.0_151", {{L"1.8.0_51", false}, {L"1.7.0_151", false}}, 0},
        {"1.7.0_151 ties 1.8.0_51", {{L"1.7.0_151", false}, {L"1.8.0_51", false}}, 0},
    };
    for (const Row& row : rows) {
        JavaRuntimeList list(&NoWow64);
        AddVersions(list, row.runtimes);
        EXPECT_EQ(row.best, list.ChooseBest()) << row.what;
    }
}

TEST(JavaRuntimeList, PlayerRuntimesAreAddedAndRemoved) {
    JavaRuntimeList list(&NoWow64);
    EXPECT_EQ(0, list.AddUserJava(L"C:\\jdk\\bin\\javaw.exe", false));
    EXPECT_EQ(0, list.GetSelectedIndex());
    EXPECT_EQ(1, list.AddUserJava(L"C:\\jdk64\\bin\\java.exe", true));
    EXPECT_EQ(1, list.GetSelectedIndex());  // 64-bit: 100 against 0
    EXPECT_EQ(2, list.AddUserJava(L"C:\\jdk\\", false));

    EXPECT_STREQ(L"javaw.exe", list.GetAt(0)->versionText.GetString());
    EXPECT_STREQ(L"Unknown", list.GetAt(2)->versionText.GetString());

    // Only what the player added can go, and the choice follows.
    list.GetAt(0)->origin = trelm::launcher::kJavaFromRegistry;
    EXPECT_FALSE(list.RemoveUserJava(0));
    EXPECT_FALSE(list.RemoveUserJava(-1));
    EXPECT_FALSE(list.RemoveUserJava(3));
    EXPECT_TRUE(list.RemoveUserJava(1));
    EXPECT_EQ(2, list.GetCount());
    EXPECT_EQ(0, list.GetSelectedIndex());
}

// Writes Java keys into the prefix's registry, under names no installer
// uses, and deletes them again. Runtimes are told apart from any others in
// the registry by their homes, which all start with m_root.
class JavaRegistryTest : public ::testing::Test {
protected:
    static constexpr const wchar_t* kBase = L"SOFTWARE\\JavaSoft\\Java Runtime Environment";

    void SetUp() override {
        m_root = L"C:\\JavaRegistryTest-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        m_createdJavaSoft = !KeyExists(L"SOFTWARE\\JavaSoft");
        m_createdBase = !KeyExists(kBase);
    }

    void TearDown() override {
        for (const std::wstring& name : m_created) DeleteKey(std::wstring(kBase) + L"\\" + name);
        // Removes only keys this test made, and only when nothing else is in them.
        if (m_createdBase) DeleteKey(kBase);
        if (m_createdJavaSoft) DeleteKey(L"SOFTWARE\\JavaSoft");
    }

    void WriteValue(const std::wstring& keyName, DWORD type, const void* data, DWORD bytes) {
        const std::wstring path = std::wstring(kBase) + L"\\" + keyName;
        HKEY key = nullptr;
        DWORD disposition = 0;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                                 KEY_WRITE | KEY_WOW64_32KEY, nullptr, &key, &disposition));
        if (disposition == REG_CREATED_NEW_KEY) m_created.push_back(keyName);
        ASSERT_EQ(REG_CREATED_NEW_KEY, disposition) << Narrow(keyName) << " was in the registry already";
        if (data) {
            EXPECT_EQ(ERROR_SUCCESS,
                      RegSetValueExW(key, L"JavaHome", 0, type, static_cast<const BYTE*>(data), bytes));
        }
        RegCloseKey(key);
    }
    // A JavaHome of type REG_SZ with its terminating null.
    void WriteHome(const std::wstring& keyName, const std::wstring& home) {
        WriteValue(keyName, REG_SZ, home.c_str(), static_cast<DWORD>((home.size() + 1) * sizeof(wchar_t)));
    }

    // The runtimes of this test, in list order.
    std::vector<const JavaRuntimeInfo*> Ours(JavaRuntimeList& list) const {
        std::vector<const JavaRuntimeInfo*> found;
        for (int i = 0; i < list.GetCount(); ++i) {
            const JavaRuntimeInfo* info = list.GetAt(i);
            if (std::wstring(info->path.GetString()).compare(0, m_root.size(), m_root) == 0) found.push_back(info);
        }
        return found;
    }

    static bool KeyExists(const wchar_t* path) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    static void DeleteKey(const std::wstring& path) { RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()); }

    std::wstring m_root;
    std::vector<std::wstring> m_created;
    bool m_createdJavaSoft = false;
    bool m_createdBase = false;
};

TEST_F(JavaRegistryTest, ScanNormalisesHomesAndMergesDuplicates) {
    WriteHome(L"31.1", m_root + L"a");                   // the short name comes first...
    WriteHome(L"31.1.4_159", m_root + L"a\\");           // ...and the longer one replaces it
    WriteHome(L"31.2.0_10", m_root + L"b/");             // '/' counts as a separator
    WriteHome(L"31.3", m_root + L"b/");                  // shorter than the name already kept
    WriteHome(L"31.4", m_root + L"c");
    WriteHome(L"31.5", m_root + L"c\\");                 // same length: the first stays
    const DWORD number = 7;
    WriteValue(L"31.6", REG_DWORD, &number, sizeof(number));
    const std::wstring expand = m_root + L"d";
    WriteValue(L"31.7", REG_EXPAND_SZ, expand.c_str(), static_cast<DWORD>((expand.size() + 1) * 2));
    WriteValue(L"31.8", REG_SZ, nullptr, 0);             // a key without JavaHome
    if (HasFatalFailure()) return;

    JavaRuntimeList list(&NoWow64);
    ASSERT_TRUE(list.Refresh());
    const auto ours = Ours(list);
    ASSERT_EQ(3u, ours.size());

    EXPECT_EQ(m_root + L"a\\", ours[0]->path.GetString());
    EXPECT_STREQ(L"31.1.4_159", ours[0]->versionText.GetString());
    EXPECT_EQ(159u, ours[0]->version[3]);
    // The id was made when the record was found and stays with it.
    JavaRuntimeInfo first = *ours[0];
    JavaRuntimeList::ParseVersionText(L"31.1", first.version);
    EXPECT_STREQ(JavaRuntimeList::MakeId(first).GetString(), ours[0]->id.GetString());

    EXPECT_EQ(m_root + L"b/", ours[1]->path.GetString());
    EXPECT_STREQ(L"31.2.0_10", ours[1]->versionText.GetString());
    EXPECT_EQ(m_root + L"c\\", ours[2]->path.GetString());
    EXPECT_STREQ(L"31.4", ours[2]->versionText.GetString());
    for (const JavaRuntimeInfo* info : ours) {
        EXPECT_EQ(1u, info->origin);
        EXPECT_EQ(0u, info->is64Bit);
    }
}

TEST_F(JavaRegistryTest, HomeWithoutTerminatorIsReadWithinTheBuffer) {
    // Stored without its null, as some installers do.
    const std::wstring bare = m_root + L"bare";
    WriteValue(L"32.1", REG_SZ, bare.data(), static_cast<DWORD>(bare.size() * 2));
    // Exactly the 520 bytes the value is read into, and no null.
    std::wstring full = m_root;
    full.resize(260, L'x');
    WriteValue(L"32.2", REG_SZ, full.data(), 520);
    // Longer than the buffer: skipped, not cut.
    std::wstring tooLong = m_root;
    tooLong.resize(300, L'y');
    WriteHome(L"32.3", tooLong);
    if (HasFatalFailure()) return;

    JavaRuntimeList list(&NoWow64);
    ASSERT_TRUE(list.Refresh());
    const auto ours = Ours(list);
    ASSERT_GE(ours.size(), 1u);
    ASSERT_LE(ours.size(), 2u);
    EXPECT_EQ(bare + L"\\", ours[0]->path.GetString());
    // Windows hands back all 520 bytes without a null; Wine counts the
    // missing null, finds 522 bytes too many and refuses the value. Either
    // way nothing past the value may show up in the path.
    if (ours.size() == 2) {
        EXPECT_STREQ(L"32.2", ours[1]->versionText.GetString());
        EXPECT_EQ(full + L"\\", ours[1]->path.GetString());
    }
}

// Describes the 32-bit prefix, through the seam: a 32-bit Windows has one
// registry view, which KEY_WOW64_64KEY reaches as well, so a WOW64 answer
// makes the scan read that view twice and find each home a second time, as
// 64-bit. No real system gives that case; the 64-bit prefix, whose views are
// separate, is described without the seam by JavaRegistryBySystem below.
TEST_F(JavaRegistryTest, SixtyFourBitViewIsScannedOnlyOnWow64) {
    if (ProcessRunsUnderWow64()) GTEST_SKIP() << "describes the 32-bit prefix's single registry view";
    WriteHome(L"33.0.0_1", m_root + L"x");
    if (HasFatalFailure()) return;

    JavaRuntimeList on32(&NoWow64);
    ASSERT_TRUE(on32.Refresh());
    ASSERT_EQ(1u, Ours(on32).size());
    EXPECT_EQ(0u, Ours(on32)[0]->is64Bit);

    JavaRuntimeList on64(&Wow64);
    on64.AddUserJava(L"C:\\jdk\\bin\\javaw.exe", true);
    ASSERT_TRUE(on64.Refresh());  // starts from an empty list
    for (int i = 0; i < on64.GetCount(); ++i) EXPECT_EQ(1u, on64.GetAt(i)->origin);
    const auto ours = Ours(on64);
    ASSERT_EQ(2u, ours.size());
    EXPECT_EQ(0u, ours[0]->is64Bit);
    EXPECT_EQ(1u, ours[1]->is64Bit);
    EXPECT_FALSE(on64.Is64BitSystemWithout64BitJava());
    // 33.0.0_1 scores 32001 (+100 when 64-bit), above any real runtime.
    EXPECT_EQ(ours[1], on64.GetAt(on64.GetSelectedIndex()));
}

// The real scan, no seam, on the system the test entry chose. A real 32-bit
// fake Java is registered in the 32-bit view and a real 64-bit one in the
// 64-bit view. In the 64-bit prefix (WOW64, separate views, as on most
// players' Windows) each is found once with its own architecture, which its
// PE header confirms, the 64-bit one wins on its bonus and gets the 64-bit
// default heap. In the 32-bit prefix the one view holds both, only it is
// scanned, and both are 32-bit runtimes.
TEST(JavaRegistryBySystem, EachViewGivesItsRuntimesOnceWithTheirArchitecture) {
    const bool wow64 = ProcessRunsUnderWow64();
    ASSERT_EQ(testing_support::InWin64Prefix(), wow64) << "the 64-bit prefix runs this program under WOW64";
    const FakeJavaHome java32;
    const FakeJavaHome java64(FakeJavaHome::k64Bit);
    auto find = [](JavaRuntimeList& list, const FakeJavaHome& java) {
        std::vector<const JavaRuntimeInfo*> found;
        for (int i = 0; i < list.GetCount(); ++i)
            if (java.Home() == list.GetAt(i)->path.GetString()) found.push_back(list.GetAt(i));
        return found;
    };

    // A higher update than the 64-bit one's, which still wins on a 64-bit system.
    const testing_support::RegisteredJava registered32(L"34.0.0_50", java32.Home(), false);
    JavaRuntimeList before;
    ASSERT_TRUE(before.Refresh());
    ASSERT_EQ(1u, find(before, java32).size());
    // The start-up notice a 64-bit system without a 64-bit runtime gets.
    EXPECT_EQ(wow64, before.Is64BitSystemWithout64BitJava());

    const testing_support::RegisteredJava registered64(L"34.0.0_1", java64.Home(), true);
    JavaRuntimeList list;
    ASSERT_TRUE(list.Refresh());
    const auto found32 = find(list, java32);
    const auto found64 = find(list, java64);
    ASSERT_EQ(1u, found32.size());
    ASSERT_EQ(1u, found64.size());
    EXPECT_EQ(0u, found32[0]->is64Bit);
    EXPECT_EQ(wow64 ? 1u : 0u, found64[0]->is64Bit);
    EXPECT_FALSE(list.Is64BitSystemWithout64BitJava());
    const JavaRuntimeInfo* chosen = list.GetAt(list.GetSelectedIndex());
    EXPECT_EQ(wow64 ? found64[0] : found32[0], chosen);

    if (wow64) {
        for (const JavaRuntimeInfo* info : {found32[0], found64[0]}) {
            int machine = -1;
            bool isDll = true;
            const std::wstring exe = std::wstring(info->path.GetString()) + L"bin\\javaw.exe";
            ASSERT_EQ(0, trelm::launcher::ReadPeMachine(exe.c_str(), &machine, &isDll));
            EXPECT_EQ(static_cast<int>(info->is64Bit), machine) << Narrow(exe);
        }
    }

    // The heap a launch without a heap setting gives the chosen runtime:
    // 80 % of the free memory within 1024..4096 MB for a 64-bit one, 1024 for
    // a 32-bit one. The free memory is the host's and moves, so the result
    // must lie between the values for the free memory just before and after.
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    const uint64_t freeBefore = status.ullAvailPhys;
    const uint32_t heap = DefaultMaxHeapMB(chosen->is64Bit == 1);
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    const uint32_t low = DefaultMaxHeapMB(wow64, std::min(freeBefore, status.ullAvailPhys));
    const uint32_t high = DefaultMaxHeapMB(wow64, std::max(freeBefore, status.ullAvailPhys));
    EXPECT_GE(heap, low);
    EXPECT_LE(heap, high);
}

}  // namespace
