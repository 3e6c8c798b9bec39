// The HTTP library's process-wide set-up.
#pragma once

namespace trelm {
namespace download {

// curl_global_init exactly once, whichever thread asks first: the library's
// own lazy initialisation is not safe against another thread's. False when
// that one initialisation failed.
bool InitCurlOnce();

}  // namespace download
}  // namespace trelm
