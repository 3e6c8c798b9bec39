#include "services/LauncherSettings.h"

#include <climits>
#include <cwchar>

#include "WendalDui/Core/ColorConvert.h"
#include "core/GlobalOrder.h"
#include "core/TextFile.h"

const ColorPreset kColorPresets[6] = {
    {L"蓝色", 0xFF2868B8}, {L"灰色", 0xFF2C3E50}, {L"青色", 0xFF16A085},
    {L"绿色", 0xFF27AE60}, {L"橙色", 0xFFD35400}, {L"红色", 0xFFC0392B},
};

// Built in its place among the process-wide objects (core/GlobalOrder.h).
LauncherSettings g_settings QUORVEL_GLOBAL_ORDER(kOrderSettings);

namespace {

const wchar_t kSettingsPath[] = L"quorvel_launcher\\setting.json";
const uint32_t kAnyLength = UINT32_MAX;
const uint32_t kMaxWindowSide = 9999;
const int64_t kMaxSettingsFileSize = 0xA00000;

// Top-level keys in the order they are written.
struct FlagKey {
    const wchar_t* key;
    bool SettingsRecord::*field;
};
const FlagKey kTopLevelFlags[] = {
    {L"use_javaexe", &SettingsRecord::useJavaexe},
    {L"close_after_launch", &SettingsRecord::closeAfterLaunch},
    {L"mc_version_separate", &SettingsRecord::mcVersionSeparate},
    {L"bmclapi", &SettingsRecord::bmclapi},
    {L"dl_verify_sha1", &SettingsRecord::dlVerifySha1},
    {L"dont_check_assets", &SettingsRecord::dontCheckAssets},
    {L"output_game_log", &SettingsRecord::outputGameLog},
    {L"show_update_info", &SettingsRecord::showUpdateInfo},
};

struct TextKey {
    const wchar_t* key;
    WString SettingsRecord::*field;
};
const TextKey kTopLevelTexts[] = {
    {L"mainframe_title", &SettingsRecord::mainframeTitle},
    {L"game_ver", &SettingsRecord::gameVer},
    {L"ygg_account", &SettingsRecord::yggAccount},
    {L"offline_name", &SettingsRecord::offlineName},
    {L"offline_name_regex", &SettingsRecord::offlineNameRegex},
    {L"offline_name_mismatch_hint", &SettingsRecord::offlineNameMismatchHint},
    {L"java_version", &SettingsRecord::javaVersion},
    {L"custom_version", &SettingsRecord::customVersion},
    {L"background_img_folder", &SettingsRecord::backgroundImgFolder},
};

void PutBool(JsonValue& object, const wchar_t* key, bool value, JsonAllocator& allocator) {
    object.AddMember(JsonKey(key, allocator), JsonValue(value), allocator);
}

void PutUint(JsonValue& object, const wchar_t* key, uint32_t value, JsonAllocator& allocator) {
    object.AddMember(JsonKey(key, allocator), JsonValue(value), allocator);
}

void PutObject(JsonValue& object, const wchar_t* key, JsonValue& member, JsonAllocator& allocator) {
    object.AddMember(JsonKey(key, allocator), member, allocator);
}

void ReadText(const JsonValue& object, const wchar_t* key, WString& out) {
    GetJsonString(object, key, out, 0, kAnyLength);
}

}  // namespace

bool OrdinalLess::operator()(const WString& a, const WString& b) const {
    // wcscmp compares wchar_t values, which are UTF-16 code units here.
    return wcscmp(a.GetString(), b.GetString()) < 0;
}

LauncherSettings::LauncherSettings() : m_path(kSettingsPath), m_installed(&trelm::launcher::g_minecraftList) {
    SetDefaults();
    current = defaults;
}

