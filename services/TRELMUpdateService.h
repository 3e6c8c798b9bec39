// The background update check: fetches the update list from the update
// server, picks the newest release and tells the owner. The apply step
// (download destination, stopping other copies, starting the helper) lives
// here too; the helper's own run is in UpdateHelper.h.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/WString.h"
#include "core/noncopyable.h"
#include "services/ProgramVersion.h"

struct UpdateInfo {
    enum State : int32_t { kFailed = 0, kUpToDate = 1, kNewer = 2, kRunningIsNewer = 3 };

    LauncherVersion version;  // the newest release, or the running version when the list has none
    int64_t time = 0;
    int32_t state = kFailed;
    WString description;  // every release newer than the running one, oldest first, "\r\n" between
    WString url;
    WString sha1;
    WString errorMessage;
    uint32_t size = 0;
};

// Fills info from the update list text for the given running version; false
// with "json解析错误" when the text is not a JSON array, or when the release
// it would offer has no SHA-1 of 40 hex digits (nothing could verify it).
bool ParseUpdateList(const wchar_t* text, const LauncherVersion& running, UpdateInfo& info);

namespace trelm {
namespace download {
class DownloadInfoCommonFile;
}  // namespace download
}  // namespace trelm

namespace trelm {

class TRELMUpdateService : private wendal_::noncopyable {
public:
    TRELMUpdateService();
    // Stops a running check at its next progress call and waits for it.
    virtual ~TRELMUpdateService();

    // Starts the check on a thread of its own; false when one was started
    // already or the thread cannot be created.
    bool StartCheck();
    // The check itself, on the calling thread (the worker runs this).
    void RunCheck();
    // A copy of the result; false while the check has not finished.
    bool GetInfo(UpdateInfo& out);

    // The running executable's path with "_latest" added to its name.
    static bool MakeDownloadDest(WString& out);
    // Ends every other process running the same executable file.
    static bool TerminateOtherTRELMInstances(WString& error);
    // The download's own check of a fetched update (a BodyCheck): exactly
    // the listed size, and an i386 Windows program that can replace this
    // one; the reason otherwise.
    static bool AcceptUpdateFile(const wchar_t* path, const download::DownloadInfoCommonFile& info, WString* reason);
    // Copies the executable to "TRELMUpdateHelper.exe" beside it and starts
    // that copy to replace it with newFile; on true the caller exits at once.
    static bool CreateUpdateHelperProcess(const wchar_t* newFile, WString& error);

protected:
    // Called on the worker thread once the result is stored.
    virtual void Notify() {}

private:
    static unsigned __stdcall Worker(void* service);

    UpdateInfo m_info;
    CRITICAL_SECTION m_lock;
    HANDLE m_thread = nullptr;
    volatile uint32_t m_abort = 0;
    volatile bool m_done = false;
};

// Posts message (both parameters 0) to window when the check is done.
class TRELMUpdateServiceWindowNotify : public TRELMUpdateService {
public:
    TRELMUpdateServiceWindowNotify(HWND window, UINT message) : m_window(window), m_message(message) {}

protected:
    void Notify() override;

private:
    HWND m_window;
    UINT m_message;
};

}  // namespace trelm
