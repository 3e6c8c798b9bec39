#include "download/BoundedAnswer.h"

#include <utility>

namespace trelm {
namespace download {

BoundedAnswer::BoundedAnswer(uint32_t limit, std::function<bool()> aborted)
    : m_limit(limit), m_aborted(std::move(aborted)) {}

void BoundedAnswer::Attach(CURL* curl) {
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &BoundedAnswer::Write);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &BoundedAnswer::Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
}

size_t BoundedAnswer::Write(char* data, size_t size, size_t count, void* self) {
    BoundedAnswer* answer = static_cast<BoundedAnswer*>(self);
    const uint64_t bytes = static_cast<uint64_t>(size) * count;
    // Bounded here as well: a server that sends more than it announced must
    // not grow the buffer past the limit before the next progress call.
    if (bytes + answer->m_body.GetSize() >= answer->m_limit || answer->m_aborted() ||
        !answer->m_body.Write(data, static_cast<uint32_t>(bytes))) {
        answer->m_stopped = true;
        return 0;
    }
    return static_cast<size_t>(bytes);
}

int BoundedAnswer::Progress(void* self, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    BoundedAnswer* answer = static_cast<BoundedAnswer*>(self);
    if (total >= answer->m_limit || now >= answer->m_limit || answer->m_aborted()) {
        answer->m_stopped = true;
        return 1;
    }
    return 0;
}

}  // namespace download
}  // namespace trelm
