#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/Endpoints.h"
#include "download/DownloadInfoCommonFile.h"
#include "services/TRELMUpdateService.h"
#include "services/UpdateHelper.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/VerifiedTlsRoots.h"
#include "tests/support/WaitUntil.h"

using testing_support::Exists;
using testing_support::Narrow;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::TestHttpServer;
using testing_support::Widen;
using testing_support::WriteBytes;

namespace {

std::wstring Text(const WString& text) { return text.GetString(); }

std::wstring VersionText(const LauncherVersion& v) {
    return std::to_wstring(v.major) + L"." + std::to_wstring(v.minor) + L"." + std::to_wstring(v.build) + L"." +
           std::to_wstring(v.revision);
}

const char kSha1[] = "0123456789abcdefABCDEF0123456789abcdef01";

std::wstring Release(const char* version, const char* type, const char* size = "100",
                     const char* time = "1500000000", const char* description = nullptr, const char* sha1 = kSha1) {
    const std::string notes = description != nullptr ? description : std::string("notes ") + version;
    return Widen(std::string(R"({"version": ")") + version + R"(", "type": ")" + type + R"(", "time": )" + time +
                 R"(, "description": ")" + notes + R"(", "url": "http://u/)" + version + R"(.exe", "sha1": ")" +
                 sha1 + R"(", "size": )" + size + "}");
}

}  // namespace

TEST(UpdateList, PicksTheNewestReleaseAndJoinsNewerNotes) {
    const LauncherVersion running = {1, 2, 4, 0};
    struct Row {
        std::wstring list;
        int32_t state;
        std::wstring version;
        std::wstring description;
    };
    const Row rows[] = {
        {L"[" + Release("1.2.5.0", "release") + L"," + Release("1.3.0.0", "release") + L"," +
             Release("1.2.9.0", "beta") + L"]",
         UpdateInfo::kNewer, L"1.3.0.0", L"notes 1.2.5.0\r\nnotes 1.3.0.0"},
        {L"[" + Release("1.2.4.0", "release") + L"]", UpdateInfo::kUpToDate, L"1.2.4.0", L""},
        {L"[" + Release("1.2.3.0", "release") + L"," + Release("1.0.0.0", "release") + L"]",
         UpdateInfo::kRunningIsNewer, L"1.2.3.0", L""},
        {L"[]", UpdateInfo::kUpToDate, L"1.2.4.0", L""},
        // Skipped: bad size, bad version texts, wrong types, "Release" in capitals.
        {L"[" + Release("9.0.0.0", "release", "-1") + L"," +
             Release("9.0.0.1", "release", "1.0") + L"," + Release("9.0.0.2.1", "release") + L"," +
             Release("1.3.0.-1", "release") + L"," + Release("1.3.0.4294967296", "release") + L"," +
             Release("9.0.0.3", "Release") + L"," + Release("9.0.0.4", "release", "100", "\"1\"") +
             L", 5, {}]",
         UpdateInfo::kUpToDate, L"1.2.4.0", L""},
        // The same version twice: the first entry stays.
        {L"[" + Release("1.2.5.0", "release") + L"," +
             Release("1.2.5.0", "release", "100", "1", "dup") + L"]",
         UpdateInfo::kNewer, L"1.2.5.0", L"notes 1.2.5.0"},
    };
    for (const Row& row : rows) {
        UpdateInfo info;
        ASSERT_TRUE(ParseUpdateList(row.list.c_str(), running, info)) << Narrow(row.list);
        EXPECT_EQ(row.state, info.state) << Narrow(row.list);
        EXPECT_EQ(row.version, VersionText(info.version)) << Narrow(row.list);
        EXPECT_EQ(row.description, Text(info.description)) << Narrow(row.list);
    }
    UpdateInfo info;
    ParseUpdateList((L"[" + Release("1.3.0.0", "release") + L"]").c_str(), running, info);
    EXPECT_EQ(L"http://u/1.3.0.0.exe", Text(info.url));
    EXPECT_EQ(100u, info.size);
    EXPECT_EQ(1500000000, info.time);

    // A release offered without a SHA-1 of 40 hex digits could never be
    // verified: the list is as bad as one that does not parse. Older or
    // equal releases are never fetched, so their SHA-1 does not matter.
    const std::wstring unverifiable[] = {
        L"{}", L"[", L"",
        L"[" + Release("1.3.0.0", "release", "100", "1", "n", "") + L"]",
        L"[" + Release("1.3.0.0", "release", "100", "1", "n", "0123456789abcdef") + L"]",
        L"[" + Release("1.3.0.0", "release", "100", "1", "n", "0123456789abcdefABCDEF0123456789abcdef0g") + L"]",
        L"[" + Release("1.3.0.0", "release", "100", "1", "n", "0123456789abcdefABCDEF0123456789abcdef012") + L"]",
    };
    for (const std::wstring& bad : unverifiable) {
        UpdateInfo failed;
        EXPECT_FALSE(ParseUpdateList(bad.c_str(), running, failed)) << Narrow(bad);
        EXPECT_EQ(UpdateInfo::kFailed, failed.state) << Narrow(bad);
        EXPECT_EQ(L"json解析错误", Text(failed.errorMessage));
    }
    UpdateInfo same;
    EXPECT_TRUE(ParseUpdateList((L"[" + Release("1.2.4.0", "release", "100", "1", "n", "") + L"]").c_str(), running,
                                same));
    EXPECT_EQ(UpdateInfo::kUpToDate, same.state);
}

