// Loading a version's JSON with every JSON it inherits from.
#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/MinecraftFileManager.h"
#include "launcher/MinecraftList.h"
#include "tests/launcher/GameTree.h"

namespace {

using testing_support::DownloadInfoList;
using testing_support::GameTree;
using testing_support::Narrow;
using trelm::launcher::MinecraftFileManager;

std::string Version(const std::string& id, const std::string& extra = "") {
    return R"({"id":")" + id + R"(","mainClass":"M","minecraftArguments":"--a","libraries":[])" + extra + "}";
}

std::string Child(const std::string& id, const std::string& parent) {
    return R"({"id":")" + id + R"(","mainClass":"M","minecraftArguments":"--a","libraries":[],"inheritsFrom":")" +
           parent + R"("})";
}

struct ChainCase {
    const char* name;
    std::vector<std::pair<std::wstring, std::string>> versions;
    const wchar_t* selected;
    const wchar_t* message;  // null: loads; "%s" is the versions folder
};

TEST(VersionChain, LoadsOrSaysWhichFileIsWrong) {
    const std::vector<ChainCase> cases = {
        {"three levels", {{L"c", Child("c", "b")}, {L"b", Child("b", "a")}, {L"a", Version("a")}}, L"c", nullptr},
        {"a parent needs no main class",
         {{L"c", Child("c", "p")}, {L"p", R"({"id":"p","libraries":[]})"}},
         L"c",
         nullptr},
        {"ids that start with dots are real", {{L"..x", Child("..x", ".a")}, {L".a", Version(".a")}}, L"..x", nullptr},
        {"missing file", {}, L"gone", L"读取文件失败:%sgone\\gone.json"},
        {"missing parent", {{L"c", Child("c", "p")}}, L"c", L"读取文件失败:%sp\\p.json"},
        {"not JSON", {{L"v", "{\"id\":"}}, L"v", L"解析Json文件失败:%sv\\v.json"},
        {"root is an array", {{L"v", "[]"}}, L"v", L"解析Json文件失败:%sv\\v.json"},
        {"id differs from the folder", {{L"v", Version("w")}}, L"v", L"Json文件(%sv\\v.json)缺失成员\"id\"或此成员值不正确"},
        {"id in another case", {{L"v", Version("V")}}, L"v", L"Json文件(%sv\\v.json)缺失成员\"id\"或此成员值不正确"},
        {"no main class",
         {{L"v", R"({"id":"v","minecraftArguments":"","libraries":[]})"}},
         L"v",
         L"Json文件(%sv\\v.json)缺失成员\"mainClass\"或此成员值不正确"},
        {"new-style arguments only",
         {{L"v", R"({"id":"v","mainClass":"M","arguments":{"game":[]},"libraries":[]})"}},
         L"v",
         L"Json文件(%sv\\v.json)缺失成员\"minecraftArguments\"或此成员值不正确"},
        {"inheritsFrom not a string",
         {{L"v", Version("v", R"(,"inheritsFrom":5)")}},
         L"v",
         L"Json文件(%sv\\v.json)缺失成员\"inheritsFrom\"或此成员值不正确"},
        {"inherits from itself", {{L"v", Child("v", "v")}}, L"v", L"Json文件(%sv\\v.json)成员\"inheritsFrom\"构成循环继承"},
        {"a longer cycle",
         {{L"a", Child("a", "b")}, {L"b", Child("b", "c")}, {L"c", Child("c", "a")}},
         L"a",
         L"Json文件(%sa\\a.json)成员\"inheritsFrom\"构成循环继承"},
        // A parent id is a folder name; one that climbs out is never read.
        {"parent outside versions",
         {{L"v", Child("v", "..\\\\..\\\\x")}},
         L"v",
         L"Json文件(%sv\\v.json)缺失成员\"inheritsFrom\"或此成员值不正确"},
        {"parent is ..", {{L"v", Child("v", "..")}}, L"v", L"Json文件(%sv\\v.json)缺失成员\"inheritsFrom\"或此成员值不正确"},
        {"empty parent", {{L"v", Child("v", "")}}, L"v", L"Json文件(%sv\\v.json)缺失成员\"inheritsFrom\"或此成员值不正确"},
        // Windows drops the folder's trailing dot: "trail." would read trail\trail..json.
        {"parent ends in a dot",
         {{L"v", Child("v", "trail.")}, {L"trail.", Version("trail.")}},
         L"v",
         L"Json文件(%sv\\v.json)缺失成员\"inheritsFrom\"或此成员值不正确"},
        {"parent ends in a space", {{L"v", Child("v", "a ")}}, L"v", L"Json文件(%sv\\v.json)缺失成员\"inheritsFrom\"或此成员值不正确"},
    };
    for (const ChainCase& c : cases) {
        GameTree tree;
        for (const auto& version : c.versions) tree.WriteVersion(version.first, version.second);
        MinecraftFileManager manager(tree.Root().c_str());
        manager.SetVersion(c.selected);
        DownloadInfoList list;
        int64_t total = 0;
        const bool loaded = manager.CheckLibraries(list.infos, total);
        if (c.message == nullptr) {
            EXPECT_TRUE(loaded) << c.name << ": " << Narrow(manager.GetErrorMsg().GetString());
            continue;
        }
        EXPECT_FALSE(loaded) << c.name;
        WString expected;
        expected.Format(c.message, tree.Path(L"versions\\").c_str());
        EXPECT_EQ(Narrow(expected.GetString()), Narrow(manager.GetErrorMsg().GetString())) << c.name;
        EXPECT_TRUE(manager.GetChain().empty()) << c.name;
    }
}

