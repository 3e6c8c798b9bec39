#include "ui/AuthAsynTask.h"

namespace trelm {
namespace ui {

void AuthAsynTask::Run(PTP_CALLBACK_INSTANCE) {
    SetText(L"正在正版验证");
    succeeded = authenticator.Authenticate(m_account, m_password, &accessToken, &profileId, &profileName);
}

}  // namespace ui
}  // namespace trelm
