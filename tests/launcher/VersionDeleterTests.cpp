// The version deleter: each test lists the tree afterwards and compares it
// with what must survive.
#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/MinecraftDeleter.h"
#include "launcher/MinecraftFileManager.h"
#include "tests/launcher/GameTree.h"
#include "tests/launcher/TreeListing.h"

namespace {

using testing_support::DownloadInfoList;
using testing_support::GameTree;
using testing_support::ListTree;
using testing_support::Narrow;
using testing_support::TargetOf;
using trelm::launcher::MinecraftDeleter;
using trelm::launcher::MinecraftFileManager;
using trelm::launcher::MinecraftList;

typedef std::set<std::wstring> Listing;

const uint32_t kAllFlags = 0x1FF;
const uint32_t kAllButJson = 0xFF;
const std::string kHashA = "aa00000000000000000000000000000000000001";
const std::string kHashB = "bb00000000000000000000000000000000000002";

Listing Without(Listing listing, const Listing& removed) {
    for (const std::wstring& path : removed) EXPECT_EQ(1u, listing.erase(path)) << Narrow(path);
    return listing;
}

// below (a folder that stays) + path, and every folder between them, as
// ListTree names them: what goes when the file goes with its emptied folders.
Listing Chain(const std::wstring& below, const std::wstring& path) {
    Listing out;
    for (size_t end = path.find(L'\\'); end != std::wstring::npos; end = path.find(L'\\', end + 1))
        out.insert(L".minecraft\\" + below + path.substr(0, end + 1));
    out.insert(L".minecraft\\" + below + path);
    return out;
}

Listing operator+(Listing a, const Listing& b) {
    a.insert(b.begin(), b.end());
    return a;
}

struct DeleteResult {
    bool ok;
    std::vector<int> chosen;
    std::vector<std::wstring> protectedIds;
};

DeleteResult Delete(const GameTree& tree, const std::vector<const wchar_t*>& ids, uint32_t flags) {
    MinecraftList list(tree.Root().c_str());
    list.Refresh();
    DeleteResult result;
    for (const wchar_t* id : ids) result.chosen.push_back(list.FindById(id));
    std::vector<WString> protectedIds;
    MinecraftDeleter deleter(tree.Root().c_str());
    result.ok = deleter.DeleteDownloadableFiles(list, result.chosen.data(), static_cast<int>(result.chosen.size()),
                                                flags, protectedIds);
    for (const WString& id : protectedIds) result.protectedIds.push_back(id.GetString());
    return result;
}

// "base" with a Forge child, and "other" sharing a library and the asset
// index with "base".
class VersionDeleter : public testing::Test {
protected:
    void SetUp() override {
        tree.WriteVersion(L"base", R"({"id":"base","assets":"idx","libraries":[
            {"name":"com.shared:lib:1"}, {"name":"com.base:only:1"},
            {"name":"org.native:plat:2","natives":{"windows":"natives-windows-${arch}"}}]})");
        tree.WriteVersion(L"base-forge", R"({"id":"base-forge","inheritsFrom":"base","libraries":[
            {"name":"net.forge:forge:1","url":"http://forge.test/maven/"},
            {"name":"com.shared:lib:1"}, {"name":"optifine:OptiFine:1"}]})");
        tree.WriteVersion(L"other", R"({"id":"other","assets":"idx","libraries":[
            {"name":"com.shared:lib:1"}, {"name":"com.other:o:1"}]})");
        for (const wchar_t* file :
             {L"libraries\\com\\shared\\lib\\1\\lib-1.jar", L"libraries\\com\\base\\only\\1\\only-1.jar",
              L"libraries\\org\\native\\plat\\2\\plat-2-natives-windows-32.jar",
              L"libraries\\org\\native\\plat\\2\\plat-2-natives-windows-64.jar",
              L"libraries\\net\\forge\\forge\\1\\forge-1.jar", L"libraries\\optifine\\OptiFine\\1\\OptiFine-1.jar",
              L"libraries\\com\\other\\o\\1\\o-1.jar", L"versions\\base\\base.jar",
              L"versions\\base-forge\\base-forge.jar", L"versions\\other\\other.jar", L"native\\base\\a.dll",
              L"native\\base-forge\\a.dll", L"native\\other\\a.dll", L"saves\\world\\level.dat"}) {
            tree.Write(file, "x");
        }
        tree.Write(L"assets\\indexes\\idx.json",
                   R"({"objects":{"a":{"hash":")" + kHashA + R"("},"b":{"hash":")" + kHashB + R"("}}})");
        tree.Write(L"assets\\objects\\aa\\" + testing_support::Widen(kHashA), "a");
        tree.Write(L"assets\\objects\\bb\\" + testing_support::Widen(kHashB), "b");
    }
    Listing Files() const { return ListTree(tree.Root()); }

    GameTree tree;
};

