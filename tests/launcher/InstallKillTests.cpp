// A re-install of Forge and of OptiFine over a whole install of another
// build, ended as a crash or the task manager would end the launcher: at
// each of the install's writes in turn. The round runs in this test program,
// started again for InstallKills.DISABLED_Round, whose file calls stop at
// their Nth (a write or a copy half done, a move or a deletion not yet made)
// and say so; the parent then ends it with TerminateProcess. So every moment
// between two writes is met once, on any machine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
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

// "<game root>|<inputs folder>|<the call to stop at>|<event name>" of the child's round.
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
    std::string jar(256 << 10, '\0');
    for (char& c : jar) c = static_cast<char>(random());
    const std::string profile =
        R"({"install":{"target":"solo","path":"net.minecraftforge:forge:1","filePath":"forge.jar"},)"
        R"("versionInfo":{"id":"solo","mainClass":"M","minecraftArguments":"--a",)"
        R"("libraries":[{"name":"net.minecraftforge:forge:1"}],"build":")" + std::string(1, build) + "\"}}";
    testing_support::BuildZip(dir / L"installer.jar", {{L"install_profile.json", profile}, {L"forge.jar", jar, true}});
    testing_support::WriteBytes(dir / L"optifine.jar", jar.substr(0, jar.size() / 2));
}

// The child's file calls: the Nth of them is cut and the child stops there.
// Only this program's own imports are replaced, which is where the
// installers' calls go through.
namespace cut {

typedef BOOL(WINAPI* WriteFileCall)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
typedef BOOL(WINAPI* CopyFileCall)(LPCWSTR, LPCWSTR, BOOL);
typedef BOOL(WINAPI* MoveFileExCall)(LPCWSTR, LPCWSTR, DWORD);
typedef BOOL(WINAPI* DeleteFileCall)(LPCWSTR);
WriteFileCall g_writeFile;
CopyFileCall g_copyFile;
MoveFileExCall g_moveFileEx;
DeleteFileCall g_deleteFile;
int g_left = 0;  // calls until the cut; 0: none
HANDLE g_stopped = NULL;

void* Replace(const char* name, void* replacement) {
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const IMAGE_NT_HEADERS* headers =
        reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); module->Name;
         ++module) {
        if (_stricmp(reinterpret_cast<char*>(base + module->Name), "kernel32.dll") != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* named = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char*>(named->Name), name) != 0) continue;
            DWORD access = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &access);
            void* original = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, access, &access);
            return original;
        }
    }
    return nullptr;
}

bool AtTheCut() { return g_left > 0 && --g_left == 0; }

[[noreturn]] void Stop() {
    SetEvent(g_stopped);
    for (;;) Sleep(INFINITE);
}

BOOL WINAPI CutWriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    if (!AtTheCut()) return g_writeFile(file, data, size, written, overlapped);
    DWORD half = 0;
    g_writeFile(file, data, size / 2, &half, nullptr);
    Stop();
}

BOOL WINAPI CutCopyFile(LPCWSTR source, LPCWSTR target, BOOL failIfExists) {
    if (!AtTheCut()) return g_copyFile(source, target, failIfExists);
    const std::string bytes = testing_support::ReadBytes(source);
    HANDLE file = CreateFileW(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD half = 0;
    g_writeFile(file, bytes.data(), static_cast<DWORD>(bytes.size() / 2), &half, nullptr);
    CloseHandle(file);
    Stop();
}

BOOL WINAPI CutMoveFileEx(LPCWSTR from, LPCWSTR to, DWORD flags) {
    if (AtTheCut()) Stop();
    return g_moveFileEx(from, to, flags);
}

BOOL WINAPI CutDeleteFile(LPCWSTR path) {
    if (AtTheCut()) Stop();
    return g_deleteFile(path);
}

void Arm(int call, const std::wstring& stoppedEvent) {
    g_stopped = OpenEventW(EVENT_MODIFY_STATE, FALSE, stoppedEvent.c_str());
    g_writeFile = reinterpret_cast<WriteFileCall>(Replace("WriteFile", reinterpret_cast<void*>(&CutWriteFile)));
    g_copyFile = reinterpret_cast<CopyFileCall>(Replace("CopyFileW", reinterpret_cast<void*>(&CutCopyFile)));
    g_moveFileEx = reinterpret_cast<MoveFileExCall>(Replace("MoveFileExW", reinterpret_cast<void*>(&CutMoveFileEx)));
    g_deleteFile = reinterpret_cast<DeleteFileCall>(Replace("DeleteFileW", reinterpret_cast<void*>(&CutDeleteFile)));
    g_left = call;
}

}  // namespace cut

// Forge as a version that inherits nothing (its library and a jar of its
// own), then OptiFine as a version over it; "" or the failure. A child
// reads its inputs, then stops at its call to cut.
std::string InstallRound(const std::wstring& root, const std::wstring& inputs, int cutAt = 0,
                         const std::wstring& stoppedEvent = L"") {
    wendal_::byte_buffer forgeJar, optifineJar;
    const std::string forgeBytes = testing_support::ReadBytes(inputs + L"installer.jar");
    const std::string optifineBytes = testing_support::ReadBytes(inputs + L"optifine.jar");
    forgeJar.Write(forgeBytes.data(), static_cast<uint32_t>(forgeBytes.size()));
    optifineJar.Write(optifineBytes.data(), static_cast<uint32_t>(optifineBytes.size()));
    if (cutAt > 0) cut::Arm(cutAt, stoppedEvent);
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
    std::wstring fields[4];
    std::wstring text = spec;
    for (int i = 0; i < 3; ++i) {
        const size_t bar = text.find(L'|');
        fields[i] = text.substr(0, bar);
        text.erase(0, bar + 1);
    }
    fields[3] = text;
    EXPECT_EQ("", InstallRound(fields[0], fields[1], std::stoi(fields[2]), fields[3]));
}

