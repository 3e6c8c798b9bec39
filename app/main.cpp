#include <windows.h>

// The launcher's start-up (run modes, platform set-up, the main window) is not
// written yet; the entry point ends at once.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