TEST_F(VersionDeleter, ForgeChildGoesAndItsParentKeepsEverything) {
    const Listing before = Files();
    const DeleteResult result = Delete(tree, {L"base-forge"}, kAllFlags);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(std::vector<int>{-1}, result.chosen);
    EXPECT_EQ(Without(before, Chain(L"libraries\\", L"net\\forge\\forge\\1\\forge-1.jar") +
                                  Chain(L"libraries\\", L"optifine\\OptiFine\\1\\OptiFine-1.jar") +
                                  Chain(L"native\\", L"base-forge\\a.dll") +
                                  Chain(L"versions\\base-forge\\", L"base-forge.json") +
                                  Chain(L"versions\\base-forge\\", L"base-forge.jar")),
              Files());
}

TEST_F(VersionDeleter, ParentOfAKeptVersionIsProtectedOnlyWithTheJsonFlag) {
    const Listing before = Files();
    DeleteResult result = Delete(tree, {L"other", L"base"}, kAllFlags);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(std::vector<std::wstring>{L"base"}, result.protectedIds);
    EXPECT_EQ(before, Files());

    result = Delete(tree, {L"base", L"base-forge", L"other"}, 0);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(std::vector<int>(3, -1), result.chosen);
    EXPECT_EQ(before, Files());

    // Both users of the shared index go: the first deletes the objects and
    // the index, the second finds them gone, which is no failure. The shared
    // library stays for the Forge child; both arch forms of the native go.
    result = Delete(tree, {L"base", L"other"}, kAllButJson);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(Without(before, Chain(L"libraries\\com\\", L"base\\only\\1\\only-1.jar") +
                                  Chain(L"libraries\\com\\", L"other\\o\\1\\o-1.jar") +
                                  Chain(L"libraries\\", L"org\\native\\plat\\2\\plat-2-natives-windows-32.jar") +
                                  Chain(L"libraries\\org\\native\\plat\\2\\", L"plat-2-natives-windows-64.jar") +
                                  Chain(L"assets\\", L"objects\\aa\\" + testing_support::Widen(kHashA)) +
                                  Chain(L"assets\\objects\\", L"bb\\" + testing_support::Widen(kHashB)) +
                                  Chain(L"assets\\indexes\\", L"idx.json") + Chain(L"versions\\base\\", L"base.jar") +
                                  Chain(L"versions\\other\\", L"other.jar") + Chain(L"native\\", L"base\\a.dll") +
                                  Chain(L"native\\", L"other\\a.dll")),
              Files());
}

// JSONs whose "id", library paths or object hashes point elsewhere: only
// the chosen folders' own files may go.
TEST(VersionDeleterHostile, NamesFromTheJsonNeverPickWhatIsDeleted) {
    GameTree tree;
    const std::string hostileHash = R"(..\\..\\.minecraft\\saves\\level_dat_1234567)";  // 40 characters
    const std::string rest = R"(,"assets":"evilidx","libraries":[
        {"name":"a:b:1","downloads":{"artifact":{"path":"../../saves/world/level.dat","url":"http://x/"}}},
        {"name":"..:..:..","url":"http://x/"}, {"name":"a:b:../../../saves/world/level"}]})";
    tree.WriteVersion(L"dots", R"({"id":".." )" + rest);
    tree.WriteVersion(L"empty", R"({"id":"" )" + rest);
    tree.WriteVersion(L"differs", R"({"id":"keep" )" + rest);
    tree.WriteVersion(L"climbs", R"({"id":"..\\..\\.." )" + rest);
    tree.WriteVersion(L"keep", R"({"id":"keep","assets":"..\\..\\saves\\world\\level"})");
    tree.Write(L"assets\\indexes\\evilidx.json", R"({"objects":{"x":{"hash":")" + hostileHash +
                                                     R"("},"y":{"hash":"zz00000000000000000000000000000000000000"}}})");
    for (const wchar_t* file : {L"saves\\world\\level.dat", L"saves\\world\\level.json", L"saves\\level_dat_1234567",
                                L"native\\keep\\a.dll", L"native\\dots\\a.dll", L"versions\\keep\\keep.jar",
                                L"versions\\dots\\dots.jar", L"options.txt"}) {
        tree.Write(file, "x");
    }
    const Listing before = ListTree(tree.Root());
    const DeleteResult result = Delete(tree, {L"dots", L"empty", L"differs", L"climbs"}, kAllFlags);
    EXPECT_TRUE(result.ok);
    Listing gone = Chain(L"native\\", L"dots\\a.dll") + Chain(L"versions\\dots\\", L"dots.jar") +
                   Chain(L"assets\\indexes\\", L"evilidx.json");
    for (const wchar_t* id : {L"dots", L"empty", L"differs", L"climbs"})
        gone = gone + Chain(L"versions\\" + std::wstring(id) + L"\\", std::wstring(id) + L".json");
    EXPECT_EQ(Without(before, gone), ListTree(tree.Root()));
}

