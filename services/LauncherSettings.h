// The launcher's settings: what the player changes in the settings dialog,
// what the launcher remembers by itself, and per-version display names and
// hidden flags. Stored in "quorvel_launcher\setting.json" (UTF-16 with a
// byte-order mark); every key is checked on load, and a missing or bad key
// keeps its default.
#pragma once

#include <cstdint>
#include <map>

#include "core/FileUtils.h"
#include "core/WString.h"
#include "launcher/MinecraftList.h"
#include "services/JsonGetters.h"
#include "services/ProgramVersion.h"

struct GameWindowSetting {
    bool custom = false;
    bool fullScreen = false;  // never stored: set by the settings dialog for one run
    uint32_t w = 0;
    uint32_t h = 0;
    uint32_t customW = 0;
    uint32_t customH = 0;
};

struct ServerInfoSetting {
    bool enable = false;
    bool coloredString = false;
    WString address;
};

struct ManualJavaSetting {
    bool enable = false;
    WString path;
    uint32_t arch = 0;  // 0 or 1
};

struct ExtraArgumentSetting {
    bool enable = false;
    WString javaHead;
    WString javaTail;
    WString gameHead;
    WString gameTail;
};

struct ThemeSetting {
    bool useCustomColor = false;
    bool colorFollowBg = false;
    bool useSystemAnimation = false;
    uint32_t colorArgb = 0;
    HslColor color;        // in effect when the theme follows the background
    HslColor customColor;  // the player's own colour
    WString font;
};

struct TipSetting {
    bool javaVerLow = false;
    bool no64Java = false;
    bool java32XmxWarning = false;
};

struct UpdateOfferedSetting {
    LauncherVersion version;
    int64_t time = 0;  // seconds since 1970; -1 never
};

struct SettingsRecord {
    int32_t userType = 0;  // 1 online ("yggdrasil"), 0 offline
    WString mainframeTitle;
    WString gameVer;
    WString yggAccount;
    WString offlineName;
    WString offlineNameRegex;
    WString offlineNameMismatchHint;
    WString javaVersion;
    WString customVersion;
    WString backgroundImgFolder;
    uint32_t mainframeLayout = 0;
    int32_t javaXmx = 0;  // MB, -1 automatic
    bool useJavaexe = false;
    bool closeAfterLaunch = false;
    bool mcVersionSeparate = false;
    bool bmclapi = false;
    bool dlVerifySha1 = false;
    bool dontCheckAssets = false;
    bool outputGameLog = false;
    bool showUpdateInfo = false;
    GameWindowSetting gameWindow;
    ServerInfoSetting serverInfo;
    ManualJavaSetting manualJava;
    ExtraArgumentSetting extraArgs;
    ThemeSetting theme;
    TipSetting dontShowTip;
    UpdateOfferedSetting update;
};

struct GameVerSetting {
    WString alias;
    bool hidden = false;
};

struct ColorPreset {
    const wchar_t* name;
    uint32_t argb;
};
// The first row is the default theme colour.
extern const ColorPreset kColorPresets[6];

// Orders version ids by UTF-16 code units.
struct OrdinalLess {
    bool operator()(const WString& a, const WString& b) const;
};

class LauncherSettings {
public:
    LauncherSettings();  // defaults filled

    void SetDefaults();
    // Reads the file over the defaults; true only when it was read and its
    // root is a JSON object. A file that cannot be read changes nothing.
    bool Load();
    // False, writing nothing, while a file that could not be read is still
    // in place (see KeepUnreadFileAside).
    bool Save();
    // The last Load found the file but could not read it, and it has not
    // been kept aside yet.
    bool LoadFailed() const { return m_unreadFile.Blocks(); }
    // Keeps such a file as "<file>.bad" (KeepFileAside) so that Save may
    // write again; true when nothing is left in the way.
    bool KeepUnreadFileAside(WString* keptAs) { return m_unreadFile.KeepAside(m_path, keptAs); }

    const wchar_t* GetVersionAlias(const wchar_t* versionId) const;
    bool GetVersionAliasOrId(const wchar_t* versionId, WString& out) const;
    void FormatVersionDisplayName(WString& out, const wchar_t* versionId) const;
    bool IsVersionHidden(const wchar_t* versionId) const;
    void SetVersionAlias(const wchar_t* versionId, const wchar_t* alias);
    void SetVersionHidden(const wchar_t* versionId, bool hidden);

    // "quorvel_launcher\setting.json" unless changed (tests use their own).
    void SetFilePath(const wchar_t* path) {
        m_path = path;
        m_unreadFile = UnreadFileGuard();
    }
    const WString& FilePath() const { return m_path; }
    // Save writes map entries of these versions only (the launcher's list
    // unless changed).
    void SetInstalledVersions(const trelm::launcher::MinecraftList* list) { m_installed = list; }

    SettingsRecord current;
    SettingsRecord defaults;
    std::map<WString, GameVerSetting, OrdinalLess> game_ver_setting_map;

private:
    void ReadRecord(const JsonValue& root);
    void ReadVersionMap(const JsonValue& root);
    void WriteRecord(JsonValue& root, JsonAllocator& allocator) const;

    WString m_path;
    const trelm::launcher::MinecraftList* m_installed;
    UnreadFileGuard m_unreadFile;
};

extern LauncherSettings g_settings;