void LauncherSettings::SetDefaults() {
    SettingsRecord& d = defaults;
    d.userType = 0;
    d.mainframeTitle = L"TRELM v%trelm_ver%";
    d.offlineName = L"quorvel";
    d.backgroundImgFolder = L"quorvel_launcher\\img\\";
    d.mainframeLayout = 1;
    d.javaXmx = -1;
    d.useJavaexe = false;
    d.closeAfterLaunch = false;
    d.mcVersionSeparate = false;
    d.bmclapi = true;
    d.dlVerifySha1 = true;
    d.dontCheckAssets = false;
    d.outputGameLog = false;
    d.showUpdateInfo = true;
    d.gameWindow = GameWindowSetting();
    d.gameWindow.w = 854;
    d.gameWindow.h = 480;
    d.gameWindow.customW = 854;
    d.gameWindow.customH = 480;
    d.theme.colorArgb = kColorPresets[0].argb;
    d.theme.color = HslColor();
    float hsl[3];
    wendaldui::ArgbToHsl(kColorPresets[0].argb, hsl);
    d.theme.customColor.h = hsl[0];
    d.theme.customColor.s = hsl[1];
    d.theme.customColor.l = hsl[2];
    d.theme.font = L"微软雅黑";
    GetLauncherVersion(d.update.version);
    d.update.time = -1;
}

bool LauncherSettings::Load() {
    // Read as the runtime's Unicode text mode does: a file without a
    // byte-order mark (edited by hand and saved as ANSI) is in the ANSI code
    // page, not UTF-8.
    WString text;
    JsonDocument document;
    const bool read = ReadTextFile(m_path, &text, kMaxSettingsFileSize) && ParseJsonText(text, &document) &&
                      document.IsObject();
    m_unreadFile.AfterLoad(read, m_path);
    if (!read) return false;
    current = defaults;
    ReadRecord(document);
    ReadVersionMap(document);
    return true;
}

void LauncherSettings::ReadRecord(const JsonValue& root) {
    SettingsRecord& r = current;
    const wchar_t* userType = nullptr;
    if (GetJsonString(root, L"user_type", userType, 0)) r.userType = wcscmp(userType, L"yggdrasil") == 0 ? 1 : 0;
    GetJsonString(root, L"mainframe_title", r.mainframeTitle, 1, 64);
    ReadText(root, L"game_ver", r.gameVer);
    ReadText(root, L"ygg_account", r.yggAccount);
    ReadText(root, L"offline_name", r.offlineName);
    // The hint belongs to the expression; without a usable one it is dropped.
    if (GetJsonRegex(root, r.offlineNameRegex)) ReadText(root, L"offline_name_mismatch_hint", r.offlineNameMismatchHint);
    ReadText(root, L"java_version", r.javaVersion);
    ReadText(root, L"custom_version", r.customVersion);
    ReadText(root, L"background_img_folder", r.backgroundImgFolder);
    GetJsonUnsigned(root, L"mainframe_layout", r.mainframeLayout, 0, UINT32_MAX);
    GetJsonSigned(root, L"java_xmx", r.javaXmx, INT32_MIN, INT32_MAX);
    for (const FlagKey& flag : kTopLevelFlags) GetJsonBool(root, flag.key, r.*flag.field);

    if (const JsonValue* size = FindJsonMember(root, L"game_window_size")) {
        GetJsonBool(*size, L"custom", r.gameWindow.custom);
        GetJsonUnsigned(*size, L"w", r.gameWindow.w, 0, kMaxWindowSide);
        GetJsonUnsigned(*size, L"h", r.gameWindow.h, 0, kMaxWindowSide);
        GetJsonUnsigned(*size, L"custom_w", r.gameWindow.customW, 0, kMaxWindowSide);
        GetJsonUnsigned(*size, L"custom_h", r.gameWindow.customH, 0, kMaxWindowSide);
    }
    if (const JsonValue* motd = FindJsonMember(root, L"motd")) {
        GetJsonBool(*motd, L"enable", r.serverInfo.enable);
        GetJsonBool(*motd, L"colored_string", r.serverInfo.coloredString);
        ReadText(*motd, L"address", r.serverInfo.address);
    }
    if (const JsonValue* java = FindJsonMember(root, L"manual_java")) {
        GetJsonBool(*java, L"enable", r.manualJava.enable);
        ReadText(*java, L"path", r.manualJava.path);
        uint32_t arch = 0;
        if (GetJsonUnsigned(*java, L"arch", arch, 0, 1)) r.manualJava.arch = arch;
    }
    if (const JsonValue* args = FindJsonMember(root, L"custom_game_arg")) {
        GetJsonBool(*args, L"enable", r.extraArgs.enable);
        ReadText(*args, L"java_addition_arg_head", r.extraArgs.javaHead);
        ReadText(*args, L"java_addition_arg_tail", r.extraArgs.javaTail);
        ReadText(*args, L"mc_addition_arg_head", r.extraArgs.gameHead);
        ReadText(*args, L"mc_addition_arg_tail", r.extraArgs.gameTail);
    }
    if (const JsonValue* theme = FindJsonMember(root, L"theme")) {
        GetJsonBool(*theme, L"use_custom_color", r.theme.useCustomColor);
        GetJsonBool(*theme, L"color_follow_bg", r.theme.colorFollowBg);
        GetJsonBool(*theme, L"use_system_animation", r.theme.useSystemAnimation);
        GetJsonUnsigned(*theme, L"color_argb", r.theme.colorArgb, 0, UINT32_MAX);
        GetJsonHsl(*theme, L"color", r.theme.color);
        GetJsonHsl(*theme, L"custom_color", r.theme.customColor);
        ReadText(*theme, L"font", r.theme.font);
    }
    if (const JsonValue* tips = FindJsonMember(root, L"dont_show_tip")) {
        GetJsonBool(*tips, L"java_ver_low", r.dontShowTip.javaVerLow);
        GetJsonBool(*tips, L"no_64java", r.dontShowTip.no64Java);
        GetJsonBool(*tips, L"java32_xmx_warning", r.dontShowTip.java32XmxWarning);
    }
    if (const JsonValue* update = FindJsonMember(root, L"update")) {
        GetJsonVersion(*update, r.update.version);
        GetJsonTime(*update, r.update.time, INT64_MIN, INT64_MAX);
    }
}

