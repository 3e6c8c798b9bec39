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
void RequireVerifiedTls(CURL* curl);

// For tests, before any transfer starts: the checked transfers trust only
// the certificates of this PEM file (a UTF-8 path), so that libcurl checks
// the chain and the host name itself rather than leaving it to a TLS layer
// that may accept anything (Wine's does). Null or "" goes back to the
// system store.
void SetVerifiedTlsRootsFile(const char* utf8Path);

}  // namespace download
}  // namespace trelm
