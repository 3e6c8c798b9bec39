// A re-install of Forge and of OptiFine over a whole install of another
// build, ended by TerminateProcess at moments spread over its run, as a
// crash or the task manager would end the launcher. The moments come from a
// fixed seed, so that a failing round's moment can be tried again. The
// rounds run in this test program, started again for InstallKills.DISABLED_Round.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
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
const wchar_t kForgeJson[] = L"versions\\solo\\solo.json";
const wchar_t kOptiFineJson[] = L"versions\\solo-OptiFine_HD_U_E7\\solo-OptiFine_HD_U_E7.json";
// Each version JSON with a file it names: a new JSON comes only after them.
const std::pair<const wchar_t*, const wchar_t*> kNamedFiles[] = {
    {kForgeJson, L"versions\\solo\\solo.jar"},
    {kForgeJson, L"libraries\\net\\minecraftforge\\forge\\1\\forge-1.jar"},
    {kOptiFineJson, L"libraries\\optifine\\OptiFine\\1.7.10_HD_U_E7\\OptiFine-1.7.10_HD_U_E7.jar"},
};

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

// Forge as a version that inherits nothing (its library and a jar of its
// own), then OptiFine as a version over it; "" or the failure. A child
// reads its inputs, says it is ready and waits for the go.
std::string InstallRound(const std::wstring& root, const std::wstring& inputs, const std::wstring& events = L"") {
    wendal_::byte_buffer forgeJar, optifineJar;
    const std::string forgeBytes = testing_support::ReadBytes(inputs + L"installer.jar");
    const std::string optifineBytes = testing_support::ReadBytes(inputs + L"optifine.jar");
    forgeJar.Write(forgeBytes.data(), static_cast<uint32_t>(forgeBytes.size()));
    optifineJar.Write(optifineBytes.data(), static_cast<uint32_t>(optifineBytes.size()));
    if (!events.empty()) {
        SetEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, (events + L"-ready").c_str()));
        WaitForSingleObject(OpenEventW(SYNCHRONIZE, FALSE, (events + L"-go").c_str()), 60000);
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
    if (!spec) GTEST_SKIP() << "started by InstallKills.EveryFileIsOldOrWholeAndTheNextInstallMendsTheRest";
    const std::wstring text = spec;
    const size_t bar = text.find(L'|'), last = text.rfind(L'|');
    EXPECT_EQ("", InstallRound(text.substr(0, bar), text.substr(bar + 1, last - bar - 1), text.substr(last + 1)));
}

// A round in a child, ended killAfterMs after it starts writing.
void KillRoundAfter(const GameTree& tree, const TempDir& inputs, DWORD killAfterMs) {
    const std::wstring events = L"quorvel-install-" + std::to_wstring(GetCurrentProcessId());
    HANDLE ready = CreateEventW(nullptr, FALSE, FALSE, (events + L"-ready").c_str());
    HANDLE go = CreateEventW(nullptr, FALSE, FALSE, (events + L"-go").c_str());
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) +
                           L"\" --gtest_also_run_disabled_tests --gtest_brief=1 --gtest_filter=InstallKills.DISABLED_Round";
    SetEnvironmentVariableW(kRoundVariable, (tree.Root() + L"|" + inputs.Path() + L"|" + events).c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const bool started =
        CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
    SetEnvironmentVariableW(kRoundVariable, nullptr);
    const HANDLE waits[] = {ready, child.hProcess};
    if (started && WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0) {
        SetEvent(go);
        DWORD code = 0;
        if (WaitForSingleObject(child.hProcess, killAfterMs) == WAIT_OBJECT_0 && GetExitCodeProcess(child.hProcess, &code)) {
            EXPECT_EQ(0u, code) << "the installs failed (see the child's message above)";
        }
    } else {
        ADD_FAILURE() << "the child did not start";
    }
    if (started) {
        TerminateProcess(child.hProcess, 9);
        WaitForSingleObject(child.hProcess, 30000);
        CloseHandle(child.hProcess);
        CloseHandle(child.hThread);
    }
    CloseHandle(ready);
    CloseHandle(go);
}

