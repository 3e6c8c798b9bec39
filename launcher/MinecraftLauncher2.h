// The launcher both launch paths use: starts the game, optionally with its
// console piped to a second copy of this program that shows it.
#pragma once

#include "launcher/MinecraftLauncher.h"

namespace trelm {
namespace launcher {

class MinecraftLauncher2 : public MinecraftLauncher {
public:
    explicit MinecraftLauncher2(const wchar_t* root) : MinecraftLauncher(root) {}

    // The result is the game's start; a relay that fails to start leaves
    // the game running without its output window, and relayFailure (when
    // given; empty otherwise) says why, for the player who asked for it.
    bool LaunchWithRedirect(const LaunchJvmOptions& jvm, const LaunchGameOptions& game, const WString& displayName,
                            bool redirect, STARTUPINFOW* startup, PROCESS_INFORMATION* process,
                            WString* relayFailure = nullptr);

    // The program started as the output window; empty means this executable.
    WString relayExecutable;

private:
    // Hands the game's pipes to the output process; false, with the reason
    // in failure, when any step fails (the handles are closed by the caller
    // either way).
    bool StartRelay(HANDLE gameProcess, HANDLE stdoutRead, HANDLE stderrRead, HANDLE stdinWrite,
                    const WString& displayName, const WString& commandLine, const WString& workingDirectory,
                    WString* failure);
};

}  // namespace launcher
}  // namespace trelm
