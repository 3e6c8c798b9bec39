// The game-output relay: the log-level matcher, the shared block, and a
// fake game started through LaunchWithRedirect whose pipes the reader in
// this process takes over from the (fake) output-window process.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "launcher/MinecraftLauncher2.h"
#include "launcher/MinecraftOutputRedirect.h"
#include "launcher/RedirectSharedBlock.h"
#include "tests/launcher/GameTree.h"
#include "tests/support/FakeJava.h"
#include "tests/support/WaitUntil.h"

namespace {

using namespace trelm::launcher;
using namespace trelm::launcher::redirect;
using testing_support::FakeJavaHome;
using testing_support::Narrow;

TEST(LogLevel, MatcherAgreesWithTheRegex) {
    const std::pair<const wchar_t*, int> table[] = {
        {L"[12:34:56] [Client thread/INFO]: Setting user", 1},
        {L"[12:34:56] [Client thread/WARN]: x", 2},
        {L"[12:34:56] [Server thread/ERROR]: x", 3},
        {L"[12:34:56] [main/FATAL]", 4},
        {L"[12:34:56] [main/info]", 0},
        {L"junk [00:00:00] [a/b/INFO] x", 0},  // the first '/' decides
        {L"[00:00:00] [a\r/INFO] [00:00:01] [b/WARN]", 2},
        {L"\tat net.minecraft.Main", 0},
    };
    for (const auto& row : table) EXPECT_EQ(row.second, ClassifyLogLevel(row.first, wcslen(row.first))) << Narrow(row.first);

    // Random short texts over the characters that matter, against the
    // pattern the level is defined by; U+2028 ends "." as a line break does.
    const std::wregex pattern(L"\\[\\d{2}:\\d{2}:\\d{2}\\] \\[.*?/");
    auto regexLevel = [&pattern](const std::wstring& text) {
        std::wsmatch match;
        if (!std::regex_search(text, match, pattern)) return 0;
        const std::wstring rest = text.substr(match.position(0) + match.length(0));
        for (const auto& word : {std::make_pair(L"INFO", 1), std::make_pair(L"WARN", 2), std::make_pair(L"ERROR", 3),
                                 std::make_pair(L"FATAL", 4)}) {
            if (rest.compare(0, wcslen(word.first), word.first) == 0) return word.second;
        }
        return 0;
    };
    const wchar_t alphabet[] = L"[]01:/ \r\nIWFNOAREL\u2028";
    std::mt19937 random(7);
    for (int n = 0; n < 20000; ++n) {
        std::wstring text = (n % 2) ? L"[00:00:00] [" : L"";
        const int length = static_cast<int>(random() % 24);
        for (int i = 0; i < length; ++i) text += alphabet[random() % (sizeof alphabet / sizeof alphabet[0] - 1)];
        if (n % 3 == 0) text.insert(random() % (text.size() + 1), L"/WARN");
        ASSERT_EQ(regexLevel(text), ClassifyLogLevel(text.c_str(), static_cast<int>(text.size()))) << Narrow(text);
    }
    // "\d" is the runtime's digit class, wider than ASCII.
    for (const wchar_t* text : {L"[\uFF10\uFF11:00:00] [a/WARN]", L"[00:0\u0663:00] [a/ERROR]", L"[00:00:0x] [a/INFO]",
                                L"[00:00:00] [a\u2029/INFO]"})
        EXPECT_EQ(regexLevel(text), ClassifyLogLevel(text, static_cast<int>(wcslen(text)))) << Narrow(text);
    // Long lines: no recursion, no quadratic scan.
    std::wstring huge(0x80000, L'[');
    huge += L"[00:00:00] [x/ERROR]";
    EXPECT_EQ(3, ClassifyLogLevel(huge.c_str(), static_cast<int>(huge.size())));
    std::wstring stamps;
    while (stamps.size() < 0x80000) stamps += L"[00:00:00] [[00:00:00] [";
    EXPECT_EQ(0, ClassifyLogLevel(stamps.c_str(), static_cast<int>(stamps.size())));
}

TEST(RedirectBlock, LayoutAndHandleArgument) {
    RedirectSharedBlock block;
    block.process = reinterpret_cast<HANDLE>(0x11223344);
    block.stdoutRead = reinterpret_cast<HANDLE>(0x1A4);
    block.stderrRead = reinterpret_cast<HANDLE>(8);
    block.stdinWrite = reinterpret_cast<HANDLE>(12);
    block.displayName = L"1.7.1";
    block.commandLine = WString(std::wstring(300, L'c').c_str());
    block.workingDirectory = WString(std::wstring(20, L'w').c_str());
    EXPECT_EQ(684u, RedirectBlockSize(block));
    HANDLE mapping = WriteRedirectSharedBlock(block);
    ASSERT_NE(nullptr, mapping);
    const uint8_t* view = static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    ASSERT_NE(nullptr, view);
    const uint32_t header[7] = {0x11223344, 0x1A4, 8, 12, 6, 301, 21};
    EXPECT_EQ(0, memcmp(header, view, sizeof header));
    EXPECT_EQ(0, memcmp(L"1.7.1", view + 28, 12));
    EXPECT_EQ(0, memcmp(L"w\0", view + 684 - 4, 4));  // the last text's last character and NUL
    UnmapViewOfFile(view);
    RedirectSharedBlock back;
    ASSERT_TRUE(ReadRedirectSharedBlock(mapping, back));
    EXPECT_EQ(block.process, back.process);
    EXPECT_EQ(block.stdinWrite, back.stdinWrite);
    EXPECT_EQ(block.commandLine, back.commandLine);
    EXPECT_EQ(block.workingDirectory, back.workingDirectory);
    CloseHandle(mapping);

    // A block whose lengths point past its end is refused.
    block.commandLine.Empty();
    mapping = WriteRedirectSharedBlock(block);
    uint32_t* raw = static_cast<uint32_t*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    raw[5] = 0x40000000;
    UnmapViewOfFile(raw);
    EXPECT_FALSE(ReadRedirectSharedBlock(mapping, back));
    CloseHandle(mapping);
}

// Text in the ANSI code page as the relay should show it, for comparisons.
std::string AnsiAsUtf8(const std::string& bytes) {
    std::wstring wide(bytes.size(), L'\0');
    wide.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &wide[0], static_cast<int>(wide.size()))));
    return Narrow(wide);
}

