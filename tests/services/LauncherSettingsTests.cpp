#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/TextFile.h"
#include "launcher/MinecraftList.h"
#include "services/LauncherSettings.h"
#include "services/OfflineNameRule.h"
#include "tests/support/TestPaths.h"

using testing_support::ReadBytes;
using testing_support::TempDir;

namespace {

// A settings file exactly as Save writes it (LF here, CR LF on disk).
const wchar_t kFullSettings[] = LR"({
    "trelm_version": "1.2.4.0-release",
    "user_type": "yggdrasil",
    "mainframe_title": "我的启动器 %trelm_ver%",
    "game_ver": "1.12.2-forge",
    "ygg_account": "player@example.com",
    "offline_name": "Steve",
    "offline_name_regex": "^[A-Za-z0-9_]{3,16}$",
    "offline_name_mismatch_hint": "名字只能由3到16个字母、数字或下划线组成",
    "java_version": "1.8.0_151",
    "custom_version": "Quorvel",
    "background_img_folder": "D:\\壁纸\\",
    "mainframe_layout": 4294967295,
    "java_xmx": 3072,
    "use_javaexe": true,
    "close_after_launch": true,
    "mc_version_separate": true,
    "bmclapi": false,
    "dl_verify_sha1": false,
    "dont_check_assets": true,
    "output_game_log": true,
    "show_update_info": false,
    "game_window_size": {
        "custom": true,
        "w": 9999,
        "h": 0,
        "custom_w": 1280,
        "custom_h": 720
    },
    "motd": {
        "enable": true,
        "colored_string": true,
        "address": "mc.example.com:25566"
    },
    "manual_java": {
        "enable": true,
        "path": "C:\\Java\\bin\\javaw.exe",
        "arch": 1
    },
    "custom_game_arg": {
        "enable": true,
        "java_addition_arg_head": "-XX:+UseG1GC",
        "java_addition_arg_tail": "-Dfile.encoding=UTF-8",
        "mc_addition_arg_head": "--demo",
        "mc_addition_arg_tail": "--server \"a b\""
    },
    "theme": {
        "use_custom_color": true,
        "color_follow_bg": true,
        "use_system_animation": true,
        "color_argb": 4281085563,
        "color": {
            "h": 210.5,
            "s": 0.25,
            "l": 0.75
        },
        "custom_color": {
            "h": 360.0,
            "s": 1.0,
            "l": 0.0
        },
        "font": "宋体"
    },
    "dont_show_tip": {
        "java_ver_low": true,
        "no_64java": true,
        "java32_xmx_warning": true
    },
    "update": {
        "version": "1.3.0.7",
        "time": 9223372036854775807
    },
    "game_ver_setting_map": [
        {
            "original": "1.12.2-forge",
            "alias": "",
            "hidden": true
        },
        {
            "original": "1.8.9",
            "alias": "PVP 用",
            "hidden": false
        }
    ]
})";

class SettingsFile : public testing::Test {
protected:
    SettingsFile() : installed(dir.Path().c_str()) {
        path = dir / L"quorvel_launcher\\setting.json";
        settings.SetFilePath(path.c_str());
        settings.SetInstalledVersions(&installed);
        for (const wchar_t* id : {L"1.8.9", L"1.12.2-forge"}) {
            trelm::launcher::VersionInfo info;
            info.id = id;
            installed.versions.push_back(info);
        }
    }

    bool LoadText(const std::wstring& json) {
        EXPECT_TRUE(WriteTextFile(path.c_str(), json.c_str(), true));
        return settings.Load();
    }

    TempDir dir;
    std::wstring path;
    trelm::launcher::MinecraftList installed;
    LauncherSettings settings;
};

std::wstring Text(const WString& text) { return text.GetString(); }
std::wstring Number(int64_t value) { return std::to_wstring(value); }
std::wstring Hsl(const HslColor& c) {
    return std::to_wstring(c.h) + L"," + std::to_wstring(c.s) + L"," + std::to_wstring(c.l);
}

}  // namespace

// The other defaults show in the table below as the values bad keys keep.
TEST(LauncherSettingsDefaults, CustomColourIsTheFirstPresetInHsl) {
    LauncherSettings settings;
    const HslColor& custom = settings.defaults.theme.customColor;
    // #2868B8: hue 213.3, saturation 0.643, lightness 0.439.
    EXPECT_NEAR(213.33, custom.h, 0.01);
    EXPECT_NEAR(0.6429, custom.s, 0.001);
    EXPECT_NEAR(0.4392, custom.l, 0.001);
    EXPECT_EQ(0xFF2868B8u, settings.defaults.theme.colorArgb);
    EXPECT_EQ(L"微软雅黑", Text(settings.defaults.theme.font));
    EXPECT_FALSE(settings.defaults.gameWindow.fullScreen);
}

