#include "download/CurlInit.h"

#include <curl/curl.h>

#include <mutex>

namespace trelm {
namespace download {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

}  // namespace download
}  // namespace trelm
