// Turns a downloaded Forge ".pack.xz" body into the library's jar: the check
// step of the Forge XZ download task, which runs it in place of a plain
// SHA-1 check.
#pragma once

#include <windows.h>

#include <vector>

#include "core/WString.h"
#include "launcher/ForgeLibraryPack.h"
#include "launcher/Unpack200.h"

namespace trelm {
namespace launcher {

// How the pipeline tells its task what it is doing.
class IForgeXZStatusSink {
public:
    // The task takes text as its message and reports event 3 (status text
    // changed) to its observer.
    virtual void OnForgeXZStatus(const wchar_t* text) = 0;

protected:
    ~IForgeXZStatusSink() = default;
};

class ForgeXZPipeline {
public:
    // target: the jar to write; checksums: the library's accepted digests of
    // "checksums.sha1"; stopEvent: the batch's stop event (may be null);
    // status may be null. All of them must outlive Run.
    ForgeXZPipeline(const wchar_t* target, const std::vector<ForgeChecksum>& checksums, HANDLE stopEvent,
                    IForgeXZStatusSink* status);

    void SetUnpackTimeout(DWORD milliseconds) { m_unpackTimeoutMs = milliseconds; }

    // downloaded: the open ".dl" file at downloadedPath (target + ".dl"),
    // opened for reading and writing. handleClosed becomes true once the
    // pipeline has closed that handle; the caller closes it otherwise, and
    // deletes the ".dl" file on failure. On success the target is a jar that
    // passed VerifyForgeLibrary; on failure a target that was there before
    // is left as it was and no file of the run but the ".dl" remains.
    bool Run(HANDLE downloaded, bool* handleClosed, const wchar_t* downloadedPath, WString* message);

private:
    bool AcceptPlainJar(HANDLE downloaded, bool* handleClosed, const wchar_t* downloadedPath, WString* message);
    bool FinishJar(const WString& jarPath, const wendal_::byte_buffer& signature, WString* message);
    bool MoveOntoTarget(const WString& from, WString* message);
    void Status(const wchar_t* text);

    WString m_target;
    const std::vector<ForgeChecksum>& m_checksums;
    HANDLE m_stopEvent;
    IForgeXZStatusSink* m_status;
    DWORD m_unpackTimeoutMs = kUnpack200TimeoutMs;
};

}  // namespace launcher
}  // namespace trelm
