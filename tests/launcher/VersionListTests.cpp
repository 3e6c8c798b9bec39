// The installed-version list: what a scan finds, how it classifies and
// orders the versions, and the real 2014 tree.
#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/MinecraftList.h"
#include "tests/launcher/GameTree.h"

namespace {

using testing_support::GameTree;
using testing_support::Narrow;
using trelm::launcher::MinecraftList;
using trelm::launcher::VersionInfo;

std::string Version(const std::string& id, const std::string& time, const std::string& parent = "") {
    std::string json = R"({"id":")" + id + R"(","mainClass":"M","minecraftArguments":"")";
    if (!time.empty()) json += R"(,"releaseTime":")" + time + R"(")";
    if (!parent.empty()) json += R"(,"inheritsFrom":")" + parent + R"(")";
    return json + "}";
}

// Version folders in the order the file system hands them out: under Wine
// that is the host's order, not NTFS name order.
std::vector<std::wstring> EnumerationOrder(const GameTree& tree) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(tree.Path(L"versions\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0) names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

std::vector<std::string> Ids(const MinecraftList& list) {
    std::vector<std::string> ids;
    for (const VersionInfo& v : list.versions) ids.push_back(Narrow(v.id.GetString()));
    return ids;
}

std::vector<std::string> InOrder(const std::vector<std::wstring>& order, const std::vector<std::string>& subset) {
    std::vector<std::string> out;
    for (const std::wstring& name : order)
        for (const std::string& id : subset)
            if (Narrow(name) == id) out.push_back(id);
    return out;
}

uint64_t Ticks(const FILETIME& time) { return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

TEST(VersionList, ClassifiesResolvesAndSortsNewestFirst) {
    GameTree tree;
    tree.WriteVersion(L"1.7.10", Version("1.7.10", "2014-05-14T17:29:23+00:00"));
    tree.WriteVersion(L"1.7.10-Forge10.13.4", Version("1.7.10-Forge10.13.4", "2015-01-01T00:00:00", "1.7.10"));
    tree.WriteVersion(L"plain", Version("plain", "2016-01-01T00:00:00", "1.7.10-Forge10.13.4"));
    tree.WriteVersion(L"OptiFine_1.8", Version("OptiFine_1.8", "2013-01-01T00:00:00"));
    tree.WriteVersion(L"LiteLoader-x", Version("LiteLoader-x", "2012-01-01T00:00:00"));
    tree.WriteVersion(L"a", Version("a", "2011-01-01T00:00:00", "b"));
    tree.WriteVersion(L"b", Version("b", "2011-01-01T00:00:00", "a"));
    tree.WriteVersion(L"orphan", Version("orphan", "2011-01-01T00:00:00", "gone"));
    tree.WriteVersion(L"climber", Version("climber", "2011-01-01T00:00:00", "..\\\\..\\\\x"));
    tree.WriteVersion(L"no time", Version("no time", ""));
    tree.WriteVersion(L"bad time", Version("bad time", "2014-05-14"));
    tree.WriteVersion(L"broken", "{\"id\":");
    tree.Write(L"versions\\empty folder\\other.json", "{}");
    tree.Write(L"versions\\a file", "{}");

    MinecraftList list(tree.Root().c_str());
    ASSERT_TRUE(list.Refresh());

    const std::vector<std::wstring> order = EnumerationOrder(tree);
    std::vector<std::string> expected = {"plain", "1.7.10-Forge10.13.4", "1.7.10", "OptiFine_1.8", "LiteLoader-x"};
    for (const std::string& id : InOrder(order, {"a", "b", "orphan", "climber"})) expected.push_back(id);
    for (const std::string& id : InOrder(order, {"no time", "bad time"})) expected.push_back(id);
    EXPECT_EQ(expected, Ids(list));

    struct Expected {
        const wchar_t* id;
        const wchar_t* parent;
        const wchar_t* root;
        uint32_t kind;
    };
    const Expected records[] = {
        {L"1.7.10", L"", L"1.7.10", 1},
        {L"1.7.10-Forge10.13.4", L"1.7.10", L"1.7.10", 3},
        {L"plain", L"1.7.10-Forge10.13.4", L"1.7.10", 1},  // only its own id counts for the kind
        {L"OptiFine_1.8", L"", L"OptiFine_1.8", 9},
        {L"LiteLoader-x", L"", L"LiteLoader-x", 5},
        {L"a", L"b", L"b", 1},  // a loop ends at the direct parent
        {L"b", L"a", L"a", 1},
        {L"orphan", L"gone", L"gone", 1},
        {L"climber", L"..\\..\\x", L"..\\..\\x", 1},  // never read, only shown
    };
    for (const Expected& r : records) {
        const int index = list.FindById(r.id);
        ASSERT_GE(index, 0) << Narrow(r.id);
        const VersionInfo& v = list.versions[static_cast<size_t>(index)];
        EXPECT_EQ(Narrow(r.parent), Narrow(v.parentId.GetString())) << Narrow(r.id);
        EXPECT_EQ(Narrow(r.root), Narrow(v.rootId.GetString())) << Narrow(r.id);
        EXPECT_EQ(r.kind, v.kind) << Narrow(r.id);
    }
    // The zone offset is ignored: 17:29:23 as written.
    SYSTEMTIME written = {2014, 5, 0, 14, 17, 29, 23, 0};
    FILETIME expectedTime;
    ASSERT_TRUE(SystemTimeToFileTime(&written, &expectedTime));
    EXPECT_EQ(Ticks(expectedTime), Ticks(list.versions[static_cast<size_t>(list.FindById(L"1.7.10"))].releaseTime));
    EXPECT_EQ(0u, Ticks(list.versions.back().releaseTime));
    EXPECT_EQ(-1, list.FindById(L"optifine_1.8"));
    EXPECT_EQ(-1, list.FindById(L"broken"));
}

TEST(VersionList, MissingVersionsFolderFails) {
    GameTree tree;
    MinecraftList list(tree.Root().c_str());
    list.versions.resize(2);
    EXPECT_FALSE(list.Refresh());
    EXPECT_TRUE(list.versions.empty());
}

TEST(VersionList, RealTreeOf2014) {
    SKIP_WITHOUT_REAL_DATA();
    GameTree tree;
    for (const wchar_t* id : {L"1.7.10", L"..Mcndyx", L"...Mcndyx", L".1.7.10"}) {
        const std::wstring json = L"versions\\" + std::wstring(id) + L"\\" + id + L".json";
        tree.CopyReal(L"dotminecraft-2014\\" + json, json);
    }
    MinecraftList list(tree.Root().c_str());
    ASSERT_TRUE(list.Refresh());
    // 1.7.10 says 19:29:23+02:00; the two LiteLoader versions share 18:29:23;
    // Forge's placeholder time is 1960.
    std::vector<std::string> expected = {"1.7.10"};
    for (const std::string& id : InOrder(EnumerationOrder(tree), {"...Mcndyx", ".1.7.10"})) expected.push_back(id);
    expected.push_back("..Mcndyx");
    EXPECT_EQ(expected, Ids(list));
    const VersionInfo& top = list.versions[static_cast<size_t>(list.FindById(L"...Mcndyx"))];
    EXPECT_EQ(L"..Mcndyx", std::wstring(top.parentId.GetString()));
    EXPECT_EQ(L"1.7.10", std::wstring(top.rootId.GetString()));
    EXPECT_EQ(1u, top.kind);  // the user renamed it: nothing in the id tells
}

}  // namespace