class RecordingObserver : public IMinecraftOutputRedirectObserver {
public:
    RecordingObserver() : ended(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~RecordingObserver() override { CloseHandle(ended); }
    void OnOutput(int source) override { ++calls[source]; }
    void OnEnded() override { SetEvent(ended); }
    std::atomic<int> calls[3] = {};
    HANDLE ended;
};

struct Line {
    std::wstring text;
    int level;
};

std::vector<Line> Drain(MinecraftOutputRedirect& relay, int source) {
    std::vector<Line> lines;
    OutputLine line;
    while (relay.Pop(source, line)) {
        lines.push_back({std::wstring(line.text, static_cast<size_t>(line.length)), line.level});
        FreeOutputLine(line);
    }
    return lines;
}

// A game started through LaunchWithRedirect, the pipes taken over from the
// stand-in output-window process (bin\java.exe), which is then let go.
class RelayedGame : public testing::Test {
protected:
    void SetUp() override { tree.WriteVersion(L"v", R"({"id":"v","mainClass":"m.Main","minecraftArguments":"","libraries":[]})"); }

    void Launch(const std::string& gameScript) {
        const std::wstring release = java.Home() + L"release.txt";
        java.SetScript(L"java", "waitfile=" + Narrow(release) + "\n");
        java.SetScript(L"javaw", gameScript);
        MinecraftLauncher2 launcher(tree.Root().c_str());
        JavaRuntimeInfo runtime;
        runtime.path = java.Home().c_str();
        runtime.origin = kJavaFromRegistry;
        launcher.SetVersionAndJava(L"v", runtime);
        launcher.relayExecutable = java.JavaExe().c_str();
        LaunchJvmOptions jvm;
        LaunchGameOptions options;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        ASSERT_TRUE(launcher.LaunchWithRedirect(jvm, options, L"v", true, &startup, &game))
            << Narrow(launcher.GetErrorMsg().GetString());

        // The output-window process: its command line names the block.
        std::vector<testing_support::FakeToolRun> runs;
        // Two Wine process starts: slow on a loaded machine.
        testing_support::WaitUntil([&] { return (runs = java.Runs()).size() >= 2; }, 30000, 50);
        ASSERT_EQ(2u, runs.size());
        const auto& relayRun = runs[0].module == java.JavaExe() ? runs[0] : runs[1];
        const auto& gameRun = runs[0].module == java.JavaExe() ? runs[1] : runs[0];
        const std::wstring prefix = L"\"" + java.JavaExe() + L"\" -redirect_output ";
        ASSERT_EQ(Narrow(prefix), Narrow(relayRun.commandLine.substr(0, prefix.size())));
        EXPECT_EQ("pipe", gameRun.stdoutKind);
        EXPECT_EQ("pipe", gameRun.stderrKind);
        EXPECT_EQ("pipe", gameRun.stdinKind);
        HANDLE blockHandle = nullptr;
        ASSERT_TRUE(ParseHandleArgument(relayRun.commandLine.substr(prefix.size()).c_str(), blockHandle));

        relayProcess = OpenProcess(PROCESS_DUP_HANDLE | SYNCHRONIZE | PROCESS_TERMINATE, FALSE, RelayProcessId());
        ASSERT_NE(nullptr, relayProcess);
        auto take = [&](HANDLE remote) {
            HANDLE local = nullptr;
            EXPECT_TRUE(DuplicateHandle(relayProcess, remote, GetCurrentProcess(), &local, 0, FALSE, DUPLICATE_SAME_ACCESS));
            return local;
        };
        HANDLE mapping = take(blockHandle);
        RedirectSharedBlock block;
        ASSERT_TRUE(ReadRedirectSharedBlock(mapping, block));
        CloseHandle(mapping);
        EXPECT_EQ(L"v", std::wstring(block.displayName.GetString()));
        EXPECT_EQ(Narrow(gameRun.commandLine), Narrow(block.commandLine.GetString()));
        EXPECT_EQ(Narrow(tree.Root() + L".minecraft\\"), Narrow(block.workingDirectory.GetString()));
        process = take(block.process);
        stdoutRead = take(block.stdoutRead);
        stderrRead = take(block.stderrRead);
        stdinWrite = take(block.stdinWrite);
        testing_support::WriteBytes(release, "");
    }

