#include "download/VerifiedTls.h"

#include <cstring>

namespace trelm {
namespace download {

namespace {

// Empty for the system store. A plain array: it needs no construction.
char g_rootsFile[1024];

}  // namespace

void RequireVerifiedTls(CURL* curl) {
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
    // Set every time: download handles are reused between kinds of transfer.
    curl_easy_setopt(curl, CURLOPT_CAINFO, g_rootsFile[0] != '\0' ? g_rootsFile : nullptr);
}

void SetVerifiedTlsRootsFile(const char* utf8Path) {
    g_rootsFile[0] = '\0';
    if (utf8Path != nullptr && strlen(utf8Path) < sizeof g_rootsFile) strcpy(g_rootsFile, utf8Path);
}

}  // namespace download
}  // namespace trelm
