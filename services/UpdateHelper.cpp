#include "services/UpdateHelper.h"

#include <cwchar>

#include "core/FileUtils.h"
#include "core/HandleArgument.h"
#include "core/ProcessStart.h"
#include "core/Win32Error.h"

const wchar_t kUpdateHelperFileName[] = L"TRELMUpdateHelper.exe";

namespace {

const DWORD kWaitForOtherSideMs = 5000;

enum WaitOutcome { kOtherSideEnded, kOtherSideStayed, kWaitFailed };

// Waits for the other side of the hand-over to end and closes its handle;
// the reason in error when it did not end. A handle that names no other
// process (not a process, or this one) cannot be waited for: the command
// line was not made by a launcher.
WaitOutcome WaitForOtherSide(HANDLE process, WString& error) {
    const DWORD id = GetProcessId(process);
    DWORD wait = WAIT_FAILED, failure = ERROR_INVALID_HANDLE;
    if (id == 0) {
        failure = GetLastError();
    } else if (id != GetCurrentProcessId()) {
        wait = WaitForSingleObject(process, kWaitForOtherSideMs);
        if (wait == WAIT_FAILED) failure = GetLastError();
        CloseHandle(process);
    }
    switch (wait) {
    case WAIT_OBJECT_0:
        return kOtherSideEnded;
    case WAIT_TIMEOUT:
        error = L"UpdateHelper等待原TRELM进程退出超过5000毫秒";
        return kOtherSideStayed;
    case WAIT_ABANDONED:
        error = L"UpdateHelper等待原TRELM进程退出WAIT_ABANDONED";
        return kOtherSideStayed;
    default:
        error.Format(L"UpdateHelper等待原TRELM进程退出WAIT_FAILED:%s", FormatWin32Error(failure).GetString());
        return kWaitFailed;
    }
}

}  // namespace

bool GetOwnImagePath(WString& path, WString* error) {
    wchar_t buffer[MAX_PATH];
    DWORD length = MAX_PATH;
    if (!QueryFullProcessImageNameW(GetCurrentProcess(), 0, buffer, &length)) {
        if (error != nullptr) error->Format(L"QueryFullProcessImageNameW()=0,%s", LastErrorText().GetString());
        return false;
    }
    path.Assign(buffer, static_cast<int>(length));
    return true;
}

bool GetHelperCopyPath(WString& path, WString* error) {
    WString ownPath;
    if (!GetOwnImagePath(ownPath, error)) return false;
    if (!GetDirectoryPart(ownPath, &path) || path.IsEmpty()) {
        if (error != nullptr) *error = L"wendal_::file::GetDriveDir()=false";
        return false;
    }
    path.Append(kUpdateHelperFileName);
    return true;
}

bool StartHandOverProcess(const WString& before, const WString& after, WString& error) {
    HANDLE own = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &own, 0, TRUE,
                         DUPLICATE_SAME_ACCESS)) {
        error.Format(L"DuplicateHandle()=0,%s", LastErrorText().GetString());
        return false;
    }
    WString commandLine(before);
    commandLine.Append(FormatHandleArgument(own));
    commandLine.Append(after);
    SECURITY_ATTRIBUTES processAttributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    const bool started = StartProcess(commandLine, &processAttributes, true, nullptr, &startup, &child);
    const WString reason = started ? WString() : LastErrorText();
    CloseHandle(own);
    if (!started) {
        error.Format(L"创建进程失败 %s,%s", commandLine.GetString(), reason.GetString());
        return false;
    }
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    return true;
}

bool RunUpdateHelper(int argc, wchar_t** argv, WString& error) {
    if (argc < 4 || wcscmp(argv[0], L"-update_rename_file") != 0) {
        error = L"-update_rename_file，命令参数错误";
        return false;
    }
    const wchar_t* launcherPath = argv[1];
    const wchar_t* newFile = argv[2];
    HANDLE launcher = nullptr;
    if (!ParseHandleArgument(argv[3], launcher)) {
        error = L"命令参数错误(argv[3])";
        return false;
    }

    WString outcome;
    bool replaced = false;
    const WaitOutcome waited = WaitForOtherSide(launcher, outcome);
    // Without a launcher that was waited for, the command line is no
    // hand-over: nothing is replaced and nothing started.
    if (waited == kWaitFailed) {
        error = outcome;
        return false;
    }
    if (waited == kOtherSideEnded) {
        // One move that replaces the old file: when it fails the old file is
        // still there, so the launcher restarted below still runs.
        if (MoveFileExW(newFile, launcherPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            replaced = true;
        else
            outcome.Format(L"UpdateHelper无法重命名文件 %s 到 %s，%s", newFile, launcherPath,
                           LastErrorText().GetString());
    }

    WString ownPath;
    if (!GetOwnImagePath(ownPath, nullptr)) ownPath = L"null_path";
    WString before;
    before.Format(L"\"%s\" -update_done \"%s\" \"", launcherPath, ownPath.GetString());
    WString after;
    after.Format(L"\" \"%s\" \"%s\"", replaced ? L"true" : L"false",
                 outcome.IsEmpty() ? L"null_msg" : outcome.GetString());
    return StartHandOverProcess(before, after, error);
}

bool HandleUpdateDone(int argc, wchar_t** argv, WString& message) {
    if (argc < 5 || wcscmp(argv[0], L"-update_done") != 0) {
        message = L"-update_done，命令参数错误";
        return false;
    }
    HANDLE helper = nullptr;
    if (ParseHandleArgument(argv[2], helper)) {
        WaitForSingleObject(helper, kWaitForOtherSideMs);
        CloseHandle(helper);
        // Only the helper copy beside this launcher is ever deleted, however
        // the command line spells it; a file of that name elsewhere is not
        // ours.
        WString ownHelper;
        if (GetHelperCopyPath(ownHelper, nullptr) && IsSamePath(argv[1], ownHelper)) DeleteFileW(ownHelper);
    }
    if (_wcsicmp(argv[3], L"true") == 0) return true;
    message = argv[4];
    return false;
}
