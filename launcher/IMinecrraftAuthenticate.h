// A sign-in of an online account: blocking, single-shot, abortable from
// another thread. (The interface keeps its historical spelling.)
#pragma once

#include <atomic>
#include <cstdint>

#include "core/WString.h"
#include "core/noncopyable.h"

namespace trelm {
namespace launcher {

enum AuthenticateResult : int32_t {
    kAuthOk = 0,
    kAuthTransferFailed = 1,  // the request failed to start or to transfer
    kAuthNotJson = 2,         // the answer is not a JSON object
    kAuthRefused = 3,         // the server answered with error fields
};

class IMinecrraftAuthenticate : private wendal_::noncopyable {
public:
    virtual ~IMinecrraftAuthenticate() = default;
    virtual bool Authenticate(const wchar_t* user, const wchar_t* password, WString* accessToken,
                              WString* profileId, WString* profileName) = 0;
    virtual void Abort() = 0;

    const WString& Message() const { return message; }
    int32_t Result() const { return result; }

protected:
    WString message;
    int32_t result = kAuthOk;
    std::atomic<bool> abort{false};
};

}  // namespace launcher
}  // namespace trelm