// What the download must be before it may replace the launcher: the listed
// size and an i386 Windows program, not a library or a page of text.
TEST(UpdateDownloadCheck, OnlyAnI386ProgramOfTheListedSizeIsTaken) {
    TempDir dir;
    wchar_t self[MAX_PATH];
    ASSERT_NE(0u, GetModuleFileNameW(nullptr, self, MAX_PATH));
    const std::string program = ReadBytes(self).substr(0, 4096);  // its headers are what is judged
    const uint32_t pe = *reinterpret_cast<const uint32_t*>(program.data() + 60);
    std::string dll = program, x64 = program;
    dll[pe + 22 + 1] = static_cast<char>(dll[pe + 22 + 1] | 0x20);  // IMAGE_FILE_DLL
    x64[pe + 4] = static_cast<char>(0x64);                           // IMAGE_FILE_MACHINE_AMD64
    x64[pe + 5] = static_cast<char>(0x86);
    const std::string page = "<html><body>" + std::string(328, 'x') + "</body></html>";
    const struct {
        std::string bytes;
        int64_t listed;
        const wchar_t* reason;  // null: taken
    } cases[] = {
        {program, static_cast<int64_t>(program.size()), nullptr},
        {program, static_cast<int64_t>(program.size()) + 1, L"文件的大小不正确"},
        {program, static_cast<int64_t>(program.size()) - 1, L"文件的大小不正确"},
        {program, -1, nullptr},  // no size listed: only the program check
        {page, static_cast<int64_t>(page.size()), L"此文件不是有效的可执行文件"},
        {std::string(340, 'A'), 340, L"此文件不是有效的可执行文件"},
        {dll, static_cast<int64_t>(dll.size()), L"此文件不是有效的可执行文件"},
        {x64, static_cast<int64_t>(x64.size()), L"此文件不是有效的可执行文件"},
    };
    const std::wstring path = dir / L"new.exe";
    for (const auto& c : cases) {
        WriteBytes(path, c.bytes);
        trelm::download::DownloadInfoCommonFile info;
        info.size = c.listed;
        WString reason;
        EXPECT_EQ(c.reason == nullptr, trelm::TRELMUpdateService::AcceptUpdateFile(path.c_str(), info, &reason))
            << c.bytes.size();
        if (c.reason) {
            EXPECT_EQ(std::wstring(c.reason), Text(reason));
        }
    }
}

