#include "download/CurlInit.h"

#include <curl/curl.h>

#include <mutex>

namespace trelm {
namespace download {

bool InitCurlOnce() {
    static std::once_flag once;
    static CURLcode result = CURLE_OK;
    std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_ALL); });
    return result == CURLE_OK;
}

}  // namespace download
}  // namespace trelm
