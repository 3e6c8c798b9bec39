// The launcher runs only from its own folder: its data and the game tree are
// found relative to the working directory.
#pragma once

enum WorkingDirectoryCheck { kWorkingDirectoryOk = 0, kWorkingDirectoryUnreadable = 2, kWorkingDirectoryDiffers = 3 };

int CheckWorkingDirectory();
const wchar_t* WorkingDirectoryCheckText(int code);
// Two folders are the same when their long-name forms match ignoring case,
// as Windows itself compares paths: a shortcut whose "Start in" differs in
// letter case or uses an 8.3 name still starts the launcher.
bool IsSameFolder(const wchar_t* a, const wchar_t* b);
