// Desktop shortcuts: the launch file and its id, the checks it must pass to
// be read back, the link's name and file, and the command lines that are no
// shortcut launch.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "WendalDui/Core/DlgMessageBox.h"
#include "core/TextFile.h"
#include "services/LauncherSettings.h"
#include "services/MachineKey.h"
#include "services/ShortcutLaunch.h"
#include "tests/support/TestPaths.h"

namespace {

using namespace trelm;
using testing_support::Exists;
using testing_support::TempDir;

ShortcutLaunchInfo Sample() {
    ShortcutLaunchInfo info;
    info.userType = 0;
    info.heapMB = 2048;
    info.versionId = L"1.7.10";
    info.name = L"Steve";
    info.uuid = L"0123456789abcdef0123456789abcdef";
    info.javaPath = L"C:\\Java\\bin\\javaw.exe";
    info.gameTail = L"--server mc.example.com";
    info.fullScreen = true;
    return info;
}

// Runs in a folder of its own, as the launcher runs in its own folder.
class ShortcutFiles : public testing::Test {
protected:
    ShortcutFiles() {
        GetCurrentDirectoryW(MAX_PATH, m_old);
        SetCurrentDirectoryW(m_dir.Path().c_str());
        InitMachineKeyFromId(L"1234TESTPCplayer");
    }
    ~ShortcutFiles() override { SetCurrentDirectoryW(m_old); }

    // Writes the text as the launch file of its own id; returns the id.
    std::wstring Store(const WString& text) {
        WString id;
        ShortcutLaunchId(text, &id);
        WriteTextFile((L"quorvel_launcher\\shortcut_launch\\" + std::wstring(id.GetString())).c_str(),
                      text.GetString(), false);
        return id.GetString();
    }