    DWORD RelayProcessId() const {
        DWORD id = 0;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry)) {
            if (entry.th32ParentProcessID == GetCurrentProcessId() && entry.th32ProcessID != game.dwProcessId &&
                _wcsicmp(entry.szExeFile, L"java.exe") == 0)
                id = entry.th32ProcessID;
        }
        CloseHandle(snapshot);
        return id;
    }

    void TearDown() override {
        // The stand-in polls for its release file; when the test ends before
        // it looked, the file is gone with the temporary folder and it would
        // linger (holding the test runner's output pipe) until its own limit.
        if (relayProcess != nullptr) {
            if (WaitForSingleObject(relayProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(relayProcess, 1);
            CloseHandle(relayProcess);
        }
        if (game.hProcess != nullptr) {
            TerminateProcess(game.hProcess, 0);
            CloseHandle(game.hProcess);
            CloseHandle(game.hThread);
        }
    }

    testing_support::GameTree tree;
    FakeJavaHome java;
    PROCESS_INFORMATION game = {};
    HANDLE relayProcess = nullptr;
    HANDLE process = nullptr, stdoutRead = nullptr, stderrRead = nullptr, stdinWrite = nullptr;
    RecordingObserver observer;
    MinecraftOutputRedirect relay;
};

TEST_F(RelayedGame, EveryLineArrivesWithItsLevelTheLastOnesIncluded) {
    const std::wstring go = java.Home() + L"go.txt", tailRead = java.Home() + L"tail.txt";
    const std::string longLine = "[12:00:05] [main/INFO]: " + std::string(280, 'z');
    Launch("waitfile=" + Narrow(go) + "\n"
           "stdout=plain first line\n"
           "stdout=[12:00:00] [Client thread/INFO]: Setting user: Steve\n"
           "stdout=[12:00:01] [Client thread/WARN]: Failed to load texture\n"
           "stdout=java.lang.RuntimeException: boom\n"
           "stdout=\\tat a.b.C.d(C.java:1)\n"
           "stderr=Exception in thread \"main\"\n"
           "stdout.raw=[12:00:02] [Server thread/ER\nsleep=300\n"
           "stdout.raw=ROR]: split line\\r\nsleep=300\n"
           "stdout.raw=\\nafter CR\\r\\n\n"
           "stdout.raw=" + std::string(200, 'x') + "\nwaitfile=" + Narrow(tailRead) + "\n"
           "stdout.raw=yyy\\r\\n\n"
           "stdout=" + longLine + "\n"
           // A double-byte character (GBK) split between two reads.
           "stdout.raw=gbk \\xC4\nsleep=300\nstdout.raw=\\xE3\\r\\n\n"
           "stderr.raw=\\xC4\nsleep=300\nstderr.raw=\\xE3\\r\\n\n"
           "stderr=\\tat Main.main\n"
           // The game's last byte, the first half of a character that never came.
           "stderr.raw=\\xC4\n"
           "stdout.raw=[12:00:09] [main/FATAL]: unfinished tail \\xC4\n"
           "exit=1\n");
    ASSERT_TRUE(relay.Start(&observer, process, stdoutRead, stderrRead, stdinWrite));
    testing_support::WriteBytes(go, "");
    // The game goes on only once the tail it holds back after the 'x's has
    // been put out on its own, so no later bytes can join it in one read.
    std::vector<Line> lines;
    for (int i = 0; i < 3000 && (lines.empty() || lines.back().text != std::wstring(200, L'x')); ++i) {
        const std::vector<Line> more = Drain(relay, kSourceStdout);
        lines.insert(lines.end(), more.begin(), more.end());
        if (more.empty()) Sleep(10);
    }
    testing_support::WriteBytes(tailRead, "");
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(observer.ended, 30000));

    const std::vector<std::pair<std::string, int>> expected = {
        {"plain first line\r\n", 0},
        {"[12:00:00] [Client thread/INFO]: Setting user: Steve\r\n", 1},
        {"[12:00:01] [Client thread/WARN]: Failed to load texture\r\n", 2},
        {"java.lang.RuntimeException: boom\r\n", 2},
        {"\tat a.b.C.d(C.java:1)\r\n", 2},
        {"[12:00:02] [Server thread/ERROR]: split line\r\n", 3},
        {"after CR\r\n", 3},
        {std::string(200, 'x'), 3},  // a tail too long to carry
        {"yyy\r\n", 3},
        {longLine + "\r\n", 1},
        {AnsiAsUtf8("gbk \xC4\xE3\r\n"), 1},
        {AnsiAsUtf8("[12:00:09] [main/FATAL]: unfinished tail \xC4"), 4},
    };
    const std::vector<Line> rest = Drain(relay, kSourceStdout);
    lines.insert(lines.end(), rest.begin(), rest.end());
    ASSERT_EQ(expected.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(expected[i].first, Narrow(lines[i].text)) << i;
        EXPECT_EQ(expected[i].second, lines[i].level) << i;
    }
    std::string errors;
    for (const Line& chunk : Drain(relay, kSourceStderr)) errors += Narrow(chunk.text);
    EXPECT_EQ("Exception in thread \"main\"\r\n" + AnsiAsUtf8("\xC4\xE3\r\n") + "\tat Main.main\r\n" + AnsiAsUtf8("\xC4"),
              errors);
    EXPECT_GE(relay.Counter(0), 1);
    EXPECT_EQ(2, relay.Counter(1));
    EXPECT_EQ(1, relay.Counter(2));
    EXPECT_EQ(1, relay.Counter(3));
    EXPECT_EQ(1, relay.Counter(4));

    const std::vector<Line> closing = Drain(relay, kSourceRelay);
    ASSERT_EQ(1u, closing.size());
    const std::wregex shape(L"\\[\\d\\d:\\d\\d:\\d\\d\\] \\[TRELM\\]: Process exited with code 0x00000001, running time:.+\r\n");
    EXPECT_TRUE(std::regex_match(closing[0].text, shape)) << Narrow(closing[0].text);
    EXPECT_GT(observer.calls[kSourceStdout].load(), 0);
    EXPECT_EQ(1, observer.calls[kSourceRelay].load());
    EXPECT_TRUE(relay.Stop());
    EXPECT_FALSE(relay.Stop());
}

