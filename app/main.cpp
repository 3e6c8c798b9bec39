#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "app/RunModes.h"
#include "core/Endpoints.h"
#include "services/CrashHandler.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    SetUnhandledExceptionFilter(&LauncherCrashFilter);
    g_argv = CommandLineToArgvW(commandLine, &g_argc);
    // Before any thread reads an address. A bad file changes no address, and
    // whoever pointed the launcher at other servers must learn that it did not.
    WString endpointError;
    if (!trelm::LoadEndpointOverrides(&endpointError)) {
        MessageBoxW(NULL, endpointError.GetString(), L"TRELM", MB_OK | MB_ICONWARNING);
    }
    // The switches are compared exactly: "-REDIRECT_OUTPUT" is none of them.
    if (g_argc >= 1 && wcscmp(g_argv[0], L"-update_rename_file") == 0) {
        return trelm::RunUpdateHelperMode(g_argc, g_argv);
    }
    if (g_argc >= 1 && wcscmp(g_argv[0], L"-redirect_output") == 0) {
        return trelm::RunOutputWindow(instance, g_argc, g_argv);
    }
    return trelm::RunNormal(instance, g_argc, g_argv);
}