TEST(VersionChain, ChainRunsFromTheSelectedVersionToItsRootAndReloadsAfterSetVersion) {
    GameTree tree;
    tree.WriteVersion(L"c", Child("c", "b"));
    tree.WriteVersion(L"b", Child("b", "a"));
    tree.WriteVersion(L"a", Version("a"));
    MinecraftFileManager manager(tree.Root().c_str());
    manager.SetVersion(L"c");
    ASSERT_TRUE(manager.EnsureVersionChain());
    ASSERT_EQ(3u, manager.GetChain().size());
    EXPECT_EQ(Narrow(tree.Path(L"versions\\c\\c.json")), Narrow(manager.GetChain()[0].path->GetString()));
    EXPECT_EQ(Narrow(tree.Path(L"versions\\a\\a.json")), Narrow(manager.GetChain()[2].path->GetString()));

    // The chain stays loaded until another version is selected.
    tree.WriteVersion(L"a", "broken");
    EXPECT_TRUE(manager.EnsureVersionChain());
    manager.SetVersion(L"b");
    EXPECT_FALSE(manager.EnsureVersionChain());
    EXPECT_TRUE(manager.GetChain().empty());
}

// A chain of 3,000 versions took 21 s to list: both readers stop at
// kMaxVersionChainLength files.
TEST(VersionChain, DepthIsBounded) {
    const size_t deepest = trelm::launcher::kMaxVersionChainLength;
    GameTree tree;
    for (size_t i = 0; i <= deepest; ++i) {
        const std::string id = "v" + std::to_string(i);
        tree.WriteVersion(testing_support::Widen(id),
                          i == deepest ? Version(id) : Child(id, "v" + std::to_string(i + 1)));
    }
    MinecraftFileManager manager(tree.Root().c_str());
    manager.SetVersion(L"v1");
    ASSERT_TRUE(manager.EnsureVersionChain()) << Narrow(manager.GetErrorMsg().GetString());
    EXPECT_EQ(deepest, manager.GetChain().size());
    manager.SetVersion(L"v0");
    EXPECT_FALSE(manager.EnsureVersionChain());
    WString expected;
    expected.Format(L"Json文件(%s)成员\"inheritsFrom\"继承层数超过16", tree.Path(L"versions\\v15\\v15.json").c_str());
    EXPECT_EQ(Narrow(expected.GetString()), Narrow(manager.GetErrorMsg().GetString()));

    trelm::launcher::MinecraftList list(tree.Root().c_str());
    ASSERT_TRUE(list.Refresh());
    const auto root = [&](const wchar_t* id) {
        return Narrow(list.versions[static_cast<size_t>(list.FindById(id))].rootId.GetString());
    };
    EXPECT_EQ("v16", root(L"v1"));
    EXPECT_EQ("v1", root(L"v0"));  // too deep: the direct parent, as for a loop
}

TEST(VersionChain, OversizedJsonIsNotRead) {
    GameTree tree;
    std::string json = Version("v");
    json.insert(json.size() - 1, ",\"pad\":\"" + std::string(10 * 1024 * 1024, 'x') + "\"");
    tree.WriteVersion(L"v", json);
    MinecraftFileManager manager(tree.Root().c_str());
    manager.SetVersion(L"v");
    EXPECT_FALSE(manager.EnsureVersionChain());
    EXPECT_EQ(0, manager.GetErrorMsg().Find(L"读取文件失败:"));
}

TEST(MinecraftFileManagerBase, RootAlwaysEndsInASeparator) {
    wchar_t current[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
    std::wstring currentWithSeparator = current;
    if (currentWithSeparator.back() != L'\\') currentWithSeparator += L'\\';
    static const struct {
        const wchar_t* given;
        const wchar_t* root;  // null: the current directory
    } cases[] = {{nullptr, nullptr}, {L"", nullptr}, {L".", nullptr}, {L"D:\\games", L"D:\\games\\"},
                 {L"D:\\games\\", L"D:\\games\\"}, {L"D:/games/", L"D:/games/"}, {L"rel", L"rel\\"}};
    for (const auto& c : cases) {
        MinecraftFileManager manager(c.given);
        EXPECT_EQ(Narrow(c.root ? c.root : currentWithSeparator), Narrow(manager.GetRoot().GetString()))
            << Narrow(c.given ? c.given : L"(null)");
    }
    MinecraftFileManager manager(L"R:\\");
    WString path;
    manager.GetVersionJsonPath(path, L"1.7.10");
    EXPECT_STREQ(L"R:\\.minecraft\\versions\\1.7.10\\1.7.10.json", path.GetString());
    manager.GetVersionJarPath(path, L"1.7.10");
    EXPECT_STREQ(L"R:\\.minecraft\\versions\\1.7.10\\1.7.10.jar", path.GetString());
    manager.GetLibraryFilePath(path, L"a\\b.jar");
    EXPECT_STREQ(L"R:\\.minecraft\\libraries\\a\\b.jar", path.GetString());
}

}  // namespace