void LauncherSettings::ReadVersionMap(const JsonValue& root) {
    game_ver_setting_map.clear();
    const JsonValue* list = FindJsonMember(root, L"game_ver_setting_map");
    if (list == nullptr || !list->IsArray()) return;
    for (const JsonValue& entry : list->GetArray()) {
        WString id;
        if (!GetJsonString(entry, L"original", id, 0, kAnyLength)) continue;
        GameVerSetting setting;
        ReadText(entry, L"alias", setting.alias);
        GetJsonBool(entry, L"hidden", setting.hidden);
        game_ver_setting_map.emplace(id, setting);  // the first entry of an id wins
    }
}

void LauncherSettings::WriteRecord(JsonValue& root, JsonAllocator& allocator) const {
    const SettingsRecord& r = current;
    LauncherVersion running;
    GetLauncherVersion(running);
    WString programVersion;
    programVersion.Format(L"%d.%d.%d.%d-%S", running.major, running.minor, running.build, running.revision,
                          kLauncherChannel);
    PutJsonString(root, L"trelm_version", programVersion, allocator);
    PutJsonString(root, L"user_type", r.userType == 1 ? L"yggdrasil" : L"offline", allocator);
    for (const TextKey& text : kTopLevelTexts) PutJsonString(root, text.key, r.*text.field, allocator);
    PutUint(root, L"mainframe_layout", r.mainframeLayout, allocator);
    root.AddMember(JsonKey(L"java_xmx", allocator), JsonValue(r.javaXmx), allocator);
    for (const FlagKey& flag : kTopLevelFlags) PutBool(root, flag.key, r.*flag.field, allocator);

    JsonValue size(rapidjson::kObjectType);
    PutBool(size, L"custom", r.gameWindow.custom, allocator);
    PutUint(size, L"w", r.gameWindow.w, allocator);
    PutUint(size, L"h", r.gameWindow.h, allocator);
    PutUint(size, L"custom_w", r.gameWindow.customW, allocator);
    PutUint(size, L"custom_h", r.gameWindow.customH, allocator);
    PutObject(root, L"game_window_size", size, allocator);

    JsonValue motd(rapidjson::kObjectType);
    PutBool(motd, L"enable", r.serverInfo.enable, allocator);
    PutBool(motd, L"colored_string", r.serverInfo.coloredString, allocator);
    PutJsonString(motd, L"address", r.serverInfo.address, allocator);
    PutObject(root, L"motd", motd, allocator);

    JsonValue java(rapidjson::kObjectType);
    PutBool(java, L"enable", r.manualJava.enable, allocator);
    PutJsonString(java, L"path", r.manualJava.path, allocator);
    PutUint(java, L"arch", r.manualJava.arch, allocator);
    PutObject(root, L"manual_java", java, allocator);

    JsonValue args(rapidjson::kObjectType);
    PutBool(args, L"enable", r.extraArgs.enable, allocator);
    PutJsonString(args, L"java_addition_arg_head", r.extraArgs.javaHead, allocator);
    PutJsonString(args, L"java_addition_arg_tail", r.extraArgs.javaTail, allocator);
    PutJsonString(args, L"mc_addition_arg_head", r.extraArgs.gameHead, allocator);
    PutJsonString(args, L"mc_addition_arg_tail", r.extraArgs.gameTail, allocator);
    PutObject(root, L"custom_game_arg", args, allocator);

    JsonValue theme(rapidjson::kObjectType);
    PutBool(theme, L"use_custom_color", r.theme.useCustomColor, allocator);
    PutBool(theme, L"color_follow_bg", r.theme.colorFollowBg, allocator);
    PutBool(theme, L"use_system_animation", r.theme.useSystemAnimation, allocator);
    PutUint(theme, L"color_argb", r.theme.colorArgb, allocator);
    PutJsonHsl(theme, L"color", r.theme.color, allocator);
    PutJsonHsl(theme, L"custom_color", r.theme.customColor, allocator);
    PutJsonString(theme, L"font", r.theme.font, allocator);
    PutObject(root, L"theme", theme, allocator);

    JsonValue tips(rapidjson::kObjectType);
    PutBool(tips, L"java_ver_low", r.dontShowTip.javaVerLow, allocator);
    PutBool(tips, L"no_64java", r.dontShowTip.no64Java, allocator);
    PutBool(tips, L"java32_xmx_warning", r.dontShowTip.java32XmxWarning, allocator);
    PutObject(root, L"dont_show_tip", tips, allocator);

    JsonValue update(rapidjson::kObjectType);
    PutJsonVersion(update, r.update.version, allocator);
    update.AddMember(JsonKey(L"time", allocator), JsonValue(static_cast<int64_t>(r.update.time)), allocator);
    PutObject(root, L"update", update, allocator);
}