TEST(VersionDeleterHostile, GameTempFilesGoAndNothingElse) {
    GameTree tree;
    for (const wchar_t* file : {L"output-client.log", L"realms_persistence.json", L"usercache.json", L"logs\\a.log",
                                L"logs\\old\\b.log.gz", L"crash-reports\\c.txt", L"saves\\w\\level.dat",
                                L"options.txt"}) {
        tree.Write(file, "x");
    }
    MinecraftDeleter deleter(tree.Root().c_str());
    EXPECT_TRUE(deleter.DeleteGameTempFiles());
    EXPECT_EQ((Listing{L".minecraft\\", L".minecraft\\saves\\", L".minecraft\\saves\\w\\",
                       L".minecraft\\saves\\w\\level.dat", L".minecraft\\options.txt"}),
              ListTree(tree.Root()));
    EXPECT_TRUE(deleter.DeleteGameTempFiles());  // nothing left to delete is no failure

    // A game folder emptied by its last file goes with it.
    GameTree bare;
    bare.Write(L"usercache.json", "x");
    MinecraftDeleter bareDeleter(bare.Root().c_str());
    EXPECT_TRUE(bareDeleter.DeleteGameTempFiles());
    EXPECT_EQ(Listing{}, ListTree(bare.Root()));
}

// The real 2014 tree: LiteLoader "...Mcndyx" over Forge "..Mcndyx" over
// 1.7.10, and LiteLoader ".1.7.10" straight over 1.7.10, with every file
// their JSONs name.
TEST(VersionDeleterReal, ThreeLevelChainOf2014) {
    SKIP_WITHOUT_REAL_DATA();
    testing_support::UseFixedEndpoints();
    GameTree tree;
    const wchar_t* ids[] = {L"1.7.10", L"..Mcndyx", L"...Mcndyx", L".1.7.10"};
    for (const wchar_t* id : ids) {
        const std::wstring json = L"versions\\" + std::wstring(id) + L"\\" + id + L".json";
        tree.CopyReal(L"dotminecraft-2014\\" + json, json);
    }
    for (const wchar_t* id : ids) {
        MinecraftFileManager manager(tree.Root().c_str());
        manager.SetVersion(id);
        DownloadInfoList missing;
        int64_t total = 0;
        ASSERT_TRUE(manager.CheckLibraries(missing.infos, total)) << Narrow(manager.GetErrorMsg().GetString());
        for (const auto* info : missing.infos) testing_support::WriteBytes(testing_support::Widen(TargetOf(info)), "x");
        tree.Write(L"versions\\" + std::wstring(id) + L"\\" + id + L".jar", "x");
        tree.Write(L"native\\" + std::wstring(id) + L"\\lwjgl.dll", "x");
    }
    tree.CopyReal(L"assets\\indexes\\1.7.10.json", L"assets\\indexes\\1.7.10.json");
    tree.Write(L"saves\\New World\\level.dat", "x");
    const Listing before = ListTree(tree.Root());

    DeleteResult result = Delete(tree, {L"1.7.10"}, kAllFlags);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(std::vector<std::wstring>{L"1.7.10"}, result.protectedIds);
    EXPECT_EQ(before, ListTree(tree.Root()));

    // Everything the LiteLoader child names is shared with its parents or
    // with the other LiteLoader version: only its own files go.
    result = Delete(tree, {L"...Mcndyx"}, kAllFlags);
    EXPECT_TRUE(result.ok);
    const Listing afterChild = Without(before, Chain(L"versions\\...Mcndyx\\", L"...Mcndyx.json") +
                                                   Chain(L"versions\\...Mcndyx\\", L"...Mcndyx.jar") +
                                                   Chain(L"native\\", L"...Mcndyx\\lwjgl.dll"));
    EXPECT_EQ(afterChild, ListTree(tree.Root()));

    // With it gone, the other LiteLoader version's own libraries go too;
    // asm-all 5.0.3 stays for Forge.
    result = Delete(tree, {L".1.7.10"}, kAllFlags);
    EXPECT_TRUE(result.ok);
    const Listing removed = Chain(L"versions\\.1.7.10\\", L".1.7.10.json") + Chain(L"versions\\.1.7.10\\", L".1.7.10.jar") +
                            Chain(L"native\\", L".1.7.10\\lwjgl.dll") +
                            Chain(L"libraries\\com\\", L"mumfrey\\liteloader\\1.7.10\\liteloader-1.7.10.jar") +
                            Chain(L"libraries\\net\\minecraft\\launchwrapper\\", L"1.11\\launchwrapper-1.11.jar") +
                            Chain(L"libraries\\com\\google\\guava\\guava\\", L"16.0\\guava-16.0.jar");
    const Listing left = ListTree(tree.Root());
    EXPECT_EQ(Without(afterChild, removed), left);
    EXPECT_EQ(1u, left.count(L".minecraft\\libraries\\org\\ow2\\asm\\asm-all\\5.0.3\\asm-all-5.0.3.jar"));
}

}  // namespace
