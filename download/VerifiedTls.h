// TLS settings for transfers whose answer decides what the player's machine
// runs or which carry a password: the update list and executable, sign-in.
// Game files stay unchecked, as the mirrors have always been reached.
#pragma once

#include <curl/curl.h>

namespace trelm {
namespace download {

// The server's certificate and host name are checked against the system
// store; a revocation server that cannot be reached does not fail the
// transfer.
inline void RequireVerifiedTls(CURL* curl) {
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
}

}  // namespace download
}  // namespace trelm
