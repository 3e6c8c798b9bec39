// Both ends of the self-update hand-over. The launcher starts a copy of
// itself, "TRELMUpdateHelper.exe", with "-update_rename_file"; the helper
// waits for the launcher to exit, moves the new executable into place and
// starts the launcher again with "-update_done", which deletes the helper.
// Each side passes its own process handle, inherited by the child, as eight
// hex digits (the handle's four bytes in memory order).
#pragma once

#include <windows.h>

#include "core/WString.h"

extern const wchar_t kUpdateHelperFileName[];  // "TRELMUpdateHelper.exe"

// argv[0] is "-update_rename_file". True when the launcher was started
// again, whether or not the file was replaced (the restarted launcher gets
// the outcome); false with error set otherwise. A handle that cannot be
// waited for (no other process) replaces and starts nothing.
bool RunUpdateHelper(int argc, wchar_t** argv, WString& error);
// argv[0] is "-update_done". Waits for the helper and deletes the helper
// copy beside this executable (never a file in another folder); true when
// the file was replaced, else false with the helper's message.
bool HandleUpdateDone(int argc, wchar_t** argv, WString& message);

// Pieces shared with the service's apply step.
// QueryFullProcessImageNameW of this process, at most MAX_PATH characters;
// false with "QueryFullProcessImageNameW()=0,<system text>" in error.
bool GetOwnImagePath(WString& path, WString* error);
// "TRELMUpdateHelper.exe" in this executable's folder; false with
// "QueryFullProcessImageNameW()=0,..." or "wendal_::file::GetDriveDir()=false"
// in error (when given).
bool GetHelperCopyPath(WString& path, WString* error);
// Starts the command line before + (an inheritable duplicate of this
// process's handle as text) + after, with handle inheritance on; the
// duplicate is closed afterwards. error: "DuplicateHandle()=0,..." or
// "创建进程失败 %s,%s".
bool StartHandOverProcess(const WString& before, const WString& after, WString& error);