namespace {

class RecordingService : public trelm::TRELMUpdateService {
public:
    RecordingService() : done(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~RecordingService() override { CloseHandle(done); }
    HANDLE done;

protected:
    void Notify() override { SetEvent(done); }
};

// Runs one check against the server's list route.
UpdateInfo CheckAgainst(TestHttpServer& server, const TempDir& dir, const std::string& route) {
    const std::wstring endpoints = dir / L"endpoints.json";
    WriteBytes(endpoints, "{\"update\": \"" + server.BaseUrl() + "\"}");
    WString message;
    EXPECT_TRUE(trelm::LoadEndpointOverridesFromFile(endpoints.c_str(), &message)) << Narrow(message.GetString());
    EXPECT_TRUE(server.SetRoutes("{\"/TRELM/docs/trelm_versions.json\": " + route + "}")) << server.LastError();
    RecordingService service;
    EXPECT_TRUE(service.StartCheck());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(service.done, 20000));
    UpdateInfo info;
    EXPECT_TRUE(service.GetInfo(info));
    return info;
}

}  // namespace

TEST(UpdateCheck, FetchesTheListAndReportsFailures) {
    TempDir dir;
    TestHttpServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    const std::string list = Narrow(L"[" + Release("1.3.0.0", "release") + L"]");

    UpdateInfo info = CheckAgainst(server, dir, "{\"body\": " + testing_support::JsonQuote(list) + "}");
    EXPECT_EQ(UpdateInfo::kNewer, info.state) << Narrow(info.errorMessage.GetString());
    EXPECT_EQ(L"notes 1.3.0.0", Text(info.description));

    info = CheckAgainst(server, dir, R"({"body": "{\"version\": \"9.0.0.0\"}"})");
    EXPECT_EQ(UpdateInfo::kFailed, info.state);
    EXPECT_EQ(L"json解析错误", Text(info.errorMessage));

    info = CheckAgainst(server, dir, R"({"status": 404})");
    EXPECT_EQ(UpdateInfo::kFailed, info.state);
    EXPECT_NE(std::wstring::npos, Text(info.errorMessage).find(L"404")) << Narrow(info.errorMessage.GetString());

    // Oversized lists are refused whether announced or not.
    info = CheckAgainst(server, dir, R"({"generate": 10485760})");
    EXPECT_EQ(L"更新被终止", Text(info.errorMessage));
    info = CheckAgainst(server, dir, R"({"generate": 10485760, "content_length": null})");
    EXPECT_EQ(L"更新被终止", Text(info.errorMessage));
    info = CheckAgainst(server, dir, R"({"generate": 10485759})");
    EXPECT_EQ(L"json解析错误", Text(info.errorMessage));
}

// The list names the executable that replaces the launcher: a server whose
// certificate no trusted CA signed is refused.
TEST(UpdateCheck, ServerSignedByAnotherAuthorityIsRefused) {
    TempDir dir;
    TestHttpServer server;
    ASSERT_TRUE(server.Start(TestHttpServer::Scheme::Https)) << server.LastError();
    {
        testing_support::VerifiedTlsRoots roots(server.OtherCaFile());
        const UpdateInfo info = CheckAgainst(server, dir, R"({"body": "[]"})");
        EXPECT_EQ(UpdateInfo::kFailed, info.state);
        EXPECT_EQ(0, server.Hits("/TRELM/docs/trelm_versions.json"));
    }
    testing_support::VerifiedTlsRoots roots(server.CaFile());
    const UpdateInfo info = CheckAgainst(server, dir, R"({"body": "[]"})");
    EXPECT_EQ(UpdateInfo::kUpToDate, info.state) << Narrow(info.errorMessage.GetString());
}