// Tree-relative path -> bytes of every file but the launchwrapper that
// OptiFine's version names and no install here writes.
using Files = std::map<std::wstring, std::string>;
const wchar_t kLaunchwrapper[] = L"libraries\\net\\minecraft\\launchwrapper\\1.7\\launchwrapper-1.7.jar";
Files ReadTree(const GameTree& tree) {
    Files files;
    for (const std::wstring& name : testing_support::ListTree(tree.Root() + L".minecraft"))
        if (name.back() != L'\\' && name != kLaunchwrapper) files[name] = testing_support::ReadBytes(tree.Path(name));
    return files;
}

// Each round installs build A whole, then B over it in a child killed at
// its moment. Every file is then A's or B's whole (a cut jar is taken as
// whole by a launch, and the next one would start the game with it); a
// version's JSON is B's only once the files it names are (else a launch
// takes A's files for B, or fetches the game's jar under Forge's id); and
// the next install finishes the job and leaves nothing beside.
TEST(InstallKills, EveryFileIsOldOrWholeAndTheNextInstallMendsTheRest) {
    testing_support::UseFixedEndpoints();
    TempDir inputs[2];
    for (int b = 0; b < 2; ++b) ASSERT_NO_FATAL_FAILURE(MakeInputs(inputs[b], static_cast<char>('A' + b)));
    Files built[2];
    std::set<std::wstring> listing;
    DWORD span = 0;  // of a re-install
    {
        GameTree tree;
        tree.Write(kLaunchwrapper, "launchwrapper");
        ASSERT_EQ("", InstallRound(tree.Root(), inputs[0].Path()));
        built[0] = ReadTree(tree);
        const ULONGLONG start = GetTickCount64();
        ASSERT_EQ("", InstallRound(tree.Root(), inputs[1].Path()));
        span = static_cast<DWORD>(GetTickCount64() - start);
        built[1] = ReadTree(tree);
        listing = testing_support::ListTree(tree.Root());
    }
    ASSERT_EQ(5u, built[0].size());  // the two JSONs, Forge's library and jar, OptiFine's library

    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> within(0.0, 1.0);
    constexpr int kRounds = 30;
    int cut = 0;  // rounds that ended with some files new and some not
    for (int round = 0; round < kRounds; ++round) {
        GameTree tree;
        tree.Write(kLaunchwrapper, "launchwrapper");
        ASSERT_EQ("", InstallRound(tree.Root(), inputs[0].Path()));
        // The moments are spread evenly over the re-install.
        const DWORD killAfter = static_cast<DWORD>((round + within(random)) * (span + 2) / kRounds);
        SCOPED_TRACE("round " + std::to_string(round) + ", killed after " + std::to_string(killAfter) + " ms");
        KillRoundAfter(tree, inputs[1], killAfter);

        const Files now = ReadTree(tree);
        int renewed = 0;
        for (const auto& file : built[1]) {
            const auto there = now.find(file.first);
            if (there == now.end()) {
                ADD_FAILURE() << Narrow(file.first) << " of the earlier install is gone";
            } else if (there->second != file.second && there->second != built[0].at(file.first)) {
                ADD_FAILURE() << Narrow(file.first) << " holds " << there->second.size() << " bytes of neither build";
            }
            renewed += there != now.end() && there->second == file.second ? 1 : 0;
        }
        if (renewed > 0 && renewed < static_cast<int>(built[1].size())) ++cut;
        for (const auto& named : kNamedFiles) {
            if (now.count(named.first) && now.at(named.first) == built[1].at(named.first)) {
                EXPECT_TRUE(built[1].at(named.second) == now.at(named.second))  // never print the megabytes
                    << Narrow(named.first) << " is new, " << Narrow(named.second) << " not";
            }
        }
        ASSERT_EQ("", InstallRound(tree.Root(), inputs[1].Path()));
        EXPECT_TRUE(ReadTree(tree) == built[1]);
        EXPECT_EQ(listing, testing_support::ListTree(tree.Root()));
    }
    // Otherwise the moments missed the writing and the test shows nothing.
    EXPECT_GE(cut, kRounds / 6);
}

}  // namespace
