#include "download/DownloadTaskMinecraftLibrary.h"

#include "core/Encoding.h"
#include "core/byte_buffer.h"
#include "download/DownloadManager.h"

namespace trelm {
namespace download {

bool ParseSha1Answer(const uint8_t* body, size_t size, uint8_t digest[20]) {
    if (size != 40) return false;
    wchar_t text[40];
    for (size_t i = 0; i < 40; ++i) text[i] = body[i];
    return HexDecode(text, digest, 20);
}

DownloadTaskMinecraftLibrary::DownloadTaskMinecraftLibrary(DownloadManager* manager,
                                                           DownloadInfoMinecraftLibrary* info, uint32_t index)
    : DownloadTaskCommonFile(manager, info, index) {}

int32_t DownloadTaskMinecraftLibrary::Prepare(CURL* curl, uint32_t u, uint32_t t) {
    if (u == 0 && t == 0 && (m_info->flags & kFlagFetchSha1)) {
        const bool fetched = FetchSha1(curl);
        // The fetch's own options (time-out, writer) must not reach the
        // file transfer.
        curl_easy_reset(curl);
        curl_easy_setopt(curl, CURLOPT_SHARE, m_manager->GetShare());
        if (!fetched) return kPrepareFailed;
    }
    return DownloadTaskCommonFile::Prepare(curl, u, t);
}

bool DownloadTaskMinecraftLibrary::VerifySha1(HANDLE file, bool* handleClosed, const wchar_t*, WString* message) {
    *handleClosed = false;
    if (m_info->flags & kFlagSha1Given) return FileHasSha1(file, m_info->sha1, message);
    if (m_info->flags & kFlagFetchSha1) return FileHasSha1(file, m_fetchedSha1, message);
    return true;
}

bool DownloadTaskMinecraftLibrary::FetchSha1(CURL* curl) {
    const uint32_t urlCount = static_cast<uint32_t>(m_info->urls.size());
    for (uint32_t u = 0; u < urlCount; ++u) {
        for (uint32_t t = 0; t < kTriesPerUrl; ++t) {
            if (IsStopping()) return false;
            SetMessage(L"正在获取SHA1 url:%d,尝试:%d", static_cast<int>(u), static_cast<int>(t));
            NotifyObserver(kTaskStatusText);
            const FetchOutcome outcome = FetchSha1Once(curl, u);
            if (outcome == kFetched) return true;
            if (outcome == kFetchNextUrl) break;
        }
    }
    return false;  // the last message stays
}

DownloadTaskMinecraftLibrary::FetchOutcome DownloadTaskMinecraftLibrary::FetchSha1Once(CURL* curl, uint32_t u) {
    wendal_::byte_buffer answer;
    m_answer = &answer;
    m_answerTooLong = 0;
    AString url(m_info->urls[u].url);
    url.Append(".sha1", 5);

    SetCommonOptions(curl, u, 0);
    curl_easy_setopt(curl, CURLOPT_URL, url.GetString());
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, 0L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, kSha1FetchTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 16384L);  // the answer is 40 bytes at most
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &DownloadTaskMinecraftLibrary::FetchProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &DownloadTaskMinecraftLibrary::FetchWrite);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    const CURLcode code = curl_easy_perform(curl);
    m_answer = nullptr;

    if (code != CURLE_OK) {
        if (m_answerTooLong) {
            SetMessageText(L"返回的SHA1无效");
            return kFetchNextUrl;
        }
        SetMessage(L"无法获取SHA1 %S", TransferErrorText(code));
        return kFetchTryAgain;
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) {
        SetMessage(L"无法获取SHA1 Http代码%d", static_cast<int>(status));
        return kFetchTryAgain;
    }
    if (!ParseSha1Answer(answer.GetData(), answer.GetSize(), m_fetchedSha1)) {
        SetMessageText(L"返回的SHA1无效");
        return kFetchNextUrl;
    }
    return kFetched;
}

int DownloadTaskMinecraftLibrary::FetchProgress(void* param, curl_off_t total, curl_off_t now, curl_off_t,
                                                curl_off_t) {
    DownloadTaskMinecraftLibrary* task = static_cast<DownloadTaskMinecraftLibrary*>(param);
    if ((total > kSha1AnswerMaxBytes || now > kSha1AnswerMaxBytes) && !task->InRedirect()) {
        task->m_answerTooLong = 1;
        return 1;
    }
    return task->IsStopping() ? 1 : 0;
}

size_t DownloadTaskMinecraftLibrary::FetchWrite(char* data, size_t size, size_t count, void* param) {
    DownloadTaskMinecraftLibrary* task = static_cast<DownloadTaskMinecraftLibrary*>(param);
    const size_t bytes = size * count;
    // Checked here too: the progress call may come only after the body.
    if (task->m_answer->GetSize() + bytes > kSha1AnswerMaxBytes) {
        task->m_answerTooLong = 1;
        return 0;
    }
    return wendal_::WriteToByteBuffer(data, size, count, task->m_answer);
}

}  // namespace download
}  // namespace trelm