// Output still in the pipes when the game has already gone is read to the end.
TEST_F(RelayedGame, OutputOfAGameThatAlreadyExitedIsDrained) {
    std::string script;
    for (int i = 0; i < 50; ++i) script += "stdout=[10:00:00] [main/ERROR]: crash line " + std::to_string(i) + "\n";
    Launch(script + "stdout.raw=last words\nexit=0xC0000005\n");
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(game.hProcess, 20000));
    ASSERT_TRUE(relay.Start(&observer, process, stdoutRead, stderrRead, stdinWrite));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(observer.ended, 30000));
    const std::vector<Line> lines = Drain(relay, kSourceStdout);
    ASSERT_EQ(51u, lines.size());
    EXPECT_EQ("[10:00:00] [main/ERROR]: crash line 49\r\n", Narrow(lines[49].text));
    EXPECT_EQ("last words", Narrow(lines[50].text));
    EXPECT_EQ(50, relay.Counter(3));
    const std::vector<Line> closing = Drain(relay, kSourceRelay);
    ASSERT_EQ(1u, closing.size());
    EXPECT_NE(std::wstring::npos, closing[0].text.find(L"code 0xC0000005"));
}

TEST_F(RelayedGame, StopCancelsAtOnceWhileTheGameRuns) {
    Launch("stdout=started\nsleep=60000\n");
    ASSERT_TRUE(relay.Start(&observer, process, stdoutRead, stderrRead, stdinWrite));
    // The readers are running: the game's first line came through them.
    ASSERT_TRUE(testing_support::WaitUntil([&] { return observer.calls[kSourceStdout].load() > 0; }));
    // A Stop that waited for the game would take the rest of its minute.
    const DWORD start = GetTickCount();
    EXPECT_TRUE(relay.Stop());
    EXPECT_LT(GetTickCount() - start, 20000u);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(observer.ended, 0));  // no observer after Stop
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(game.hProcess, 0));  // the game runs on
}

// A start without a process handle reports the failed wait; Stop still ends
// the readers and closes the pipes it was given.
TEST(OutputRelay, StartWithoutAProcessIsStillStopped) {
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    ASSERT_TRUE(CreatePipe(&outRead, &outWrite, nullptr, 0));
    ASSERT_TRUE(CreatePipe(&errRead, &errWrite, nullptr, 0));
    RecordingObserver observer;
    MinecraftOutputRedirect relay;
    ASSERT_TRUE(relay.Start(&observer, nullptr, outRead, errRead, nullptr));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(observer.ended, 10000));
    const std::vector<Line> closing = Drain(relay, kSourceRelay);
    ASSERT_EQ(1u, closing.size());
    EXPECT_NE(std::wstring::npos, closing[0].text.find(L"]: MonitorThread failed with WaitForMultipleObjects 4294967295,"))
        << Narrow(closing[0].text);
    EXPECT_FALSE(relay.Stop());  // no process was held
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(outRead, &flags));
    EXPECT_FALSE(GetHandleInformation(errRead, &flags));
    EXPECT_FALSE(relay.Stop());
    CloseHandle(outWrite);
    CloseHandle(errWrite);
}

}  // namespace
