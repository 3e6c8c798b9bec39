#include "launcher/MinecraftLauncher2.h"


#include "core/ProcessStart.h"
#include "core/ScopedHandle.h"
#include "core/Win32Error.h"
#include "launcher/RedirectSharedBlock.h"

namespace trelm {
namespace launcher {

namespace {

// The three pipes of a redirected game; every end still held is closed on
// the way out, so only the processes that inherited them keep them.
struct GamePipes {
    enum { kStdoutRead, kStdoutWrite, kStderrRead, kStderrWrite, kStdinRead, kStdinWrite, kCount };
    HANDLE ends[kCount] = {};

    GamePipes() = default;
    GamePipes(const GamePipes&) = delete;
    GamePipes& operator=(const GamePipes&) = delete;
    ~GamePipes() {
        for (int i = 0; i < kCount; ++i) Close(i);
    }
    void Close(int i) {
        if (ends[i] != nullptr) CloseHandle(ends[i]);
        ends[i] = nullptr;
    }
    bool Create() {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        // The launcher's own ends must not leak into the game.
        return CreatePipe(&ends[kStdoutRead], &ends[kStdoutWrite], &inherit, 0) &&
               CreatePipe(&ends[kStderrRead], &ends[kStderrWrite], &inherit, 0) &&
               CreatePipe(&ends[kStdinRead], &ends[kStdinWrite], &inherit, 0) &&
               SetHandleInformation(ends[kStdoutRead], HANDLE_FLAG_INHERIT, 0) &&
               SetHandleInformation(ends[kStderrRead], HANDLE_FLAG_INHERIT, 0) &&
               SetHandleInformation(ends[kStdinWrite], HANDLE_FLAG_INHERIT, 0);
    }
};

bool MakeInheritable(HANDLE handle) { return SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT); }

}  // namespace

bool MinecraftLauncher2::LaunchWithRedirect(const LaunchJvmOptions& jvm, const LaunchGameOptions& game,
                                            const WString& displayName, bool redirect, STARTUPINFOW* startup,
                                            PROCESS_INFORMATION* process, WString* relayFailure) {
    if (relayFailure) relayFailure->Empty();
    GamePipes pipes;
    if (!redirect) return Launch(jvm, game, false, startup, process, nullptr, nullptr);
    if (!pipes.Create()) {
        if (relayFailure) *relayFailure = LastErrorText();
        return Launch(jvm, game, false, startup, process, nullptr, nullptr);
    }

    startup->hStdInput = pipes.ends[GamePipes::kStdinRead];
    startup->hStdOutput = pipes.ends[GamePipes::kStdoutWrite];
    startup->hStdError = pipes.ends[GamePipes::kStderrWrite];
    startup->dwFlags |= STARTF_USESTDHANDLES;
    WString commandLine, workingDirectory;
    if (!Launch(jvm, game, true, startup, process, &commandLine, &workingDirectory)) return false;
    // Only the game holds its ends now, so the readers see the pipes close
    // when it exits.
    pipes.Close(GamePipes::kStdinRead);
    pipes.Close(GamePipes::kStdoutWrite);
    pipes.Close(GamePipes::kStderrWrite);
    // Without the output process the game still runs: the pipes' other ends
    // are closed on the way out, so its writes fail at once instead of
    // waiting for a reader.
    StartRelay(process->hProcess, pipes.ends[GamePipes::kStdoutRead], pipes.ends[GamePipes::kStderrRead],
               pipes.ends[GamePipes::kStdinWrite], displayName, commandLine, workingDirectory, relayFailure);
    return true;
}

bool MinecraftLauncher2::StartRelay(HANDLE gameProcess, HANDLE stdoutRead, HANDLE stderrRead, HANDLE stdinWrite,
                                    const WString& displayName, const WString& commandLine,
                                    const WString& workingDirectory, WString* failure) {
    auto fail = [failure] { return launcher::Fail(failure, L"%s", LastErrorText().GetString()); };
    WString executable = relayExecutable;
    if (executable.IsEmpty()) {
        wchar_t path[MAX_PATH] = {};
        DWORD length = MAX_PATH;
        if (!QueryFullProcessImageNameW(GetCurrentProcess(), 0, path, &length)) return fail();
        executable.Assign(path, static_cast<int>(length));
    }
    HANDLE duplicate = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), gameProcess, GetCurrentProcess(), &duplicate, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        return fail();
    ScopedHandle processCopy(duplicate);
    if (!MakeInheritable(stdoutRead) || !MakeInheritable(stderrRead) || !MakeInheritable(stdinWrite)) return fail();

    RedirectSharedBlock block;
    block.process = duplicate;
    block.stdoutRead = stdoutRead;
    block.stderrRead = stderrRead;
    block.stdinWrite = stdinWrite;
    block.displayName = displayName;
    block.commandLine = commandLine;
    block.workingDirectory = workingDirectory;
    ScopedHandle mapping(WriteRedirectSharedBlock(block));
    if (!mapping.IsValid()) return fail();

    WString line;
    line.Format(L"\"%s\" -redirect_output %s", executable.GetString(),
                FormatHandleArgument(mapping.Get()).GetString());
    STARTUPINFOW relayStartup = {};
    relayStartup.cb = sizeof relayStartup;
    PROCESS_INFORMATION relay = {};
    if (!StartProcess(line, nullptr, true, nullptr, &relayStartup, &relay)) {
        const WString error = LastErrorText();
        return launcher::Fail(failure, L"无法创建进程\"%s\",%s", executable.GetString(), error.GetString());
    }
    CloseHandle(relay.hThread);
    CloseHandle(relay.hProcess);
    return true;
}

}  // namespace launcher
}  // namespace trelm
