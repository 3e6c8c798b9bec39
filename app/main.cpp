#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "app/RunModes.h"
#include "services/CrashHandler.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    SetUnhandledExceptionFilter(&LauncherCrashFilter);
    g_argv = CommandLineToArgvW(commandLine, &g_argc);
    // The switches are compared exactly: "-REDIRECT_OUTPUT" is none of them.
    if (g_argc >= 1 && wcscmp(g_argv[0], L"-update_rename_file") == 0) {
        return trelm::RunUpdateHelperMode(g_argc, g_argv);
    }
    if (g_argc >= 1 && wcscmp(g_argv[0], L"-redirect_output") == 0) {
        return trelm::RunOutputWindow(instance, g_argc, g_argv);
    }
    return trelm::RunNormal(instance, g_argc, g_argv);
}
