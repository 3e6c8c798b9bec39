// The Forge, OptiFine and LiteLoader installs ended by TerminateProcess at
// moments spread over their run, as a crash or the task manager would end
// the launcher. The moments come from a fixed seed, so that a failing
// round's moment can be tried again.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "launcher/MinecraftFileManager.h"
#include "tests/launcher/GameTree.h"
#include "tests/launcher/InstallRound.h"
#include "tests/launcher/TreeListing.h"
#include "tests/support/TestZip.h"

namespace {

using testing_support::GameTree;
using testing_support::Narrow;
using testing_support::TempDir;

// Tree-relative path -> bytes.
using Files = std::map<std::wstring, std::string>;

struct VersionFiles {
    const wchar_t* id;
    const wchar_t* json;
    std::vector<const wchar_t*> files;  // besides the JSON
};
const VersionFiles kVersions[] = {
    {L"solo", L"versions\\solo\\solo.json",
     {L"libraries\\net\\minecraftforge\\forge\\1\\forge-1.jar", L"versions\\solo\\solo.jar"}},
    {L"solo-OptiFine_HD_U_E7", L"versions\\solo-OptiFine_HD_U_E7\\solo-OptiFine_HD_U_E7.json",
     {L"libraries\\optifine\\OptiFine\\1.7.10_HD_U_E7\\OptiFine-1.7.10_HD_U_E7.jar"}},
};
const wchar_t kLaunchwrapper[] = L"libraries\\net\\minecraft\\launchwrapper\\1.7\\launchwrapper-1.7.jar";
// Big enough that a round takes some tens of milliseconds to write.
constexpr size_t kJarSize = 8 << 20;

std::string RandomBytes(std::mt19937& random, size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// The inputs of launcher_install_child: every file of build A differs from
// the same file of build B.
void MakeInputs(const TempDir& dir, char build) {
    std::mt19937 random(static_cast<unsigned>(build));
    const std::string versionInfo = R"({"id":"solo","mainClass":"M","minecraftArguments":"--a",)"
                                    R"("libraries":[{"name":"net.minecraftforge:forge:1"}],"build":")" +
                                    std::string(1, build) + "\"}";
    const std::string profile =
        R"({"install":{"target":"solo","path":"net.minecraftforge:forge:1","filePath":"forge.jar"},"versionInfo":)" +
        versionInfo + "}";
    ASSERT_NO_FATAL_FAILURE(testing_support::BuildZip(
        dir / L"installer.jar",
        {{L"install_profile.json", profile}, {L"forge.jar", RandomBytes(random, kJarSize), true}}));
    testing_support::WriteBytes(dir / L"optifine.jar", RandomBytes(random, kJarSize / 2));
    testing_support::WriteBytes(dir / L"liteloader.jar", RandomBytes(random, 65536));
}

// OptiFine's version names launchwrapper, which no install here writes.
std::unique_ptr<GameTree> NewTree() {
    std::unique_ptr<GameTree> tree(new GameTree);
    tree->Write(kLaunchwrapper, "launchwrapper");
    return tree;
}

Files ReadTree(const GameTree& tree) {
    Files files;
    for (const std::wstring& name : testing_support::ListTree(tree.Root() + L".minecraft")) {
        if (name.back() != L'\\' && name != kLaunchwrapper) {
            EXPECT_TRUE(testing_support::ReadWholeFile(tree.Path(name), &files[name]));
        }
    }
    return files;
}

std::wstring ChildExe() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"launcher_install_child.exe";
}

// A round of installs in launcher_install_child, started ahead so that its
// start-up overlaps the checks of the round before; it writes nothing until
// Go. Ended at the latest with the object.
class ChildRound {
public:
    ChildRound(const GameTree& tree, const TempDir& inputs) {
        static int rounds = 0;
        const std::wstring name =
            L"quorvel-install-child-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++rounds);
        m_ready = CreateEventW(nullptr, TRUE, FALSE, (name + L"-ready").c_str());
        m_go = CreateEventW(nullptr, TRUE, FALSE, (name + L"-go").c_str());
        // Without their final "\", which would escape the closing quote.
        const std::wstring root = tree.Root().substr(0, tree.Root().size() - 1);
        const std::wstring folder = inputs.Path().substr(0, inputs.Path().size() - 1);
        std::wstring commandLine = L"\"" + ChildExe() + L"\" \"" + root + L"\" \"" + folder + L"\" " + name;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child)) {
            CloseHandle(child.hThread);
            m_process = child.hProcess;
        }
    }
    ~ChildRound() {
        if (m_process) {
            TerminateProcess(m_process, 9);
            WaitForSingleObject(m_process, 30000);
            CloseHandle(m_process);
        }
        CloseHandle(m_ready);
        CloseHandle(m_go);
    }
    ChildRound(const ChildRound&) = delete;
    ChildRound& operator=(const ChildRound&) = delete;

    // Lets the child write and ends it killAfterMs later.
    void Go(DWORD killAfterMs) {
        ASSERT_NE(nullptr, m_process) << "cannot start " << Narrow(ChildExe());
        const HANDLE waits[] = {m_ready, m_process};
        ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, waits, FALSE, 30000)) << "the child did not start";
        SetEvent(m_go);
        if (WaitForSingleObject(m_process, killAfterMs) == WAIT_OBJECT_0) {
            DWORD code = 1;
            GetExitCodeProcess(m_process, &code);
            EXPECT_EQ(0u, code) << "the installs failed (see the child's message above)";
        }
        TerminateProcess(m_process, 9);
        WaitForSingleObject(m_process, 30000);
    }

