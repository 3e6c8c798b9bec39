// A file written to disk: the body goes to "<target>.dl", is checked, and
// only then moved onto the target, so a failed, cut or aborted transfer
// never leaves a partial file under the target's name.
#pragma once

#include <memory>

#include "download/DownloadInfoCommonFile.h"
#include "download/DownloadTaskBase.h"

namespace CryptoPP {
class SHA1;
}

namespace trelm {
namespace download {

class DownloadTaskCommonFile : public DownloadTaskBase {
public:
    DownloadTaskCommonFile(DownloadManager* manager, DownloadInfoCommonFile* info, uint32_t index);
    ~DownloadTaskCommonFile() override;

protected:
    int32_t Prepare(CURL* curl, uint32_t u, uint32_t t) override;
    int32_t Evaluate(CURL* curl, CURLcode code, uint32_t u, uint32_t t) override;
    // Checks the file open at file (path). *handleClosed becomes true when
    // the check closed the handle itself; false with message on failure.
    virtual bool VerifySha1(HANDLE file, bool* handleClosed, const wchar_t* path, WString* message);
    // Puts the checked temporary file in place of the target.
    virtual bool MoveIntoPlace(const wchar_t* path, WString* message);

    const DownloadInfoCommonFile* FileInfo() const { return static_cast<const DownloadInfoCommonFile*>(m_info); }
    // Compares the file's SHA-1 with expected; "文件的SHA1不正确" otherwise.
    // The file being downloaded is not read again: its bytes were hashed on
    // their way to the disk.
    bool FileHasSha1(HANDLE file, const uint8_t expected[20], WString* message);
    // Whether the body is hashed as it is written (the kinds that check a
    // SHA-1 of the downloaded file itself).
    virtual bool HashesBody() const;

    WString m_temporaryPath;  // target + ".dl"

private:
    static size_t WriteBody(char* data, size_t size, size_t count, void* task);
    int32_t TryDownloadCache();
    // The description's own check of the temporary file; the file is closed
    // for it.
    bool AcceptsBody(WString* message);
    void CloseFile();
    void DiscardTemporaryFile();

    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::unique_ptr<CryptoPP::SHA1> m_bodyHash;  // of every byte written to m_file; null when not hashing
    DWORD m_writeError = 0;  // why the body could not be written to m_file; 0 while it could
};

}  // namespace download
}  // namespace trelm
