// Small answers fetched straight into memory (the sign-in answer, the update
// list): kept up to a limit, with an abort check, outside the download engine.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <functional>

#include "core/byte_buffer.h"

namespace trelm {
namespace download {

class BoundedAnswer {
public:
    // An answer of limit bytes or more, announced or received, ends the
    // transfer, as does aborted() turning true.
    BoundedAnswer(uint32_t limit, std::function<bool()> aborted);

    // Points the handle's write and progress callbacks at this answer.
    void Attach(CURL* curl);

    const wendal_::byte_buffer& Body() const { return m_body; }
    // The transfer was ended by the limit or the abort check.
    bool Stopped() const { return m_stopped; }

private:
    static size_t Write(char* data, size_t size, size_t count, void* self);
    static int Progress(void* self, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t);

    wendal_::byte_buffer m_body;
    const uint32_t m_limit;
    const std::function<bool()> m_aborted;
    bool m_stopped = false;
};

}  // namespace download
}  // namespace trelm
