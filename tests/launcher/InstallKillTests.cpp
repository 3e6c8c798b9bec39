// The Forge and OptiFine installs ended by TerminateProcess at moments
// spread over their run, as a crash or the task manager would end the
// launcher. The moments come from a fixed seed, so that a failing round's
// moment can be tried again. The rounds run in this test program, started
// again as a child for InstallKills.DISABLED_Round.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>

#include "launcher/ForgeInstaller.h"
#include "launcher/OptiFineInstaller.h"
#include "tests/launcher/GameTree.h"
#include "tests/launcher/TreeListing.h"
#include "tests/support/TestZip.h"

namespace {

using testing_support::GameTree;
using testing_support::Narrow;
using testing_support::TempDir;

// "<game root>|<inputs folder>|<event name>" of the child's round.
const wchar_t kRoundVariable[] = L"QUORVEL_INSTALL_ROUND";
// Tree-relative path -> bytes.
using Files = std::map<std::wstring, std::string>;

// The two versions, each JSON with the files it names.
const std::pair<const wchar_t*, std::set<std::wstring>> kVersions[] = {
    {L"solo", {L"libraries\\net\\minecraftforge\\forge\\1\\forge-1.jar", L"versions\\solo\\solo.jar"}},
    {L"solo-OptiFine_HD_U_E7", {L"libraries\\optifine\\OptiFine\\1.7.10_HD_U_E7\\OptiFine-1.7.10_HD_U_E7.jar"}},
};
const wchar_t kLaunchwrapper[] = L"libraries\\net\\minecraft\\launchwrapper\\1.7\\launchwrapper-1.7.jar";

// installer.jar and optifine.jar of build A or B, which differ in every file.
void MakeInputs(const TempDir& dir, char build) {
    std::mt19937 random(static_cast<unsigned>(build));
    std::string jar(8 << 20, '\0');  // big enough that a round takes some tens of milliseconds
    for (char& c : jar) c = static_cast<char>(random());
    const std::string profile =
        R"({"install":{"target":"solo","path":"net.minecraftforge:forge:1","filePath":"forge.jar"},)"
        R"("versionInfo":{"id":"solo","mainClass":"M","minecraftArguments":"--a",)"
        R"("libraries":[{"name":"net.minecraftforge:forge:1"}],"build":")" + std::string(1, build) + "\"}}";
    testing_support::BuildZip(dir / L"installer.jar", {{L"install_profile.json", profile}, {L"forge.jar", jar, true}});
    testing_support::WriteBytes(dir / L"optifine.jar", jar.substr(0, jar.size() / 2));
}

// One round: Forge as a version that inherits nothing (its library and a
// jar of its own), then OptiFine as a version over it; "" or the failure.
std::string InstallRound(const std::wstring& root, const std::wstring& inputs) {
    wendal_::byte_buffer forgeJar, optifineJar;
    const std::string forgeBytes = testing_support::ReadBytes(inputs + L"installer.jar");
    const std::string optifineBytes = testing_support::ReadBytes(inputs + L"optifine.jar");
    forgeJar.Write(forgeBytes.data(), static_cast<uint32_t>(forgeBytes.size()));
    optifineJar.Write(optifineBytes.data(), static_cast<uint32_t>(optifineBytes.size()));
    if (const wchar_t* spec = _wgetenv(kRoundVariable)) {  // the child: ready, then wait for the go
        const std::wstring name = std::wstring(spec).substr(std::wstring(spec).rfind(L'|') + 1);
        SetEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, (name + L"-ready").c_str()));
        WaitForSingleObject(OpenEventW(SYNCHRONIZE, FALSE, (name + L"-go").c_str()), 60000);
    }
    trelm::launcher::ForgeInstaller forge(root.c_str());
    if (!forge.Install(forgeJar, L"installer.jar")) return Narrow(forge.GetErrorMsg().GetString());
    trelm::launcher::OptiFineInstaller optifine(root.c_str());
    if (!optifine.InstallAsVersion(optifineJar, L"1.7.10", L"HD_U", L"E7", L"solo"))
        return Narrow(optifine.GetErrorMsg().GetString());
    return "";
}

TEST(InstallKills, DISABLED_Round) {
    const wchar_t* spec = _wgetenv(kRoundVariable);
    if (!spec) GTEST_SKIP() << "run by InstallKills.EveryFileIsOldOrWholeAndTheNextInstallMendsTheRest";
    const std::wstring text = spec;
    const size_t bar = text.find(L'|'), last = text.rfind(L'|');
    EXPECT_EQ("", InstallRound(text.substr(0, bar), text.substr(bar + 1, last - bar - 1)));
}

// A child round, started ahead so that its start-up overlaps the checks of
// the round before; it writes nothing until Go, and is ended with the object.
class ChildRound {
public:
    ChildRound(const GameTree& tree, const TempDir& inputs) {
        static int rounds = 0;
        const std::wstring name = L"quorvel-install-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(++rounds);
        m_ready = CreateEventW(nullptr, TRUE, FALSE, (name + L"-ready").c_str());
        m_go = CreateEventW(nullptr, TRUE, FALSE, (name + L"-go").c_str());
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring command = L"\"" + std::wstring(self) +
                               L"\" --gtest_also_run_disabled_tests --gtest_brief=1 "
                               L"--gtest_filter=InstallKills.DISABLED_Round";
        SetEnvironmentVariableW(kRoundVariable, (tree.Root() + L"|" + inputs.Path() + L"|" + name).c_str());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        if (CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child)) {
            CloseHandle(child.hThread);
            m_process = child.hProcess;
        }
        SetEnvironmentVariableW(kRoundVariable, nullptr);
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