bool LauncherSettings::Save() {
    if (m_unreadFile.Blocks()) return false;
    JsonDocument document(rapidjson::kObjectType);
    JsonAllocator& allocator = document.GetAllocator();
    WriteRecord(document, allocator);

    JsonValue list(rapidjson::kArrayType);
    for (const auto& entry : game_ver_setting_map) {
        // Empty entries and those of deleted versions stay in memory only.
        if (entry.second.alias.IsEmpty() && !entry.second.hidden) continue;
        if (m_installed == nullptr || m_installed->FindById(entry.first) < 0) continue;
        JsonValue item(rapidjson::kObjectType);
        PutJsonString(item, L"original", entry.first, allocator);
        PutJsonString(item, L"alias", entry.second.alias, allocator);
        PutBool(item, L"hidden", entry.second.hidden, allocator);
        list.PushBack(item, allocator);
    }
    document.AddMember(JsonKey(L"game_ver_setting_map", allocator), list, allocator);

    WString text;
    return JsonToText(document, &text) && WriteTextFile(m_path, text, true);
}

const wchar_t* LauncherSettings::GetVersionAlias(const wchar_t* versionId) const {
    const auto found = game_ver_setting_map.find(WString(versionId));
    if (found == game_ver_setting_map.end() || found->second.alias.IsEmpty()) return nullptr;
    return found->second.alias;
}

bool LauncherSettings::GetVersionAliasOrId(const wchar_t* versionId, WString& out) const {
    const wchar_t* alias = GetVersionAlias(versionId);
    out = alias != nullptr ? alias : versionId;
    return alias != nullptr;
}

void LauncherSettings::FormatVersionDisplayName(WString& out, const wchar_t* versionId) const {
    const wchar_t* alias = GetVersionAlias(versionId);
    if (alias != nullptr)
        out.Format(L"%s(%s)", alias, versionId);
    else
        out = versionId;
}

bool LauncherSettings::IsVersionHidden(const wchar_t* versionId) const {
    const auto found = game_ver_setting_map.find(WString(versionId));
    return found != game_ver_setting_map.end() && found->second.hidden;
}

void LauncherSettings::SetVersionAlias(const wchar_t* versionId, const wchar_t* alias) {
    game_ver_setting_map[WString(versionId)].alias = alias;
}

void LauncherSettings::SetVersionHidden(const wchar_t* versionId, bool hidden) {
    game_ver_setting_map[WString(versionId)].hidden = hidden;
}
