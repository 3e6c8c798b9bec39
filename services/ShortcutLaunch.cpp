#include "services/ShortcutLaunch.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>

#include "WendalDui/Core/DlgMessageBox.h"
#include "WendalDui/Core/FormattedText.h"
#include "core/Encoding.h"
#include "core/FileUtils.h"
#include "core/JsonFile.h"
#include "core/Sha1.h"
#include "core/ShellLink.h"
#include "core/TextFile.h"
#include "download/DownloadInfoBase.h"
#include "launcher/MinecraftLauncher2.h"
#include "launcher/Unpack200.h"
#include "services/JsonGetters.h"
#include "services/LauncherSettings.h"
#include "services/MachineKey.h"
#include "services/ProgramVersion.h"

namespace trelm {

namespace {

constexpr wchar_t kShortcutFolder[] = L"quorvel_launcher\\shortcut_launch\\";
constexpr int64_t kMaxShortcutFileSize = 0x400000;
constexpr uint32_t kAnyLength = 0xFFFFFFFFu;

using wendaldui::kResultYes;

// Owns the descriptions until the download dialog takes them, on every path.
struct DownloadList {
    std::vector<download::DownloadInfoBase*> infos;
    ~DownloadList() {
        for (download::DownloadInfoBase* info : infos) delete info;
    }
};

void PutInt(JsonValue& object, const wchar_t* key, int32_t value, JsonAllocator& allocator) {
    object.AddMember(JsonKey(key, allocator), JsonValue(value), allocator);
}

void PutBool(JsonValue& object, const wchar_t* key, bool value, JsonAllocator& allocator) {
    object.AddMember(JsonKey(key, allocator), JsonValue(value), allocator);
}

void CleanDisplayName(const wchar_t* versionId, WString* out) {
    g_settings.FormatVersionDisplayName(*out, versionId);
    RemoveInvalidFileNameChars(*out);
}

// Only an id as CreateLaunchShortcut writes it (40 lower-case hex digits)
// names a launch file, so the command line cannot walk out of the folder.
bool IsShortcutId(const wchar_t* id) {
    if (!id || wcslen(id) != 40) return false;
    for (const wchar_t* c = id; *c; ++c) {
        if (!((*c >= L'0' && *c <= L'9') || (*c >= L'a' && *c <= L'f'))) return false;
    }
    return true;
}

bool ShortcutPath(const wchar_t* id, WString* path) {
    if (!IsShortcutId(id)) return false;
    *path = kShortcutFolder;
    path->Append(id);
    return true;
}

bool AskYesNo(IShortcutLaunchUi& ui, const wchar_t* text) {
    return ui.ShowMessage(L"提示", text, wendaldui::kBoxYesNo, wendaldui::kIconQuestion) == kResultYes;
}

}  // namespace

bool BuildShortcutLaunchText(const ShortcutLaunchInfo& info, WString* text) {
    WString password;
    // An offline shortcut needs no password, so a missing key only fails an online one.
    if (!EncryptWithMachineKey(info.password.GetString(), password) && info.userType == 1) return false;
    LauncherVersion version;
    GetLauncherVersion(version);
    WString versionText;
    versionText.Format(L"%d.%d.%d.%d-%S", version.major, version.minor, version.build, version.revision,
                       kLauncherChannel);

    JsonDocument document;
    document.SetObject();
    JsonAllocator& a = document.GetAllocator();
    PutInt(document, L"user_type", info.userType, a);
    PutInt(document, L"xmx", info.heapMB, a);
    PutInt(document, L"w", info.width, a);
    PutInt(document, L"h", info.height, a);
    PutJsonString(document, L"trelm_ver", versionText.GetString(), a);
    PutJsonString(document, L"game_ver", info.versionId.GetString(), a);
    PutJsonString(document, L"name", info.name.GetString(), a);
    PutJsonString(document, L"uuid", info.uuid.GetString(), a);
    PutJsonString(document, L"pw", password.GetString(), a);
    PutJsonString(document, L"custom_version", info.customVersion.GetString(), a);
    PutJsonString(document, L"jvm_addition_head", info.jvmHead.GetString(), a);
    PutJsonString(document, L"jvm_addition_tail", info.jvmTail.GetString(), a);
    PutJsonString(document, L"mc_addition_head", info.gameHead.GetString(), a);
    PutJsonString(document, L"mc_addition_tail", info.gameTail.GetString(), a);
    PutJsonString(document, L"java_path", info.javaPath.GetString(), a);
    PutInt(document, L"java_arch", info.javaArch, a);
    PutBool(document, L"mc_version_separate", info.separateFolders, a);
    PutBool(document, L"full_screen", info.fullScreen, a);
    return JsonToText(document, text);
}

void ShortcutLaunchId(const WString& text, WString* id) {
    // wchar_t is UTF-16LE on Windows: its bytes are the ones hashed.
    uint8_t digest[kSha1DigestSize];
    Sha1OfBuffer(text.GetString(), static_cast<size_t>(text.GetLength()) * sizeof(wchar_t), digest);
    *id = HexEncode(digest, kSha1DigestSize);
}

bool ReadShortcutLaunchFile(const wchar_t* id, ShortcutLaunchInfo* info) {
    WString path, text;
    JsonDocument document;
    if (!ShortcutPath(id, &path) || !ReadTextFile(path.GetString(), &text, kMaxShortcutFileSize) ||
        !ParseJsonText(text.GetString(), &document) || !document.IsObject()) {
        return false;
    }
    uint32_t userType = 0, javaArch = 0;
    const JsonValue& root = document;
    return GetJsonUnsigned(root, L"user_type", userType, 0, 1) &&
           GetJsonSigned(root, L"xmx", info->heapMB, 1, 2147483647) &&
           GetJsonSigned(root, L"w", info->width, 1, 99999) && GetJsonSigned(root, L"h", info->height, 1, 99999) &&
           GetJsonString(root, L"game_ver", info->versionId, 0, kAnyLength) &&
           GetJsonString(root, L"name", info->name, 0, kAnyLength) &&
           GetJsonString(root, L"uuid", info->uuid, 0, kAnyLength) &&
           GetJsonString(root, L"pw", info->password, 0, kAnyLength) &&
           GetJsonString(root, L"custom_version", info->customVersion, 0, kAnyLength) &&
           GetJsonString(root, L"jvm_addition_head", info->jvmHead, 0, kAnyLength) &&
           GetJsonString(root, L"jvm_addition_tail", info->jvmTail, 0, kAnyLength) &&
           GetJsonString(root, L"mc_addition_head", info->gameHead, 0, kAnyLength) &&
           GetJsonString(root, L"mc_addition_tail", info->gameTail, 0, kAnyLength) &&
           GetJsonString(root, L"java_path", info->javaPath, 0, kAnyLength) &&
           GetJsonUnsigned(root, L"java_arch", javaArch, 0, 1) &&
           GetJsonBool(root, L"mc_version_separate", info->separateFolders) &&
           GetJsonBool(root, L"full_screen", info->fullScreen) &&
           ((info->userType = static_cast<int32_t>(userType)), (info->javaArch = static_cast<int32_t>(javaArch)),
            true);
}

void ShortcutLinkName(const ShortcutLaunchInfo& info, WString* name) {
    WString display, player = info.name;
    CleanDisplayName(info.versionId.GetString(), &display);
    // The player's name has no character rule of its own: "a/b" or "..\x"
    // must not fail the link or place it outside the desktop.
    RemoveInvalidFileNameChars(player);
    name->Format(L"%s %s.lnk", display.GetString(), player.GetString());
}

bool CreateLaunchShortcut(const ShortcutLaunchInfo& info) {
    wchar_t* desktop = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_Desktop, 0, NULL, &desktop)) || !desktop) {
        CoTaskMemFree(desktop);
        return false;
    }
    WString linkName, linkPath;
    ShortcutLinkName(info, &linkName);
    linkPath.Format(L"%s\\%s", desktop, linkName.GetString());
    CoTaskMemFree(desktop);

    wchar_t executable[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(NULL, executable, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    WString folder = executable;
    const int slash = folder.ReverseFind(L'\\');
    if (slash < 0) return false;
    folder.Truncate(slash);

    WString display, description;
    CleanDisplayName(info.versionId.GetString(), &display);
    description.Format(L"版本：%s; %s：%s; 游戏内存：%u", display.GetString(), info.userType == 1 ? L"账号" : L"昵称",
                       info.name.GetString(), static_cast<uint32_t>(info.heapMB));

    WString text, id, filePath, arguments;
    if (!BuildShortcutLaunchText(info, &text)) return false;
    ShortcutLaunchId(text, &id);
    filePath.Format(L"%s%s", kShortcutFolder, id.GetString());
    if (!WriteTextFile(filePath.GetString(), text.GetString(), false)) return false;
    arguments.Format(L"-sclaunch %s", id.GetString());
    return CreateShellLink(executable, description.GetString(), linkPath.GetString(), arguments.GetString(),
                           folder.GetString());
}

bool ShowShortcutLaunchError(IShortcutLaunchUi& ui, const wchar_t* versionId, const wchar_t* message) {
    WString display, text;
    g_settings.FormatVersionDisplayName(display, versionId);
    text.Format(L"无法启动Minecraft %s\r\n%s", wendaldui::EscapeMarkup(display).GetString(),
                wendaldui::EscapeMarkup(message).GetString());
    ui.ShowMessage(L"提示", text.GetString(), wendaldui::kBoxOk, 0);
    return false;
}

WString RelayFailureText(const wchar_t* versionId, const WString& reason) {
    WString display, text;
    g_settings.FormatVersionDisplayName(display, versionId);
    text.Format(L"Minecraft %s已启动，但无法打开游戏输出窗口\r\n%s", wendaldui::EscapeMarkup(display).GetString(),
                wendaldui::EscapeMarkup(reason).GetString());
    return text;
}

bool DoShortcutLaunch(int argc, const wchar_t* const* argv, IShortcutLaunchUi& ui) {
    if (argc != 2 || wcscmp(argv[0], L"-sclaunch") != 0) return false;
    ShortcutLaunchInfo info;
    if (!ReadShortcutLaunchFile(argv[1], &info)) return false;
    WString password;
    if (info.userType == 1 && !DecryptWithMachineKey(info.password.GetString(), password)) return false;

    launcher::LaunchJvmOptions jvm;
    jvm.jvmHead = info.jvmHead;
    jvm.jvmTail = info.jvmTail;
    jvm.heapMB = info.heapMB;
    launcher::LaunchGameOptions game;
    game.gameHead = info.gameHead;
    game.gameTail = info.gameTail;
    game.versionType = info.customVersion;
    game.accountKind = info.userType;
    game.width = info.width;
    game.height = info.height;
    game.separateFolders = info.separateFolders;
    game.fullScreen = info.fullScreen;
    if (info.userType != 1) {
        game.playerName = info.name;
        game.uuid = info.uuid;
    }
    launcher::JavaRuntimeInfo java;
    java.path = info.javaPath;
    java.versionText = L"java_sclaunch";
    java.is64Bit = static_cast<uint32_t>(info.javaArch);

    const SettingsRecord& settings = g_settings.current;
    const wchar_t* id = info.versionId.GetString();
    launcher::MinecraftLauncher2 launcher(L"");
    launcher.useMirror = settings.bmclapi;
    launcher.verifyDownloadSha1 = settings.dlVerifySha1;
    launcher.verifyLocalSha1 = false;
    launcher.SetVersionAndJava(id, java);
    launcher::SetUnpack200PathFromJava(&java);

    DownloadList files;
    int64_t total = 0;
    if (!launcher.CheckClientJar(files.infos, total) ||
        (!settings.dontCheckAssets && !launcher.CheckAssetIndex(files.infos, total)) ||
        !launcher.CheckLibraries(files.infos, total)) {
        return ShowShortcutLaunchError(ui, id, launcher.GetErrorMsg().GetString());
    }
    if (!files.infos.empty() && ui.RunDownload(files.infos, L"正在下载需要的文件", total) != 0) return false;

    if (!settings.dontCheckAssets) {
        DownloadList objects;
        total = 0;
        if (!launcher.CheckAssetObjects(objects.infos, total)) {
            if (!AskYesNo(ui, L"无法检查资源文件完整性，是否继续启动？")) return false;
        } else if (!objects.infos.empty() && AskYesNo(ui, L"检查到资源文件不完整，是否补全？") &&
                   ui.RunDownload(objects.infos, L"正在下载资源文件", total) != 0 &&
                   !AskYesNo(ui, L"资源文件下载失败，是否继续启动？")) {
            return false;
        }
    }
    if (!launcher.ExtractNatives()) return ShowShortcutLaunchError(ui, id, launcher.GetErrorMsg().GetString());
    if (!settings.dontCheckAssets) launcher.CopyLegacyAssets();

    if (info.userType == 1) {
        WString token, profileId, profileName, message, text;
        if (!ui.SignIn(info.name.GetString(), password.GetString(), &token, &profileId, &profileName, &message)) {
            text.Format(L"正版验证失败\r\n错误原因:\r\n%s", wendaldui::EscapeMarkup(message).GetString());
            ui.ShowMessage(L"提示", text.GetString(), wendaldui::kBoxOk, 0);
            return false;
        }
        game.playerName = profileName;
        game.accessToken = token;
        game.uuid = profileId;
    }

    WString display;
    g_settings.FormatVersionDisplayName(display, id);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_FORCEONFEEDBACK;
    PROCESS_INFORMATION process = {};
    WString relayFailure;
    if (!launcher.LaunchWithRedirect(jvm, game, display, settings.outputGameLog, &startup, &process,
                                     &relayFailure)) {
        return ShowShortcutLaunchError(ui, id, launcher.GetErrorMsg().GetString());
    }
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    if (!relayFailure.IsEmpty()) {
        ui.ShowMessage(L"提示", RelayFailureText(id, relayFailure).GetString(), wendaldui::kBoxOk,
                       wendaldui::kIconWarning);
    }
    return true;
}

}  // namespace trelm