    // Lets the child write and ends it killAfterMs later.
    void Go(DWORD killAfterMs) {
        const HANDLE waits[] = {m_ready, m_process};
        ASSERT_TRUE(m_process && WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0) << "no child";
        SetEvent(m_go);
        DWORD code = 0;
        if (WaitForSingleObject(m_process, killAfterMs) == WAIT_OBJECT_0 && GetExitCodeProcess(m_process, &code)) {
            EXPECT_EQ(0u, code) << "the installs failed (see the child's message above)";
        }
        TerminateProcess(m_process, 9);
        WaitForSingleObject(m_process, 30000);
    }

private:
    HANDLE m_process = nullptr, m_ready = nullptr, m_go = nullptr;
};

// OptiFine's version names launchwrapper, which no install here writes.
std::unique_ptr<GameTree> NewTree() {
    std::unique_ptr<GameTree> tree(new GameTree);
    tree->Write(kLaunchwrapper, "launchwrapper");
    return tree;
}

Files ReadTree(const GameTree& tree) {
    Files files;
    for (const std::wstring& name : testing_support::ListTree(tree.Root() + L".minecraft"))
        if (name.back() != L'\\' && name != kLaunchwrapper) files[name] = testing_support::ReadBytes(tree.Path(name));
    return files;
}

// Even rounds install build A into an empty tree, odd ones build B over
// the whole install of A. After each kill every file the installs write is
// absent (empty tree only), the earlier install's or the new one whole; a
// new version JSON comes only after every file it names (else a launch
// would take the version as whole, or fetch the game's jar under its name);
// and the next install finishes the job and leaves nothing beside.
TEST(InstallKills, EveryFileIsOldOrWholeAndTheNextInstallMendsTheRest) {
    testing_support::UseFixedEndpoints();
    TempDir inputs[2];
    for (int b = 0; b < 2; ++b) ASSERT_NO_FATAL_FAILURE(MakeInputs(inputs[b], static_cast<char>('A' + b)));

    // Whole rounds give the files of each build, and how long a round takes
    // into an empty tree and over an install.
    Files built[2];
    std::set<std::wstring> listing;
    DWORD spans[2] = {};
    {
        const std::unique_ptr<GameTree> tree = NewTree();
        for (DWORD& span : spans) {
            const ULONGLONG start = GetTickCount64();
            ASSERT_EQ("", InstallRound(tree->Root(), inputs[0].Path()));
            span = static_cast<DWORD>(GetTickCount64() - start);
        }
        built[0] = ReadTree(*tree);
        listing = testing_support::ListTree(tree->Root());
        ASSERT_EQ("", InstallRound(tree->Root(), inputs[1].Path()));
        built[1] = ReadTree(*tree);
    }
    ASSERT_EQ(5u, built[0].size());  // the two JSONs, Forge's library and jar, OptiFine's library

    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> within(0.0, 1.0);
    constexpr int kRounds = 40;
    int cut = 0;  // rounds that ended with some files new and some not
    std::unique_ptr<GameTree> tree, nextTree(NewTree());
    std::unique_ptr<ChildRound> child(new ChildRound(*nextTree, inputs[0]));
    for (int round = 0; round < kRounds; ++round) {
        const int build = round % 2;
        if (build == 0) tree = std::move(nextTree);
        // The moments of each kind of round are spread evenly over it.
        const DWORD killAfter = static_cast<DWORD>((round / 2 + within(random)) * (spans[build] + 2) / (kRounds / 2));
        SCOPED_TRACE("round " + std::to_string(round) + ", killed after " + std::to_string(killAfter) + " ms");
        ASSERT_NO_FATAL_FAILURE(child->Go(killAfter));
        if (build == 1 && round + 1 < kRounds) nextTree = NewTree();
        child.reset(round + 1 < kRounds ? new ChildRound(build == 0 ? *tree : *nextTree, inputs[1 - build]) : nullptr);

        std::set<std::wstring> renewed;  // the files the killed round wrote whole
        for (const auto& file : built[build]) {
            const bool there = tree->Exists(file.first);
            const std::string bytes = testing_support::ReadBytes(tree->Path(file.first));
            if (there && bytes == file.second) {
                renewed.insert(file.first);
            } else if (build == 0 ? there : (!there || bytes != built[0].at(file.first))) {
                ADD_FAILURE() << Narrow(file.first)
                              << (there ? " holds " + std::to_string(bytes.size()) + " bytes of neither build"
                                        : " of the earlier install is gone");
            }
        }
        if (!renewed.empty() && renewed.size() < built[build].size()) ++cut;
        for (const auto& version : kVersions) {
            const std::wstring id = version.first, json = L"versions\\" + id + L"\\" + id + L".json";
            if (!renewed.count(json)) continue;
            for (const std::wstring& file : version.second)
                EXPECT_EQ(1u, renewed.count(file)) << Narrow(json) << " is new, " << Narrow(file) << " not";
        }
        ASSERT_EQ("", InstallRound(tree->Root(), inputs[build].Path()));
        EXPECT_TRUE(ReadTree(*tree) == built[build]);
        EXPECT_EQ(listing, testing_support::ListTree(tree->Root()));
    }
    // Otherwise the moments missed the writing and the test shows nothing.
    EXPECT_GE(cut, kRounds / 6);
}

}  // namespace
