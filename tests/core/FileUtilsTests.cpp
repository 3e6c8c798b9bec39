// Path splitting, folder trees and whole-file writes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/FileUtils.h"
#include "tests/support/TestPaths.h"

namespace {

using testing_support::Exists;
using testing_support::Narrow;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(PathParts, SplitsFolderAndName) {
    struct {
        const wchar_t* path;
        const wchar_t* folder;
        const wchar_t* name;
    } cases[] = {
        {L"C:\\a\\b\\c.txt", L"C:\\a\\b\\", L"c.txt"},
        {L"a/b/c.jar", L"a/b/", L"c.jar"},  // forward slashes stay as written
        {L"c.jar", L"", L"c.jar"},
        {L"C:\\a\\b\\", L"C:\\a\\b\\", L""},
        {L"C:file.txt", L"C:", L"file.txt"},
        {L"a.b\\noext", L"a.b\\", L"noext"},  // a dot in a folder is no extension
        {L"x\\.hidden", L"x\\", L".hidden"},
        {L"x\\a.tar.gz", L"x\\", L"a.tar.gz"},
        {L"\\\\server\\share\\f.dat", L"\\\\server\\share\\", L"f.dat"},
    };
    for (const auto& c : cases) {
        WString folder, name;
        ASSERT_TRUE(GetDirectoryPart(c.path, &folder)) << c.path;
        EXPECT_TRUE(folder == c.folder) << c.path << " -> " << folder.GetString();
        ASSERT_TRUE(GetFileNamePart(c.path, &name)) << c.path;
        EXPECT_TRUE(name == c.name) << c.path << " -> " << name.GetString();
        wchar_t buffer[MAX_PATH];
        ASSERT_TRUE(GetFileNamePartToBuffer(c.path, buffer)) << c.path;
        EXPECT_STREQ(c.name, buffer) << c.path;
    }
}

TEST(PathParts, PartsLongerThanMaxPathFail) {
    const std::wstring folder259 = std::wstring(258, L'd') + L"\\";
    const std::wstring folder260 = std::wstring(259, L'd') + L"\\";
    WString out;
    EXPECT_TRUE(GetDirectoryPart((folder259 + L"f").c_str(), &out));
    EXPECT_EQ(259, out.GetLength());
    EXPECT_FALSE(GetDirectoryPart((folder260 + L"f").c_str(), &out));
    EXPECT_FALSE(GetFileNamePart((std::wstring(260, L'n') + L".txt").c_str(), &out));

    // Name and extension each fit, but not together in one MAX_PATH buffer.
    wchar_t buffer[MAX_PATH];
    const std::wstring fits = std::wstring(200, L'n') + L"." + std::wstring(58, L'e');  // 259
    const std::wstring oneOver = fits + L"e";                                            // 260
    ASSERT_TRUE(GetFileNamePartToBuffer(fits.c_str(), buffer));
    EXPECT_EQ(fits, std::wstring(buffer));
    EXPECT_FALSE(GetFileNamePartToBuffer(oneOver.c_str(), buffer));
    ASSERT_TRUE(GetFileNamePart(oneOver.c_str(), &out));
    EXPECT_EQ(260, out.GetLength());
}

TEST(PathText, RemoveInvalidFileNameChars) {
    struct {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"a<b>c:d\"e/f\\g|h?i*j", L"abcdefghij"}, {L"<>:\"/\\|?*", L""}, {L"**", L""}, {L"", L""},
        {L"1.12.2-forge 版本 (1)", L"1.12.2-forge 版本 (1)"},  // everything else stays
    };
    for (const auto& c : cases) {
        WString s(c.in);
        RemoveInvalidFileNameChars(s);
        EXPECT_TRUE(s == c.out) << c.in << " -> " << s.GetString();
    }
}

TEST(PathText, GetUrlTail) {
    struct {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"a/b/c.jar", L"c.jar"}, {L"a/b/", L"a/b/"},  // nothing after the last slash: the whole text
        {L"c.jar", L"c.jar"},     {L"/", L"/"}, {L"/x", L"x"}, {L"", L""},
        {L"https://libraries.example.net/org/lwjgl/lwjgl-2.9.4.jar", L"lwjgl-2.9.4.jar"},
        {L"a\\b\\c.jar", L"a\\b\\c.jar"},  // only "/" separates a URL
    };
    for (const auto& c : cases) {
        WString tail(L"stale");
        GetUrlTail(c.in, &tail);
        EXPECT_TRUE(tail == c.out) << c.in << " -> " << tail.GetString();
    }
}

