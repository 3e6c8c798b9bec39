// The shortcut launch's sign-in, run on the thread pool behind the wait
// dialog (the launcher window is not open then).
#pragma once

#include "launcher/YggdrasilAuthenticate.h"
#include "ui/AsynTask.h"

namespace trelm {
namespace ui {

class AuthAsynTask : public CAsynTask {
public:
    // Both texts are borrowed and must outlive the task's run.
    AuthAsynTask(const wchar_t* account, const wchar_t* password) : m_account(account), m_password(password) {}
    ~AuthAsynTask() = default;

    void Run(PTP_CALLBACK_INSTANCE instance) override;

    WString accessToken;
    WString profileId;
    WString profileName;
    bool succeeded = false;
    launcher::YggdrasilAuthenticate authenticator;

private:
    const wchar_t* m_account;
    const wchar_t* m_password;
};

}  // namespace ui
}  // namespace trelm
