// Turns an installed version, a Java runtime and the two launch records
// into the game's Java command line and starts the game process.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/WString.h"
#include "launcher/JavaRuntimeInfo.h"
#include "launcher/MinecraftFileManager.h"

namespace trelm {
namespace launcher {

// The JVM half of a launch.
struct LaunchJvmOptions {
    WString jvmHead;  // before the fixed options
    WString jvmTail;  // after the heap option
    int32_t heapMB = 0;
    bool useJavaExe = false;  // java.exe (with a console) instead of javaw.exe
};

// The game half of a launch.
struct LaunchGameOptions {
    WString gameHead;  // right after the JVM options
    WString gameTail;  // at the very end
    WString playerName;
    WString accessToken;
    WString uuid;  // 32 hex digits; may be empty offline
    WString versionType;
    int32_t accountKind = 0;  // 1 online, anything else offline
    int32_t width = 854;
    int32_t height = 480;
    bool separateFolders = false;  // each version in its own game folder
    bool fullScreen = false;
};

enum : int32_t { kAccountOnline = 1 };

class MinecraftLauncher : public MinecraftFileManager {
public:
    explicit MinecraftLauncher(const wchar_t* root) : MinecraftFileManager(root) {}
    ~MinecraftLauncher() override = default;

    void SetVersionAndJava(const wchar_t* versionId, const JavaRuntimeInfo& java);
    const JavaRuntimeInfo& GetJava() const { return m_java; }

    // Builds the command line and starts the game in its game folder; the
    // caller prepares startup and receives the handles. The command line and
    // the working directory are copied out (when asked) before the start.
    bool Launch(const LaunchJvmOptions& jvm, const LaunchGameOptions& game, bool inheritHandles,
                STARTUPINFOW* startup, PROCESS_INFORMATION* process, WString* commandLine,
                WString* workingDirectory);

    // The same command line, working directory and executable Launch would
    // use, without starting anything.
    bool BuildCommand(const LaunchJvmOptions& jvm, const LaunchGameOptions& game, WString& commandLine,
                      WString& workingDirectory, WString& executable);

    // Writes the default ".minecraft\launcher_profiles.json" the game expects
    // when there is none.
    bool EnsureLauncherProfiles();

    // Name-based (version 5) UUID of an offline player, 32 lower-case hex
    // digits without dashes.
    static void MakeOfflineUuid(WString& out, const WString& playerName);

private:
    void GetJavaExecutable(WString& out, bool useJavaExe) const;
    // The jars of the chain, ';' between them, the client jar last.
    bool BuildClassPath(WString& classPath);
    void FillArguments(WString& arguments, const WString& id, const LaunchGameOptions& game) const;

    JavaRuntimeInfo m_java;
};

}  // namespace launcher
}  // namespace trelm
