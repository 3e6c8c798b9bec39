// Signs an account in with the Yggdrasil protocol's "/authenticate" request
// and returns the access token and the selected game profile.
#pragma once

#include <string>

#include "launcher/IMinecrraftAuthenticate.h"

namespace trelm {
namespace launcher {

class YggdrasilAuthenticate : public IMinecrraftAuthenticate {
public:
    // Answers this large or larger are cut off as a transfer error.
    static const uint32_t kMaxAnswerSize = 0xA00000;

    ~YggdrasilAuthenticate() override = default;
    bool Authenticate(const wchar_t* user, const wchar_t* password, WString* accessToken, WString* profileId,
                      WString* profileName) override;
    // Stops a running Authenticate at its transfer's next progress call.
    void Abort() override;

    // The request body, UTF-8.
    static std::string BuildRequestBody(const wchar_t* user, const wchar_t* password);

private:
    bool ReadAnswer(const WString& text, WString* accessToken, WString* profileId, WString* profileName);
};

}  // namespace launcher
}  // namespace trelm