TEST(UpdateCheck, DestroyingTheServiceStopsASlowCheck) {
    TempDir dir;
    TestHttpServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    WriteBytes(dir / L"endpoints.json", "{\"update\": \"" + server.BaseUrl() + "\"}");
    WString message;
    ASSERT_TRUE(trelm::LoadEndpointOverridesFromFile((dir / L"endpoints.json").c_str(), &message));
    ASSERT_TRUE(server.SetRoutes(R"({"/TRELM/docs/trelm_versions.json": {"generate": 100000, "stall_after": 10}})"));
    const ULONGLONG start = GetTickCount64();
    {
        trelm::TRELMUpdateService service;
        ASSERT_TRUE(service.StartCheck());
        testing_support::WaitUntil([&] { return server.Hits("/TRELM/docs/trelm_versions.json") >= 1; });
    }
    // A check the destructor does not stop ends only at the transfer's own
    // 10 s time-out, counted from after StartCheck: ending sooner is the abort.
    EXPECT_LT(GetTickCount64() - start, 9000u);
}

TEST(UpdateHelperArguments, WrongCommandLinesAreRefused) {
    WString error;
    std::vector<std::wstring> args = {L"-update_rename_file", L"C:\\a.exe", L"C:\\b.exe", L"0000000"};
    std::vector<wchar_t*> argv;
    for (auto& arg : args) argv.push_back(&arg[0]);
    EXPECT_FALSE(RunUpdateHelper(4, argv.data(), error));
    EXPECT_EQ(L"命令参数错误(argv[3])", Text(error));
    EXPECT_FALSE(RunUpdateHelper(3, argv.data(), error));
    EXPECT_EQ(L"-update_rename_file，命令参数错误", Text(error));

    // The restarted side deletes only a helper copy, whatever path it is given.
    TempDir dir;
    const std::wstring precious = dir / L"launcher.exe";
    WriteBytes(precious, "MZ");
    std::vector<std::wstring> done = {L"-update_done", precious, L"zz", L"TRUE", L"null_msg"};
    std::vector<wchar_t*> doneArgv;
    for (auto& arg : done) doneArgv.push_back(&arg[0]);
    EXPECT_TRUE(HandleUpdateDone(5, doneArgv.data(), error));
    done[2] = L"00000000";
    done[3] = L"false";
    done[4] = L"why";
    doneArgv.clear();
    for (auto& arg : done) doneArgv.push_back(&arg[0]);
    EXPECT_FALSE(HandleUpdateDone(5, doneArgv.data(), error));
    EXPECT_EQ(L"why", Text(error));
    EXPECT_TRUE(Exists(precious));
    EXPECT_FALSE(HandleUpdateDone(4, doneArgv.data(), error));
    EXPECT_EQ(L"-update_done，命令参数错误", Text(error));
}

namespace {

// A temporary launcher folder with the stub as "launcher.exe"; every run of
// the stub appends its line to record.txt.
class SelfUpdate : public testing::Test {
protected:
    SelfUpdate() {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        const std::wstring path = self;
        stub = ReadBytes(path.substr(0, path.find_last_of(L'\\') + 1) + L"services_update_stub.exe");
        launcher = dir / L"launcher.exe";
        WriteBytes(launcher, stub);
        record = dir / L"record.txt";
        SetEnvironmentVariableW(L"QUORVEL_UPDATE_RECORD", record.c_str());
    }
    ~SelfUpdate() override {
        for (HANDLE process : processes) {
            if (WaitForSingleObject(process, 15000) != WAIT_OBJECT_0) TerminateProcess(process, 9);
            CloseHandle(process);
        }
        SetEnvironmentVariableW(L"QUORVEL_UPDATE_RECORD", nullptr);
        Sleep(200);  // let the last child release its files before the folder goes
    }

    HANDLE Start(const std::wstring& exe, const std::wstring& arguments) {
        std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return nullptr;
        CloseHandle(info.hThread);
        processes.push_back(info.hProcess);
        return info.hProcess;
    }