// Each row is a file holding one key (group) and the value the record must
// show afterwards: near misses keep the default, boundary values are taken.
TEST_F(SettingsFile, EveryKeyIsValidatedOnItsOwn) {
    const std::wstring title64(64, L'标');
    const std::wstring title65(65, L'标');
    struct Row {
        std::wstring json;
        std::function<std::wstring(const SettingsRecord&)> field;
        std::wstring expected;
    };
    auto title = [](const SettingsRecord& r) { return Text(r.mainframeTitle); };
    auto userType = [](const SettingsRecord& r) { return Number(r.userType); };
    auto xmx = [](const SettingsRecord& r) { return Number(r.javaXmx); };
    auto layout = [](const SettingsRecord& r) { return Number(r.mainframeLayout); };
    auto bmclapi = [](const SettingsRecord& r) { return Number(r.bmclapi); };
    auto windowW = [](const SettingsRecord& r) { return Number(r.gameWindow.w); };
    auto windowAll = [](const SettingsRecord& r) {
        return Number(r.gameWindow.custom) + L"," + Number(r.gameWindow.h) + L"," + Number(r.gameWindow.customW);
    };
    auto arch = [](const SettingsRecord& r) { return Number(r.manualJava.arch); };
    auto regex = [](const SettingsRecord& r) { return Text(r.offlineNameRegex) + L"|" + Text(r.offlineNameMismatchHint); };
    auto color = [](const SettingsRecord& r) { return Hsl(r.theme.color); };
    auto argb = [](const SettingsRecord& r) { return Number(r.theme.colorArgb); };
    auto update = [](const SettingsRecord& r) {
        const LauncherVersion& v = r.update.version;
        return Number(v.major) + L"." + Number(v.minor) + L"." + Number(v.build) + L"." + Number(v.revision) + L"@" +
               Number(r.update.time);
    };
    auto motd = [](const SettingsRecord& r) { return Number(r.serverInfo.enable) + L"," + Text(r.serverInfo.address); };
    const Row rows[] = {
        {LR"("mainframe_title": "")", title, L"TRELM v%trelm_ver%"},
        {L"\"mainframe_title\": \"" + title65 + L"\"", title, L"TRELM v%trelm_ver%"},
        {L"\"mainframe_title\": \"" + title64 + L"\"", title, title64},
        {LR"("mainframe_title": 5)", title, L"TRELM v%trelm_ver%"},
        {LR"("offline_name": 5, "background_img_folder": null)",
         [](const SettingsRecord& r) { return Text(r.offlineName) + L"|" + Text(r.backgroundImgFolder); },
         L"quorvel|quorvel_launcher\\img\\"},
        {LR"("offline_name": "", "show_update_info": 1)",
         [](const SettingsRecord& r) { return Text(r.offlineName) + Number(r.showUpdateInfo); }, L"1"},
        {LR"("user_type": "yggdrasil")", userType, L"1"},
        {LR"("user_type": "YGGDRASIL")", userType, L"0"},
        {LR"("user_type": 1)", userType, L"0"},
        {LR"("java_xmx": 1024.5)", xmx, L"-1"},
        {LR"("java_xmx": 2147483648)", xmx, L"-1"},
        {LR"("java_xmx": "2048")", xmx, L"-1"},
        {LR"("java_xmx": -2147483648)", xmx, L"-2147483648"},
        {LR"("java_xmx": 2048)", xmx, L"2048"},
        {LR"("mainframe_layout": 4294967296)", layout, L"1"},
        {LR"("mainframe_layout": -1)", layout, L"1"},
        {LR"("mainframe_layout": 4294967295)", layout, L"4294967295"},
        {LR"("bmclapi": 0)", bmclapi, L"1"},
        {LR"("bmclapi": "false")", bmclapi, L"1"},
        {LR"("bmclapi": false)", bmclapi, L"0"},
        {LR"("game_window_size": {"w": 10000})", windowW, L"854"},
        {LR"("game_window_size": {"w": 9999})", windowW, L"9999"},
        {LR"("game_window_size": {"w": 800.0})", windowW, L"854"},
        {LR"("game_window_size": [1, 2])", windowW, L"854"},
        // One bad member of a group keeps only itself at the default.
        {LR"("game_window_size": {"custom": true, "h": -1, "custom_w": 0})", windowAll, L"1,480,0"},
        {LR"("manual_java": {"arch": 2})", arch, L"0"},
        {LR"("manual_java": {"arch": 1})", arch, L"1"},
        {LR"("offline_name_regex": "[a-", "offline_name_mismatch_hint": "提示")", regex, L"|"},
        {LR"("offline_name_regex": 7, "offline_name_mismatch_hint": "提示")", regex, L"|"},
        {LR"("offline_name_regex": "^\\w{3,16}$", "offline_name_mismatch_hint": "提示")", regex, L"^\\w{3,16}$|提示"},
        // Rules that would overflow the stack or spin are dropped like the
        // ones that do not compile; a rule that only backtracks is matched
        // without backtracking and kept.
        {L"\"offline_name_regex\": \"" + std::wstring(30000, L'(') + std::wstring(30000, L')') +
             L"\", \"offline_name_mismatch_hint\": \"提示\"",
         regex, L"|"},
        {L"\"offline_name_regex\": \"" + std::wstring(257, L'a') + L"\"", regex, L"|"},
        {L"\"offline_name_regex\": \"" + std::wstring(256, L'a') + L"\"", regex, std::wstring(256, L'a') + L"|"},
        {LR"r("offline_name_regex": "(((((((((((((((((a)))))))))))))))))")r", regex, L"|"},
        {LR"r("offline_name_regex": "((a{200}){200}){200}")r", regex, L"|"},
        {LR"("offline_name_regex": "a{99999}")", regex, L"|"},
        {LR"r("offline_name_regex": "^(.)\\1$")r", regex, L"|"},  // back-references need backtracking
        {LR"r("offline_name_regex": "^(a|a)*$", "offline_name_mismatch_hint": "提示")r", regex, L"^(a|a)*$|提示"},
        {LR"("theme": {"color": {"h": 120, "s": 0.5, "l": 0.5}})", color, Hsl(HslColor())},
        {LR"("theme": {"color": {"h": 120.0, "s": 1.5, "l": 0.5}})", color, Hsl(HslColor())},
        {LR"("theme": {"color": {"h": 360.5, "s": 0.5, "l": 0.5}})", color, Hsl(HslColor())},
        {LR"("theme": {"color": {"h": 120.0, "s": 0.5}})", color, Hsl(HslColor())},
        {LR"("theme": {"color": {"h": 120.0, "s": 0.5, "l": 5e-1}})", color, Hsl(HslColor{120.0f, 0.5f, 0.5f})},
        {LR"("theme": {"color_argb": 4294967295})", argb, L"4294967295"},
        {LR"("theme": {"color_argb": 1e3})", argb, Number(0xFF2868B8)},
        {LR"("update": {"version": "1.3.0", "time": 1.5})", update, L"1.2.4.0@-1"},
        {LR"("update": {"version": "1.3.0.0.1", "time": "5"})", update, L"1.2.4.0@-1"},
        {LR"("update": {"version": "1.3.0.7", "time": -9223372036854775808})", update,
         L"1.3.0.7@-9223372036854775808"},
        {LR"("motd": "on")", motd, L"0,"},
        {LR"("motd": {"enable": true, "address": ["x"]})", motd, L"1,"},
    };
    for (const Row& row : rows) {
        const std::string shown = testing_support::Narrow(row.json);
        ASSERT_TRUE(LoadText(L"{" + row.json + L"}")) << shown;
        EXPECT_EQ(row.expected, row.field(settings.current)) << shown;
    }
}

// The nickname check runs at start-up on the stored name: no rule the
// getter takes may hang it, and the usual ones keep their meaning.
TEST(OfflineNameRule, MatchesWholeNamesInBoundedTime) {
    const struct {
        const wchar_t* rule;
        std::wstring name;
        bool matches;
    } cases[] = {
        {L"^[A-Za-z0-9_]{3,16}$", L"Steve_01", true},
        {L"^[A-Za-z0-9_]{3,16}$", L"St", false},
        {L"[\\u4e00-\\u9fa5]{2,4}", L"小明", true},
        {L"(?!admin)[a-z]+", L"admin", false},
        {L"[a-z]+", L"abc1", false},  // the whole name, not a part
        {L"", L"", true},
        // 2^40 ways to fail under backtracking (79 s for 31 letters).
        {L"^(a|a)*$", std::wstring(40, L'a') + L"!", false},
        {L"^(a|a)*$", std::wstring(31, L'a'), true},
        // About the largest rule taken, against the longest name.
        {L"^(a?){190}(a|aa)*$", std::wstring(255, L'a') + L"b", false},
        {L"^(.)\\1$", L"aa", false},  // refused, so nothing matches
        {L"[a-z]+", std::wstring(trelm::kMaxNameLength + 1, L'a'), false},
    };
    for (const auto& c : cases) {
        const DWORD start = GetTickCount();
        EXPECT_EQ(c.matches, trelm::NameMatchesRule(c.rule, c.name.c_str())) << testing_support::Narrow(c.rule);
        // Far below what backtracking takes on any machine: hours.
        EXPECT_LT(GetTickCount() - start, 30000u) << testing_support::Narrow(c.rule);
    }
}

// A file that is there but cannot be read (cut short, not an object) changes
// nothing and is never written over; kept aside, it gives way to a new file
// under a name that no earlier kept file loses. A missing file is a first
// start, not a failure.
TEST_F(SettingsFile, UnreadFileChangesNothingAndIsKeptAsideNotWrittenOver) {
    ASSERT_TRUE(LoadText(kFullSettings));
    const std::wstring full = kFullSettings;
    const std::wstring cut = full.substr(0, full.size() - 40);
    for (const std::wstring& text : {cut, std::wstring(L"[1, 2]"), std::wstring(L""), std::wstring(L"\"text\"")}) {
        EXPECT_FALSE(LoadText(text)) << testing_support::Narrow(text);
        EXPECT_TRUE(settings.LoadFailed());
        EXPECT_EQ(3072, settings.current.javaXmx);
        EXPECT_EQ(L"Steve", Text(settings.current.offlineName));
        EXPECT_STREQ(L"PVP 用", settings.GetVersionAlias(L"1.8.9"));
        const std::string unread = ReadBytes(path);
        EXPECT_FALSE(settings.Save());
        EXPECT_EQ(unread, ReadBytes(path));
    }
    WString kept;
    ASSERT_TRUE(settings.KeepUnreadFileAside(&kept));
    EXPECT_EQ(path + L".bad", Text(kept));
    EXPECT_FALSE(settings.LoadFailed());
    ASSERT_TRUE(settings.Save());
    ASSERT_TRUE(settings.Load());
    EXPECT_EQ(3072, settings.current.javaXmx);
    const std::string firstKept = ReadBytes(path + L".bad");
    EXPECT_FALSE(LoadText(cut));
    ASSERT_TRUE(settings.KeepUnreadFileAside(&kept));
    EXPECT_EQ(path + L".bad2", Text(kept));
    EXPECT_EQ(firstKept, ReadBytes(path + L".bad"));

    settings.SetFilePath((dir / L"missing\\setting.json").c_str());
    EXPECT_FALSE(settings.Load());
    EXPECT_FALSE(settings.LoadFailed());
    EXPECT_EQ(3072, settings.current.javaXmx);
}

// A bad value never wipes its neighbours; a good file replaces the map.
TEST_F(SettingsFile, BadKeysKeepTheirDefaultsAlone) {
    settings.SetVersionAlias(L"1.8.9", L"PVP");
    EXPECT_TRUE(LoadText(L"{}"));
    EXPECT_EQ(nullptr, settings.GetVersionAlias(L"1.8.9"));
    ASSERT_TRUE(LoadText(LR"({"java_xmx": "x", "offline_name": "Alex", "theme": {"font": 3, "color_follow_bg": true}})"));
    EXPECT_EQ(-1, settings.current.javaXmx);
    EXPECT_EQ(L"Alex", Text(settings.current.offlineName));
    EXPECT_EQ(L"微软雅黑", Text(settings.current.theme.font));
    EXPECT_TRUE(settings.current.theme.colorFollowBg);
}

// A file saved by hand without a byte-order mark is in the ANSI code page,
// not UTF-8.
TEST_F(SettingsFile, FileWithoutByteOrderMarkIsAnsi) {
    // "史蒂夫" under code page 936, "Amélie" under 1252: not UTF-8 either way.
    const wchar_t* name = L"\u53F2\u8482\u592B";
    const auto file = [](const wchar_t* player) { return std::wstring(L"{\"offline_name\": \"") + player + L"\"}"; };
    if (!WriteTextFile(path.c_str(), file(name).c_str(), false)) name = L"Am\u00E9lie";
    ASSERT_TRUE(WriteTextFile(path.c_str(), file(name).c_str(), false));
    ASSERT_NE("\xFF\xFE", ReadBytes(path).substr(0, 2));
    ASSERT_TRUE(settings.Load());
    EXPECT_EQ(std::wstring(name), Text(settings.current.offlineName));
}

TEST_F(SettingsFile, VersionMapReadingAndDisplayNames) {
    ASSERT_TRUE(LoadText(LR"({"game_ver_setting_map": [
        {"original": "1.8.9", "alias": "PVP"},
        {"original": "1.8.9", "alias": "second", "hidden": true},
        {"alias": "no id"}, 5, {"original": 7},
        {"original": "b1.7.3", "hidden": true, "alias": 1}]})"));
    EXPECT_EQ(2u, settings.game_ver_setting_map.size());
    EXPECT_STREQ(L"PVP", settings.GetVersionAlias(L"1.8.9"));
    EXPECT_FALSE(settings.IsVersionHidden(L"1.8.9"));
    EXPECT_TRUE(settings.IsVersionHidden(L"b1.7.3"));
    EXPECT_EQ(nullptr, settings.GetVersionAlias(L"b1.7.3"));  // empty alias is no alias
    EXPECT_FALSE(settings.IsVersionHidden(L"1.8.9 "));        // exact ids only

    WString out;
    settings.FormatVersionDisplayName(out, L"1.8.9");
    EXPECT_EQ(L"PVP(1.8.9)", Text(out));
    settings.FormatVersionDisplayName(out, L"b1.7.3");
    EXPECT_EQ(L"b1.7.3", Text(out));
    EXPECT_TRUE(settings.GetVersionAliasOrId(L"1.8.9", out));
    EXPECT_FALSE(settings.GetVersionAliasOrId(L"x", out));
    EXPECT_EQ(L"x", Text(out));

    settings.SetVersionHidden(L"1.8.9", true);
    EXPECT_STREQ(L"PVP", settings.GetVersionAlias(L"1.8.9"));
    settings.SetVersionAlias(L"new", L"N");
    EXPECT_FALSE(settings.IsVersionHidden(L"new"));
}

