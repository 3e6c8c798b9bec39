// Desktop shortcuts that start one version with one account and the launch
// settings of the moment, without the launcher window: a launch file under
// "quorvel_launcher\shortcut_launch\" named by the SHA-1 of its text, and a
// shell link on the desktop that starts the launcher with "-sclaunch <id>".
#pragma once

#include <cstdint>
#include <vector>

#include "core/WString.h"

namespace trelm {
namespace download {
class DownloadInfoBase;
}

struct ShortcutLaunchInfo {
    int32_t userType = 0;  // 1 online, 0 offline
    int32_t heapMB = 1;
    int32_t width = 854;
    int32_t height = 480;
    WString versionId;
    WString name;  // login of an online account, player name offline
    WString uuid;
    WString password;  // plain; stored encrypted with the machine key
    WString customVersion;
    WString jvmHead;
    WString jvmTail;
    WString gameHead;
    WString gameTail;
    WString javaPath;  // the Java executable
    int32_t javaArch = 0;
    bool separateFolders = false;
    bool fullScreen = false;
};

// The launch file's text (indented JSON) and its id: 40 lower-case hex
// digits of the SHA-1 of that text's UTF-16LE code units.
bool BuildShortcutLaunchText(const ShortcutLaunchInfo& info, WString* text);
void ShortcutLaunchId(const WString& text, WString* id);
// The file of that id, checked key by key; false for a missing, damaged or
// foreign file (the password is left encrypted in info.password).
bool ReadShortcutLaunchFile(const wchar_t* id, ShortcutLaunchInfo* info);
// The link's file name: "<display text> <name>.lnk", both without the
// characters a file name cannot hold.
void ShortcutLinkName(const ShortcutLaunchInfo& info, WString* name);

// Writes the launch file and the desktop link.
bool CreateLaunchShortcut(const ShortcutLaunchInfo& info);

// What the windowless launch needs from the windows, so that it stays below
// them: message boxes, the download dialog and the sign-in behind the wait
// dialog.
class IShortcutLaunchUi {
public:
    virtual ~IShortcutLaunchUi() = default;
    // A message box without owner; the result id of the button.
    virtual int ShowMessage(const wchar_t* caption, const wchar_t* text, int style, int icon) = 0;
    // The download dialog over the descriptions, which it takes; 0 when every
    // file arrived.
    virtual int RunDownload(std::vector<download::DownloadInfoBase*>& infos, const wchar_t* title,
                            int64_t totalBytes) = 0;
    // Signs the account in on the thread pool, waiting 2,000 ms before the
    // wait dialog shows; the failure's text in message.
    virtual bool SignIn(const wchar_t* account, const wchar_t* password, WString* accessToken, WString* profileId,
                        WString* profileName, WString* message) = 0;
};

// argv holds the arguments after the executable. True only when the game was
// started; false when the command line is no shortcut launch and on every
// failure (after its message, where there is one).
bool DoShortcutLaunch(int argc, const wchar_t* const* argv, IShortcutLaunchUi& ui);

// "无法启动Minecraft %s\r\n%s" in a box captioned "提示"; always false.
bool ShowShortcutLaunchError(IShortcutLaunchUi& ui, const wchar_t* versionId, const wchar_t* message);

// What both launches tell the player whose game started without the output
// window asked for: the version's display text and the reason, as plain text
// for a message box.
WString RelayFailureText(const wchar_t* versionId, const WString& reason);

}  // namespace trelm