private:
    HANDLE m_process = nullptr;
    HANDLE m_ready = nullptr;
    HANDLE m_go = nullptr;
};

void Install(const GameTree& tree, const testing_support::InstallInputs& inputs) {
    std::wstring message;
    ASSERT_TRUE(testing_support::RunInstallRound(tree.Root(), inputs, &message)) << Narrow(message);
}

// What a launch of the version would fetch first: nothing, once its JSON
// is there. A cut install must not leave a version whose jar or library is
// missing (nor one whose cut jar passes, which the byte comparison shows).
void ExpectNothingToFetch(const GameTree& tree, const std::wstring& id) {
    if (!tree.Exists(L"versions\\" + id + L"\\" + id + L".json")) return;
    trelm::launcher::MinecraftFileManager manager(tree.Root().c_str());
    manager.SetVersion(id.c_str());
    testing_support::DownloadInfoList missing;
    int64_t total = 0;
    ASSERT_TRUE(manager.CheckClientJar(missing.infos, total) && manager.CheckLibraries(missing.infos, total))
        << Narrow(manager.GetErrorMsg().GetString());
    for (const auto* info : missing.infos) ADD_FAILURE() << Narrow(id) << " lacks " << testing_support::TargetOf(info);
}

// Even rounds install build A into an empty tree, odd ones build B over
// the whole install of A. After each kill every file the installs write is
// absent (empty tree only), the earlier install's or the new one whole; a
// version whose JSON is there has every file it names; and the next install
// finishes the job and leaves nothing beside the files.
TEST(InstallKills, EveryFileIsOldOrWholeAndTheNextInstallMendsTheRest) {
    testing_support::UseFixedEndpoints();
    TempDir folders[2];
    testing_support::InstallInputs inputs[2];
    for (int b = 0; b < 2; ++b) {
        ASSERT_NO_FATAL_FAILURE(MakeInputs(folders[b], static_cast<char>('A' + b)));
        ASSERT_TRUE(inputs[b].Load(folders[b].Path()));
    }

    // Whole rounds give the files of each build, and how long a round takes
    // into an empty tree and over an install.
    Files built[2];
    std::set<std::wstring> listing;
    DWORD spans[2] = {};
    {
        const std::unique_ptr<GameTree> tree = NewTree();
        for (DWORD& span : spans) {
            const ULONGLONG start = GetTickCount64();
            ASSERT_NO_FATAL_FAILURE(Install(*tree, inputs[0]));
            span = static_cast<DWORD>(GetTickCount64() - start);
        }
        built[0] = ReadTree(*tree);
        listing = testing_support::ListTree(tree->Root());
        ASSERT_NO_FATAL_FAILURE(Install(*tree, inputs[1]));
        built[1] = ReadTree(*tree);
    }
    // Version JSON, library and jar of Forge; JSON and library of OptiFine; the LiteLoader mod.
    ASSERT_EQ(6u, built[0].size());

    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> within(0.0, 1.0);
    constexpr int kRounds = 40;
    int cut = 0;  // rounds that ended with some files new and some not
    std::unique_ptr<GameTree> tree, nextTree(NewTree());
    std::unique_ptr<ChildRound> child(new ChildRound(*nextTree, folders[0]));
    for (int round = 0; round < kRounds; ++round) {
        const int build = round % 2;
        if (build == 0) tree = std::move(nextTree);
        // The moments of each kind of round are spread evenly over it.
        const DWORD killAfter =
            static_cast<DWORD>((round / 2 + within(random)) * (spans[build] + 2) / (kRounds / 2));
        SCOPED_TRACE("round " + std::to_string(round) + ", killed after " + std::to_string(killAfter) + " ms");
        ASSERT_NO_FATAL_FAILURE(child->Go(killAfter));
        if (build == 0) {
            child.reset(new ChildRound(*tree, folders[1]));
        } else if (round + 1 < kRounds) {
            nextTree = NewTree();
            child.reset(new ChildRound(*nextTree, folders[0]));
        }

        std::set<std::wstring> renewed;  // the files the killed round wrote whole
        for (const auto& file : built[build]) {
            std::string bytes;
            const bool there = testing_support::ReadWholeFile(tree->Path(file.first), &bytes);
            if (there && bytes == file.second) {
                renewed.insert(file.first);
            } else if (build == 0 ? there : (!there || bytes != built[0].at(file.first))) {
                ADD_FAILURE() << Narrow(file.first)
                              << (there ? " holds " + std::to_string(bytes.size()) + " bytes of neither build"
                                        : " of the earlier install is gone");
            }
        }
        if (!renewed.empty() && renewed.size() < built[build].size()) ++cut;
        // A version's JSON comes last: a new one names new files only, and a
        // launch finds every file it names.
        for (const VersionFiles& version : kVersions) {
            if (renewed.count(version.json)) {
                for (const wchar_t* file : version.files)
                    EXPECT_EQ(1u, renewed.count(file)) << Narrow(version.json) << " is new, " << Narrow(file) << " not";
            }
            ExpectNothingToFetch(*tree, version.id);
        }

        ASSERT_NO_FATAL_FAILURE(Install(*tree, inputs[build]));
        EXPECT_TRUE(ReadTree(*tree) == built[build]);
        EXPECT_EQ(listing, testing_support::ListTree(tree->Root()));
    }
    // Otherwise the moments missed the writing and the test shows nothing.
    EXPECT_GE(cut, kRounds / 6);
}

}  // namespace