    TempDir m_dir;
    wchar_t m_old[MAX_PATH];
};

TEST_F(ShortcutFiles, SameSettingsSameIdAndEveryFieldReadsBack) {
    WString a, b, c, idA, idB, idC;
    ASSERT_TRUE(BuildShortcutLaunchText(Sample(), &a));
    ASSERT_TRUE(BuildShortcutLaunchText(Sample(), &b));
    ShortcutLaunchInfo changed = Sample();
    changed.height = 481;
    ASSERT_TRUE(BuildShortcutLaunchText(changed, &c));
    ShortcutLaunchId(a, &idA);
    ShortcutLaunchId(b, &idB);
    ShortcutLaunchId(c, &idC);
    EXPECT_EQ(40, idA.GetLength());
    EXPECT_TRUE(idA == idB);
    EXPECT_FALSE(idA == idC);
    EXPECT_NE(-1, a.Find(L"\"trelm_ver\": \"1.2.4.0-release\""));

    ShortcutLaunchInfo online = Sample();
    online.userType = 1;
    online.password = L"秘密";
    WString text;
    ASSERT_TRUE(BuildShortcutLaunchText(online, &text));
    EXPECT_EQ(-1, text.Find(L"秘密"));  // never stored in the clear
    ShortcutLaunchInfo read;
    ASSERT_TRUE(ReadShortcutLaunchFile(Store(text).c_str(), &read));
    EXPECT_EQ(1, read.userType);
    EXPECT_EQ(2048, read.heapMB);
    EXPECT_TRUE(read.versionId == L"1.7.10");
    EXPECT_TRUE(read.gameTail == L"--server mc.example.com");
    EXPECT_TRUE(read.fullScreen);
    WString password;
    ASSERT_TRUE(DecryptWithMachineKey(read.password.GetString(), password));
    EXPECT_TRUE(password == L"秘密");
}

TEST_F(ShortcutFiles, ABadFileOrIdIsRefusedSilently) {
    WString good;
    ASSERT_TRUE(BuildShortcutLaunchText(Sample(), &good));
    const struct {
        const wchar_t* from;
        const wchar_t* to;
        bool accepted;
    } cases[] = {
        {L"\"w\": 854", L"\"w\": 0", false},
        {L"\"w\": 854", L"\"w\": 100000", false},
        {L"\"w\": 854", L"\"w\": 99999", true},
        {L"\"xmx\": 2048", L"\"xmx\": 0", false},
        {L"\"user_type\": 0", L"\"user_type\": 2", false},
        {L"\"full_screen\": true", L"\"full_screen\": 1", false},
        {L"    \"java_arch\": 0,\n", L"", false},  // a required key missing
        {L"    \"trelm_ver\": \"1.2.4.0-release\",\n", L"", true},  // the only optional key
    };
    for (const auto& c : cases) {
        std::wstring edited = good.GetString();
        const size_t at = edited.find(c.from);
        ASSERT_NE(std::wstring::npos, at) << testing_support::Narrow(c.from);
        const WString text = edited.replace(at, wcslen(c.from), c.to).c_str();
        ShortcutLaunchInfo info;
        EXPECT_EQ(c.accepted, ReadShortcutLaunchFile(Store(text).c_str(), &info)) << testing_support::Narrow(c.to);
    }
    // Only 40 hex digits name a launch file: nothing outside the folder is read.
    testing_support::WriteBytes(m_dir / L"quorvel_launcher\\outside", testing_support::Narrow(good.GetString()));
    ShortcutLaunchInfo info;
    for (const wchar_t* id : {L"..\\outside", L"", L"0123"}) EXPECT_FALSE(ReadShortcutLaunchFile(id, &info));
    // The id of a stored file, but in capitals: not an id the launcher writes.
    std::wstring upper = Store(good);
    for (wchar_t& c : upper) c = towupper(c);
    EXPECT_FALSE(ReadShortcutLaunchFile(upper.c_str(), &info));
    const wchar_t* notShortcut[][3] = {{L"-sclaunch", nullptr, nullptr}, {L"-sclaunch", L"a", L"b"}};
    struct NoUi : IShortcutLaunchUi {
        int ShowMessage(const wchar_t*, const wchar_t*, int, int) override { return ADD_FAILURE(), 0; }
        int RunDownload(std::vector<download::DownloadInfoBase*>&, const wchar_t*, int64_t) override {
            return ADD_FAILURE(), 2;
        }
        bool SignIn(const wchar_t*, const wchar_t*, WString*, WString*, WString*, WString*) override {
            return ADD_FAILURE(), false;
        }
    } ui;
    EXPECT_FALSE(DoShortcutLaunch(1, notShortcut[0], ui));
    EXPECT_FALSE(DoShortcutLaunch(3, notShortcut[1], ui));
    const wchar_t* unknown[] = {L"-sclaunch", L"0123456789012345678901234567890123456789"};
    EXPECT_FALSE(DoShortcutLaunch(2, unknown, ui));  // no such file: no message
}

// Texts from outside (a version id of the file and the error naming it, the
// sign-in server's reason) reach the message box as plain text: every '<'
// doubled, so none of them draws a tag or a link.
TEST_F(ShortcutFiles, OutsideTextsReachTheBoxAsPlainText) {
    struct RecordingUi : IShortcutLaunchUi {
        std::vector<std::wstring> texts;
        int ShowMessage(const wchar_t*, const wchar_t* text, int, int) override {
            texts.push_back(text);
            return wendaldui::kResultOk;
        }
        int RunDownload(std::vector<download::DownloadInfoBase*>&, const wchar_t*, int64_t) override { return 2; }
        bool SignIn(const wchar_t*, const wchar_t*, WString*, WString*, WString*, WString* message) override {
            *message = L"detail:\r\nerrorMessage:<a href=\"calc.exe\"><b>点这里</b></a>";
            return false;
        }
    };
    auto plain = [](std::wstring text) {
        for (size_t at; (at = text.find(L"<<")) != std::wstring::npos;) text.erase(at, 2);
        return text.find(L'<') == std::wstring::npos;
    };
    const bool checkedAssets = g_settings.current.dontCheckAssets;
    g_settings.current.dontCheckAssets = true;
    WriteTextFile(L".minecraft\\versions\\v\\v.json",
                  L"{\"id\":\"v\",\"mainClass\":\"m\",\"minecraftArguments\":\"\",\"libraries\":[]}", false);
    WriteTextFile(L".minecraft\\versions\\v\\v.jar", L"jar", false);
    ShortcutLaunchInfo offline = Sample();
    offline.versionId = L"<b>v</b>";
    ShortcutLaunchInfo online = Sample();
    online.userType = 1;
    online.versionId = L"v";
    online.password = L"pw";
    for (const ShortcutLaunchInfo& info : {offline, online}) {
        WString text;
        ASSERT_TRUE(BuildShortcutLaunchText(info, &text));
        const std::wstring id = Store(text);
        const wchar_t* argv[] = {L"-sclaunch", id.c_str()};
        RecordingUi ui;
        EXPECT_FALSE(DoShortcutLaunch(2, argv, ui));
        ASSERT_EQ(1u, ui.texts.size());
        EXPECT_TRUE(plain(ui.texts[0])) << testing_support::Narrow(ui.texts[0]);
        EXPECT_NE(std::wstring::npos, ui.texts[0].find(info.userType == 1 ? L"<<a href=" : L"<<b>v<</b>"))
            << testing_support::Narrow(ui.texts[0]);
    }
    g_settings.current.dontCheckAssets = checkedAssets;
}

TEST_F(ShortcutFiles, TheLinkNameHoldsNoPathOrInvalidCharacters) {
    ShortcutLaunchInfo info = Sample();
    info.versionId = L"1.7.10:forge?";
    info.name = L"..\\a/b";
    WString name;
    ShortcutLinkName(info, &name);
    EXPECT_TRUE(name == L"1.7.10forge ..ab.lnk") << testing_support::Narrow(name.GetString());

    CoInitialize(NULL);
    info = Sample();
    ASSERT_TRUE(CreateLaunchShortcut(info));
    wchar_t* desktop = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Desktop, 0, NULL, &desktop)));
    const std::wstring link = std::wstring(desktop) + L"\\1.7.10 Steve.lnk";
    CoTaskMemFree(desktop);
    EXPECT_TRUE(Exists(link));
    WString text, id;
    ASSERT_TRUE(BuildShortcutLaunchText(info, &text));
    ShortcutLaunchId(text, &id);
    EXPECT_TRUE(Exists(m_dir / (L"quorvel_launcher\\shortcut_launch\\" + std::wstring(id.GetString()))));
    DeleteFileW(link.c_str());
    CoUninitialize();
}

}  // namespace