    // The first recorded line that starts with prefix, waiting for it.
    std::string WaitForLine(const std::string& prefix, DWORD timeoutMs) {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        do {
            const std::string text = Exists(record) ? ReadBytes(record) : std::string();
            size_t at = text.rfind("\n" + prefix) != std::string::npos ? text.rfind("\n" + prefix) + 1
                        : text.compare(0, prefix.size(), prefix) == 0 ? 0
                                                                     : std::string::npos;
            if (at != std::string::npos) {
                const size_t stop = text.find('\n', at);
                if (stop != std::string::npos) return text.substr(at, stop - at);
            }
            Sleep(100);
        } while (GetTickCount64() < end);
        return "(no line " + prefix + ")\n" + (Exists(record) ? ReadBytes(record) : std::string());
    }

    static std::vector<std::string> Fields(const std::string& line) {
        std::vector<std::string> fields;
        size_t start = 0;
        for (size_t bar; (bar = line.find('|', start)) != std::string::npos; start = bar + 1)
            fields.push_back(line.substr(start, bar - start));
        fields.push_back(line.substr(start));
        return fields;
    }

    TempDir dir;
    std::string stub;
    std::wstring launcher;
    std::wstring record;
    std::vector<HANDLE> processes;
};

}  // namespace

TEST_F(SelfUpdate, HelperReplacesTheLauncherAndRestartsIt) {
    const std::string newBuild = stub + "NEW-BUILD";
    const std::wstring latest = dir / L"launcher_latest.exe";
    WriteBytes(latest, newBuild);

    HANDLE dest = Start(launcher, L"dest");
    ASSERT_NE(nullptr, dest);
    WaitForSingleObject(dest, 30000);
    const std::vector<std::string> destFields = Fields(WaitForLine("dest|", 30000));
    ASSERT_EQ(3u, destFields.size());
    EXPECT_EQ(_wcsicmp(latest.c_str(), Widen(destFields[2]).c_str()), 0) << destFields[2];

    ASSERT_NE(nullptr, Start(launcher, L"apply \"" + latest + L"\""));
    const std::string line = WaitForLine("done|", 30000);
    const std::vector<std::string> fields = Fields(line);
    ASSERT_EQ(7u, fields.size()) << line;
    EXPECT_EQ(0, _wcsicmp((dir / L"TRELMUpdateHelper.exe").c_str(), Widen(fields[1]).c_str())) << line;
    EXPECT_EQ(8u, fields[2].size()) << line;
    EXPECT_EQ("true", fields[3]);
    EXPECT_EQ("null_msg", fields[4]);
    EXPECT_EQ("1", fields[5]);
    EXPECT_EQ(newBuild, ReadBytes(launcher));
    EXPECT_FALSE(Exists(latest));
    EXPECT_FALSE(Exists(dir / L"TRELMUpdateHelper.exe"));
    EXPECT_EQ("helper|1|", WaitForLine("helper|", 30000));
}

TEST_F(SelfUpdate, TimeOutLeavesBothFilesAsTheyWere) {
    const std::wstring latest = dir / L"launcher_latest.exe";
    WriteBytes(latest, stub + "NEW-BUILD");
    ASSERT_NE(nullptr, Start(launcher, L"apply-hold \"" + latest + L"\""));
    const std::vector<std::string> fields = Fields(WaitForLine("done|", 30000));
    ASSERT_EQ(7u, fields.size());
    EXPECT_EQ("false", fields[3]);
    EXPECT_EQ(Narrow(L"UpdateHelper等待原TRELM进程退出超过5000毫秒"), fields[4]);
    EXPECT_EQ("0", fields[5]);
    EXPECT_EQ(fields[4], fields[6]);
    EXPECT_EQ(stub, ReadBytes(launcher));
    EXPECT_TRUE(Exists(latest));
}

