// While one of these lives, the launcher's checked transfers (sign-in, the
// update list and executable) trust only the given CA file, so libcurl
// verifies the test server's certificate itself; Wine's TLS layer would
// accept any certificate. For binaries that link the download engine.
#pragma once

#include <string>

#include "download/VerifiedTls.h"
#include "tests/support/TestPaths.h"

namespace testing_support {

class VerifiedTlsRoots {
public:
    explicit VerifiedTlsRoots(const std::wstring& caFile) {
        trelm::download::SetVerifiedTlsRootsFile(Narrow(caFile).c_str());
    }
    ~VerifiedTlsRoots() { trelm::download::SetVerifiedTlsRootsFile(nullptr); }
    VerifiedTlsRoots(const VerifiedTlsRoots&) = delete;
    VerifiedTlsRoots& operator=(const VerifiedTlsRoots&) = delete;
};

}  // namespace testing_support