TEST(PathText, AppendPathSeparator) {
    struct {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {{L"", L""}, {L"a", L"a\\"}, {L"a\\", L"a\\"}, {L"a/", L"a/"}, {L"C:", L"C:\\"}};
    for (const auto& c : cases) {
        WString s(c.in);
        AppendPathSeparator(s);
        EXPECT_TRUE(s == c.out) << c.in << " -> " << s.GetString();
    }
}

TEST(PathText, IsSafeRelativePath) {
    static const struct {
        const wchar_t* path;
        bool safe;
    } cases[] = {
        {L"a/b.jar", true}, {L"a\\b\\c.dll", true}, {L"..Mcndyx", true}, {L"a/...b/c", true}, {L"./a", true},
        {L"a..b", true}, {L"", false}, {L"..", false}, {L"../a", false}, {L"a/../../b", false}, {L"a\\..", false},
        {L"/a", false}, {L"\\a", false}, {L"\\\\server\\share", false}, {L"C:a", false}, {L"C:\\a", false},
        {L"a/b:c", false}, {L"a/.. /b", false}, {L"a/.../b", false}, {L"a/ ../b", false},
        // Device names open the device in any folder, whatever the extension
        // or letter case; spaces before the extension are dropped too.
        {L"org/x/COM1.jar", false}, {L"CON", false}, {L"a/nul", false}, {L"Aux.tar.gz", false}, {L"prn.", false},
        {L"lpt9.dll", false}, {L"COM1 .jar", false}, {L"a/com1  ", false}, {L"a/NUL/b.jar", false},
        {L"com0.jar", false}, {L"COM\u00B9.jar", false}, {L"lpt\u00B3", false}, {L"CONIN$", false},
        {L"conout$.log", false}, {L"clock$", false},
        // Near misses stay names.
        {L"COM10.jar", true}, {L"com", true}, {L"LPT", true}, {L"console.txt", true}, {L"nul_x.dll", true},
        {L"xcon", true}, {L"COM1x.jar", true}, {L"a.con", true}, {L"COM\u2074", true}, {L"CONIN", true},
    };
    for (const auto& c : cases) EXPECT_EQ(c.safe, IsSafeRelativePath(c.path, wcslen(c.path))) << Narrow(c.path);
    // A NUL inside the counted text would cut the path short later.
    EXPECT_FALSE(IsSafeRelativePath(L"a\0/../../b", 10));
}

TEST(CreateDirectoryTree, CreatesEveryLevelAndAcceptsExistingOnes) {
    TempDir dir;
    const std::wstring trailing = dir / L"a\\b\\";
    ASSERT_TRUE(CreateDirectoryTree(trailing.c_str()));
    EXPECT_TRUE(IsDirectory(dir / L"a\\b"));
    EXPECT_TRUE(CreateDirectoryTree(trailing.c_str())) << "folders that exist are fine";

    // Without a trailing separator the last part is a folder too; "/" splits as well.
    ASSERT_TRUE(CreateDirectoryTree((dir / L"x/y/z").c_str()));
    EXPECT_TRUE(IsDirectory(dir / L"x\\y\\z"));
    EXPECT_TRUE(CreateDirectoryTree(L""));

    // A file where a folder belongs is no folder.
    WriteBytes(dir / L"file", "x");
    EXPECT_FALSE(CreateDirectoryTree((dir / L"file\\sub\\").c_str()));
    EXPECT_FALSE(CreateDirectoryTree((dir / L"file").c_str()));
    EXPECT_FALSE(CreateParentDirectory((dir / L"file\\sub\\f.txt").c_str()));

    ASSERT_TRUE(CreateParentDirectory((dir / L"versions\\1.12\\1.12.json").c_str()));
    EXPECT_TRUE(IsDirectory(dir / L"versions\\1.12"));
    EXPECT_FALSE(Exists(dir / L"versions\\1.12\\1.12.json"));
    EXPECT_TRUE(CreateParentDirectory(L"bare-name.txt"));  // nothing to create
}

TEST(CreateDirectoryTree, MaxPathLongPathsCreateNothing) {
    TempDir dir;
    const std::wstring base = dir / L"long\\";
    for (size_t length : {260u, 261u, 400u}) {
        std::wstring path = base + std::wstring(length - base.size(), L'p');
        ASSERT_EQ(length, path.size());
        EXPECT_FALSE(CreateDirectoryTree(path.c_str())) << length;
        EXPECT_FALSE(Exists(dir / L"long")) << "nothing may be created for a path of " << length;
    }
}

TEST(FileQueries, ExistsSizeAndCopy) {
    TempDir dir;
    WriteBytes(dir / L"five.bin", "12345");
    EXPECT_TRUE(FileExists((dir / L"five.bin").c_str()));
    EXPECT_FALSE(FileExists(dir.Path().c_str())) << "a folder is no file";
    EXPECT_FALSE(FileExists((dir / L"missing").c_str()));
    uint64_t size = 99;
    ASSERT_TRUE(GetFileSize64((dir / L"five.bin").c_str(), &size));
    EXPECT_EQ(5u, size);
    EXPECT_FALSE(GetFileSize64((dir / L"missing").c_str(), &size));
    EXPECT_FALSE(GetFileSize64(dir.Path().c_str(), &size));

    const std::wstring copy = dir / L"a\\b\\copy.bin";
    ASSERT_TRUE(CopyFileCreatingDirs((dir / L"five.bin").c_str(), copy.c_str()));
    WriteBytes(dir / L"five.bin", "second");
    ASSERT_TRUE(CopyFileCreatingDirs((dir / L"five.bin").c_str(), copy.c_str())) << "overwrites";
    EXPECT_EQ("second", ReadBytes(copy));
    EXPECT_FALSE(CopyFileCreatingDirs((dir / L"missing").c_str(), (dir / L"c\\d.bin").c_str()));
}

TEST(WriteFileBytes, ReplacesTheFileAndLeavesNoTemporary) {
    TempDir dir;
    const std::wstring path = dir / L"deep\\er\\settings.json";
    const std::string first = "a longer first content";
    ASSERT_TRUE(WriteFileBytes(path.c_str(), first.data(), first.size()));
    EXPECT_EQ(first, ReadBytes(path));
    ASSERT_TRUE(WriteFileBytes(path.c_str(), "short", 5));
    EXPECT_EQ("short", ReadBytes(path)) << "no tail of the longer old content";
    EXPECT_FALSE(Exists(path + L".tmp"));

    std::string big(3 * 1024 * 1024 + 7, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 + 7);
    ASSERT_TRUE(WriteFileBytes(path.c_str(), big.data(), big.size()));
    EXPECT_TRUE(big == ReadBytes(path)) << "a write larger than one chunk";
}

TEST(WriteFileBytes, AFailedWriteKeepsTheOldFile) {
    TempDir dir;
    const std::wstring path = dir / L"account.json";
    const std::string old = "{\"old\":\"\xE4\xB8\xAD\"}\r\n";
    WriteBytes(path, old);

    // The temporary file cannot be created.
    ASSERT_TRUE(CreateDirectoryW((path + L".tmp").c_str(), nullptr));
    EXPECT_FALSE(WriteFileBytes(path.c_str(), "new", 3));
    EXPECT_EQ(old, ReadBytes(path));
    RemoveDirectoryW((path + L".tmp").c_str());

    // Another program holds the file open without letting it be replaced.
    HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    EXPECT_FALSE(WriteFileBytes(path.c_str(), "new", 3));
    CloseHandle(reader);
    EXPECT_EQ(old, ReadBytes(path));
    EXPECT_FALSE(Exists(path + L".tmp")) << "the temporary file is cleaned up";

    // The target is a folder.
    const std::wstring folder = dir / L"is-a-folder";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_FALSE(WriteFileBytes(folder.c_str(), "new", 3));
    EXPECT_TRUE(IsDirectory(folder));
    EXPECT_FALSE(Exists(folder + L".tmp"));
}

TEST(DeleteFileAndEmptyParents, PrunesEmptiedFoldersUpToTheRoot) {
    TempDir dir;
    const std::wstring root = dir / L"versions\\";
    WriteBytes(root + L"a\\b\\f.jar", "f");
    WriteBytes(root + L"a\\keep.json", "k");

    ASSERT_TRUE(DeleteFileAndEmptyParents((root + L"a\\b\\f.jar").c_str(), root.c_str()));
    EXPECT_FALSE(Exists(root + L"a\\b"));
    EXPECT_TRUE(IsDirectory(root + L"a")) << "a folder that still holds a file stays";

    ASSERT_TRUE(DeleteFileAndEmptyParents((root + L"a\\keep.json").c_str(), root.c_str()));
    EXPECT_FALSE(Exists(root + L"a"));
    EXPECT_FALSE(Exists(root)) << "the emptied root goes too";
    EXPECT_TRUE(IsDirectory(dir.Path())) << "nothing above the root is touched";

    EXPECT_FALSE(DeleteFileAndEmptyParents((root + L"a\\gone.jar").c_str(), root.c_str()));
}

TEST(DeleteFileAndEmptyParents, FileDirectlyInTheRoot) {
    // Root written with and without its separator, and with forward slashes.
    for (const wchar_t* rootName : {L"root\\", L"root", L"root/"}) {
        TempDir dir;
        const std::wstring file = dir / L"root\\f.txt";
        WriteBytes(file, "x");
        ASSERT_TRUE(DeleteFileAndEmptyParents(file.c_str(), (dir / rootName).c_str())) << rootName;
        EXPECT_FALSE(Exists(dir / L"root")) << rootName;
        // The root's parent is empty now, and must still survive.
        EXPECT_TRUE(IsDirectory(dir.Path())) << rootName;
    }
}

TEST(DeleteFileAndEmptyParents, NeverPrunesOutsideTheRoot) {
    TempDir dir;
    WriteBytes(dir / L"other\\x\\f.txt", "x");
    const std::wstring root = dir / L"root\\";
    CreateDirectoryW(root.c_str(), nullptr);
    // A root the file does not lie under: the file goes, no folder does.
    ASSERT_TRUE(DeleteFileAndEmptyParents((dir / L"other\\x\\f.txt").c_str(), root.c_str()));
    EXPECT_TRUE(IsDirectory(dir / L"other\\x"));
    // A root that is only a text prefix of the folder ("ro" of "root").
    WriteBytes(dir / L"root\\f.txt", "x");
    ASSERT_TRUE(DeleteFileAndEmptyParents((dir / L"root\\f.txt").c_str(), (dir / L"ro").c_str()));
    EXPECT_TRUE(IsDirectory(root));
}

TEST(DeleteDirectoryTree, RemovesEverythingOrStopsAtAFileInUse) {
    TempDir dir;
    const std::wstring tree = dir / L"tree";
    WriteBytes(tree + L"\\a.txt", "a");
    WriteBytes(tree + L"\\noext", "b");
    WriteBytes(tree + L"\\sub\\deeper\\c.bin", "c");
    CreateDirectoryW((tree + L"\\empty").c_str(), nullptr);
    HANDLE holder = CreateFileW((tree + L"\\sub\\deeper\\c.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_FALSE(DeleteDirectoryTree(tree.c_str()));
    CloseHandle(holder);
    EXPECT_TRUE(IsDirectory(tree));
    ASSERT_TRUE(DeleteDirectoryTree(tree.c_str()));
    EXPECT_FALSE(Exists(tree));
    EXPECT_FALSE(DeleteDirectoryTree(tree.c_str())) << "a missing folder cannot be searched";
}

TEST(DeleteDirectoryTree, RemovesFolderLinksWithoutFollowingThem) {
    TempDir dir;
    WriteBytes(dir / L"outside\\precious.txt", "keep me");
    const std::wstring tree = dir / L"tree";
    CreateDirectoryW(tree.c_str(), nullptr);
    const std::wstring link = tree + L"\\link";
    if (!CreateSymbolicLinkW(link.c_str(), (dir / L"outside").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY))
        GTEST_SKIP() << "folder links cannot be made here (error " << GetLastError() << ")";
    const DWORD attributes = GetFileAttributesW(link.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "no folder link came out of CreateSymbolicLinkW here (Wine reports success but makes none)";
    // Given directly, the link goes and its target stays whole.
    ASSERT_TRUE(DeleteDirectoryTree(link.c_str()));
    EXPECT_FALSE(Exists(link));
    EXPECT_EQ("keep me", ReadBytes(dir / L"outside\\precious.txt"));
    ASSERT_TRUE(CreateSymbolicLinkW(link.c_str(), (dir / L"outside").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY));
    ASSERT_TRUE(DeleteDirectoryTree(tree.c_str()));
    EXPECT_FALSE(Exists(tree));
    EXPECT_EQ("keep me", ReadBytes(dir / L"outside\\precious.txt"));
}

}  // namespace
