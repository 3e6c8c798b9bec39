// Runs one round of installs (InstallRound.h) in a process of its own, so
// that the install tests can end it at any moment as a crash or the task
// manager would.
//   launcher_install_child <game root> <inputs folder> <event name>
// Once the inputs are in memory the event <name>-ready is set; the installs
// start when <name>-go is. Exit code 0: every install succeeded.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/launcher/InstallRound.h"

namespace {

int Fail(const wchar_t* what) {
    fwprintf(stderr, L"install child: %ls\n", what);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return Fail(L"usage: <game root> <inputs folder> <event name>");
    testing_support::InstallInputs inputs;
    if (!inputs.Load(std::wstring(argv[2]) + L"\\")) return Fail(L"cannot read the inputs");
    const std::wstring name = argv[3];
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, (name + L"-ready").c_str());
    HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, (name + L"-go").c_str());
    if (ready == nullptr || go == nullptr || !SetEvent(ready) || WaitForSingleObject(go, 60000) != WAIT_OBJECT_0)
        return Fail(L"no go");
    CloseHandle(ready);
    CloseHandle(go);
    std::wstring message;
    return testing_support::RunInstallRound(argv[1], inputs, &message) ? 0 : Fail(message.c_str());
}