// A round in a child that stops at its call number `call`, then is ended;
// false when the child finished its installs before that call.
bool KillRoundAt(const GameTree& tree, const TempDir& inputs, int call) {
    const std::wstring event = L"quorvel-install-" + std::to_wstring(GetCurrentProcessId());
    HANDLE stopped = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) +
                           L"\" --gtest_also_run_disabled_tests --gtest_brief=1 --gtest_filter=InstallKills.DISABLED_Round";
    SetEnvironmentVariableW(kRoundVariable, (tree.Root() + L"|" + inputs.Path() + L"|" + std::to_wstring(call) + L"|" +
                                             event).c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const bool started =
        CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
    SetEnvironmentVariableW(kRoundVariable, nullptr);
    bool cut = false;
    if (started) {
        const HANDLE waits[] = {stopped, child.hProcess};
        const DWORD waited = WaitForMultipleObjects(2, waits, FALSE, 60000);
        cut = waited == WAIT_OBJECT_0;
        DWORD code = 0;
        if (waited == WAIT_OBJECT_0 + 1 && GetExitCodeProcess(child.hProcess, &code)) {
            EXPECT_EQ(0u, code) << "the installs failed (see the child's message above)";
        } else if (!cut) {
            ADD_FAILURE() << "the child neither stopped nor ended within a minute";
        }
        TerminateProcess(child.hProcess, 9);
        WaitForSingleObject(child.hProcess, 30000);
        CloseHandle(child.hProcess);
        CloseHandle(child.hThread);
    } else {
        ADD_FAILURE() << "the child did not start";
    }
    CloseHandle(stopped);
    return cut;
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

// Each round installs build A whole, then B over it in a child ended at its
// call. Every file is then A's or B's whole (a cut jar is taken as whole by
// a launch, and the next one would start the game with it); a version's
// JSON is B's only once the files it names are (else a launch takes A's
// files for B, or fetches the game's jar under Forge's id); and the next
// install finishes the job and leaves nothing beside.
TEST(InstallKills, EveryFileIsOldOrWholeAndTheNextInstallMendsTheRest) {
    testing_support::UseFixedEndpoints();
    TempDir inputs[2];
    for (int b = 0; b < 2; ++b) ASSERT_NO_FATAL_FAILURE(MakeInputs(inputs[b], static_cast<char>('A' + b)));
    Files built[2];
    std::set<std::wstring> listing;
    {
        GameTree tree;
        tree.Write(kLaunchwrapper, "launchwrapper");
        ASSERT_EQ("", InstallRound(tree.Root(), inputs[0].Path()));
        built[0] = ReadTree(tree);
        ASSERT_EQ("", InstallRound(tree.Root(), inputs[1].Path()));
        built[1] = ReadTree(tree);
        listing = testing_support::ListTree(tree.Root());
    }
    ASSERT_EQ(5u, built[0].size());  // the two JSONs, Forge's library and jar, OptiFine's library

    int call = 1;
    for (; call < 200; ++call) {
        GameTree tree;
        tree.Write(kLaunchwrapper, "launchwrapper");
        ASSERT_EQ("", InstallRound(tree.Root(), inputs[0].Path()));
        SCOPED_TRACE("ended at call " + std::to_string(call));
        const bool cut = KillRoundAt(tree, inputs[1], call);

        const Files now = ReadTree(tree);
        for (const auto& file : built[1]) {
            const auto there = now.find(file.first);
            if (there == now.end()) {
                ADD_FAILURE() << Narrow(file.first) << " of the earlier install is gone";
            } else if (there->second != file.second && there->second != built[0].at(file.first)) {
                ADD_FAILURE() << Narrow(file.first) << " holds " << there->second.size() << " bytes of neither build";
            }
        }
        for (const auto& named : kNamedFiles) {
            if (now.count(named.first) && now.at(named.first) == built[1].at(named.first)) {
                EXPECT_TRUE(built[1].at(named.second) == now.at(named.second))  // never print the megabytes
                    << Narrow(named.first) << " is new, " << Narrow(named.second) << " not";
            }
        }
        if (!cut) {
            EXPECT_TRUE(now == built[1]) << "the whole re-install left other files";
            break;
        }
        ASSERT_EQ("", InstallRound(tree.Root(), inputs[1].Path()));
        EXPECT_TRUE(ReadTree(tree) == built[1]);
        EXPECT_EQ(listing, testing_support::ListTree(tree.Root()));
        if (HasFailure()) break;
    }
    if (HasFailure()) return;  // the first failing round says enough
    // Each file is at least written and moved into place.
    EXPECT_GE(call - 1, 2 * static_cast<int>(built[1].size())) << "too few calls were cut to show anything";
    EXPECT_LT(call, 200) << "the re-install never ended";
}

}  // namespace
