#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "app/RunModes.h"
#include "core/Endpoints.h"
#include "services/CrashHandler.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    SetUnhandledExceptionFilter(&LauncherCrashFilter);
    g_argv = CommandLineToArgvW(commandLine, &g_argc);
    // The switches are compared exactly: "-REDIRECT_OUTPUT" is none of them.
    // Neither of these modes talks to a server, and the output window holds
    // the game's pipes: a box here would stop the game at its next line.
    if (g_argc >= 1 && wcscmp(g_argv[0], L"-update_rename_file") == 0) {
        return trelm::RunUpdateHelperMode(g_argc, g_argv);
    }
    if (g_argc >= 1 && wcscmp(g_argv[0], L"-redirect_output") == 0) {
        return trelm::RunOutputWindow(instance, g_argc, g_argv);
    }
    // Before any thread reads an address. A bad file changes no address, and
    // whoever pointed the launcher at other servers must learn that it did not.
    WString endpointError;
    if (!trelm::LoadEndpointOverrides(&endpointError)) {
        MessageBoxW(NULL, endpointError.GetString(), L"TRELM", MB_OK | MB_ICONWARNING);
    }
    return trelm::RunNormal(instance, g_argc, g_argv);
}
