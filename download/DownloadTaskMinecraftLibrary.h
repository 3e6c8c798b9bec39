// A game library. When its version JSON gives no SHA-1 (flag 0x100), the
// digest is fetched first from "<url>.sha1" and the file checked against it.
#pragma once

#include "core/byte_buffer.h"
#include "download/DownloadTaskCommonFile.h"

namespace trelm {
namespace download {

// The ".sha1" answer: exactly 40 hex digits, nothing before or after them.
// Anything longer is cut off as soon as it passes this many bytes.
constexpr uint32_t kSha1AnswerMaxBytes = 40;
// Time limit of one ".sha1" request.
constexpr long kSha1FetchTimeoutMs = 20000;

// Parses a ".sha1" answer as above; false for anything else.
bool ParseSha1Answer(const uint8_t* body, size_t size, uint8_t digest[20]);

class DownloadTaskMinecraftLibrary : public DownloadTaskCommonFile {
public:
    DownloadTaskMinecraftLibrary(DownloadManager* manager, DownloadInfoMinecraftLibrary* info, uint32_t index);

protected:
    int32_t Prepare(CURL* curl, uint32_t u, uint32_t t) override;
    bool VerifySha1(HANDLE file, bool* handleClosed, const wchar_t* path, WString* message) override;

private:
    enum FetchOutcome { kFetched, kFetchTryAgain, kFetchNextUrl };

    static int FetchProgress(void* task, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t);
    static size_t FetchWrite(char* data, size_t size, size_t count, void* task);
    bool FetchSha1(CURL* curl);
    FetchOutcome FetchSha1Once(CURL* curl, uint32_t u);

    uint8_t m_fetchedSha1[20] = {};
    int32_t m_answerTooLong = 0;
    wendal_::byte_buffer* m_answer = nullptr;  // the answer being fetched
};

}  // namespace download
}  // namespace trelm
