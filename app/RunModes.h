// The three ways the executable runs: the launcher window, the game-output
// window of one game ("-redirect_output") and the update helper
// ("-update_rename_file"). Each returns the process's exit code.
#pragma once

#include <windows.h>

namespace trelm {

int RunNormal(HINSTANCE instance, int argc, wchar_t** argv);
int RunOutputWindow(HINSTANCE instance, int argc, wchar_t** argv);
int RunUpdateHelperMode(int argc, wchar_t** argv);

}  // namespace trelm

// The command line, split once by the entry point; the main window reads it
// for "-update_done".
extern int g_argc;
extern wchar_t** g_argv;
