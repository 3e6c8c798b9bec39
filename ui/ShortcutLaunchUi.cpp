// The download engine wants Winsock 2 before windows.h.
#include <winsock2.h>

#include "ui/ShortcutLaunchUi.h"

#include "WendalDui/Core/DlgMessageBox.h"
#include "ui/AuthAsynTask.h"
#include "ui/DownloadDialog.h"

namespace trelm {
namespace ui {

namespace {

// The sign-in gets two seconds before the wait dialog shows.
constexpr DWORD kSignInWaitMs = 2000;

}  // namespace

int CShortcutLaunchUi::ShowMessage(const wchar_t* caption, const wchar_t* text, int style, int icon) {
    return wendaldui::CDlgMessageBox::Show(NULL, caption, text, style, icon);
}

int CShortcutLaunchUi::RunDownload(std::vector<download::DownloadInfoBase*>& infos, const wchar_t* title,
                                   int64_t totalBytes) {
    // An unknown total (-1) shows no byte progress.
    const uint64_t total = totalBytes > 0 ? static_cast<uint64_t>(totalBytes) : 0;
    return RunDownloadDialog(NULL, NULL, title, infos, nullptr, total);
}

bool CShortcutLaunchUi::SignIn(const wchar_t* account, const wchar_t* password, WString* accessToken,
                               WString* profileId, WString* profileName, WString* message) {
    AuthAsynTask task(account, password);
    if (!RunAsynTask(&task, kSignInWaitMs, NULL) || !task.succeeded) {
        *message = task.authenticator.Message();
        return false;
    }
    *accessToken = task.accessToken;
    *profileId = task.profileId;
    *profileName = task.profileName;
    return true;
}

}  // namespace ui
}  // namespace trelm