// A move that cannot happen must leave a launcher that still starts: the
// restarted launcher writing its line proves it.
TEST_F(SelfUpdate, FailedMoveKeepsARunnableLauncher) {
    const std::wstring missing = dir / L"launcher_latest.exe";
    ASSERT_NE(nullptr, Start(launcher, L"apply \"" + missing + L"\""));
    const std::vector<std::string> fields = Fields(WaitForLine("done|", 30000));
    ASSERT_EQ(7u, fields.size());
    EXPECT_EQ("false", fields[3]);
    EXPECT_EQ(0u, fields[4].find(Narrow(L"UpdateHelper无法重命名文件 " + missing + L" 到 " + launcher + L"，")))
        << fields[4];
    EXPECT_EQ(stub, ReadBytes(launcher));
    EXPECT_FALSE(Exists(dir / L"TRELMUpdateHelper.exe"));
}

// A hand-over command line no launcher made: with a handle that names no
// other process to wait for (none, or the helper itself) nothing is
// replaced and nothing is started.
TEST_F(SelfUpdate, HelperWithNoLauncherToWaitForDoesNothing) {
    const std::wstring latest = dir / L"launcher_latest.exe";
    WriteBytes(latest, stub + "NEW-BUILD");
    for (const wchar_t* handle : {L"00000000", L"ffffffff"}) {
        HANDLE helper = Start(launcher, L"-update_rename_file \"" + launcher + L"\" \"" + latest + L"\" " + handle);
        ASSERT_NE(nullptr, helper);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(helper, 15000));
        const std::string line = WaitForLine("helper|", 1000);
        EXPECT_EQ(0u, line.find(Narrow(L"helper|0|UpdateHelper等待原TRELM进程退出WAIT_FAILED:"))) << line;
    }
    EXPECT_EQ(stub, ReadBytes(launcher));
    EXPECT_TRUE(Exists(latest));
    EXPECT_EQ(std::string::npos, ReadBytes(record).find("done|")) << "the launcher was started";
}

// The restarted launcher deletes the helper copy beside itself, however the
// command line spells its path, and never a file of that name elsewhere.
TEST_F(SelfUpdate, DoneDeletesOnlyTheHelperBesideTheLauncher) {
    const std::wstring beside = dir / L"TRELMUpdateHelper.exe", elsewhere = dir / L"other\\TRELMUpdateHelper.exe";
    std::wstring respelt = dir / L"other\\..\\trelmupdatehelper.EXE";
    for (wchar_t& c : respelt) c = c == L'\\' ? L'/' : c;
    const struct {
        std::wstring given;
        bool deleted;
    } rows[] = {{elsewhere, false}, {respelt, true}};
    for (const auto& row : rows) {
        WriteBytes(beside, "helper");
        WriteBytes(elsewhere, "someone else's");
        HANDLE done = Start(launcher, L"-update_done \"" + row.given + L"\" 00000000 true null_msg");
        ASSERT_NE(nullptr, done);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done, 15000));
        EXPECT_EQ(row.deleted, !Exists(beside)) << Narrow(row.given);
        EXPECT_TRUE(Exists(elsewhere)) << Narrow(row.given);
    }
}

TEST_F(SelfUpdate, TerminatesCopiesOfTheSamePathOnly) {
    const std::wstring other = dir / L"other\\launcher.exe";
    WriteBytes(other, stub);
    HANDLE sameCopy = Start(launcher, L"sleep 120000");
    HANDLE otherFolder = Start(other, L"sleep 120000");
    ASSERT_TRUE(sameCopy && otherFolder);
    // Both copies run before any is looked for.
    for (HANDLE copy : {sameCopy, otherFolder}) {
        const std::string started = "sleep|" + std::to_string(GetProcessId(copy)) + "|";
        ASSERT_EQ(started, WaitForLine(started, 30000));
    }
    HANDLE killer = Start(launcher, L"terminate");
    ASSERT_NE(nullptr, killer);
    EXPECT_EQ("terminate|1|", WaitForLine("terminate|", 30000));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(sameCopy, 30000));
    DWORD code = 0;
    GetExitCodeProcess(sameCopy, &code);
    EXPECT_EQ(2u, code);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(otherFolder, 0));
    TerminateProcess(otherFolder, 0);
}
