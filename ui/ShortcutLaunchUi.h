// The windows a shortcut launch shows without the launcher window: message
// boxes, the download dialog and the wait dialog of the sign-in.
#pragma once

#include "services/ShortcutLaunch.h"

namespace trelm {
namespace ui {

class CShortcutLaunchUi : public IShortcutLaunchUi {
public:
    int ShowMessage(const wchar_t* caption, const wchar_t* text, int style, int icon) override;
    int RunDownload(std::vector<download::DownloadInfoBase*>& infos, const wchar_t* title,
                    int64_t totalBytes) override;
    bool SignIn(const wchar_t* account, const wchar_t* password, WString* accessToken, WString* profileId,
                WString* profileName, WString* message) override;
};

}  // namespace ui
}  // namespace trelm