// A full file reads into every field and is written back byte for byte; only
// entries of installed versions that carry something are written.
TEST_F(SettingsFile, FullFileRoundTripIsByteStable) {
    ASSERT_TRUE(LoadText(kFullSettings));
    const std::string original = ReadBytes(path);
    ASSERT_EQ("\xFF\xFE", original.substr(0, 2));
    EXPECT_EQ(3072, settings.current.javaXmx);
    EXPECT_EQ(L"--server \"a b\"", Text(settings.current.extraArgs.gameTail));
    EXPECT_EQ(3u, settings.current.update.version.minor);
    EXPECT_EQ(7u, settings.current.update.version.revision);
    EXPECT_FALSE(settings.current.gameWindow.fullScreen);

    settings.SetVersionAlias(L"deleted-version", L"gone");
    settings.SetVersionAlias(L"1.7.10", L"");
    settings.SetVersionHidden(L"1.7.10", false);
    installed.versions.push_back(trelm::launcher::VersionInfo());
    installed.versions.back().id = L"1.7.10";
    settings.current.gameWindow.fullScreen = true;  // never stored
    ASSERT_TRUE(settings.Save());
    EXPECT_EQ(original, ReadBytes(path));
    EXPECT_FALSE(testing_support::Exists(path + L".tmp"));

    // Values that are not exact in decimal still read back to the same float.
    settings.current.theme.customColor = HslColor{359.9f, 0.3f, 0.1f};
    ASSERT_TRUE(settings.Save());
    const std::string once = ReadBytes(path);
    ASSERT_TRUE(settings.Load());
    EXPECT_EQ(0.3f, settings.current.theme.customColor.s);
    ASSERT_TRUE(settings.Save());
    EXPECT_EQ(once, ReadBytes(path));
}

TEST_F(SettingsFile, FailedSaveKeepsTheOldFile) {
    ASSERT_TRUE(LoadText(kFullSettings));
    const std::string original = ReadBytes(path);
    // A folder where the temporary file would go makes the write fail.
    ASSERT_TRUE(CreateDirectoryW((path + L".tmp").c_str(), nullptr));
    settings.current.javaXmx = 1;
    EXPECT_FALSE(settings.Save());
    EXPECT_EQ(original, ReadBytes(path));
}
