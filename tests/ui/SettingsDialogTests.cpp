// The settings dialog in a real window over g_settings: live colour and
// font, the window-size rules, the Java browse through the system file
// dialog, restoring defaults, clearing the download cache and the folder
// links through the shell seam.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

#include "FileDialogDriver.h"
#include "UiTestSupport.h"
#include "WendalDui/Control/UICheckBox.h"
#include "WendalDui/Control/UIComboBoxFont.h"
#include "WendalDui/Control/UIComboBoxString.h"
#include "WendalDui/Control/UILinkCtrl.h"
#include "WendalDui/Control/UIListBoxBase.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Core/ColorConvert.h"
#include "WendalDui/Core/DlgMessageBox.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "download/DownloadCache.h"
#include "tests/support/FakeJava.h"
#include "tests/support/TestPaths.h"
#include "ui/SettingDlg.h"

namespace {

using namespace trelm::ui;
using testing_support::Narrow;
using testing_support::TempDir;
using wendaldui::EventData;

std::wstring Text(const WString& text) { return text.GetString(); }

BOOL CALLBACK FindBoxWindow(HWND hwnd, LPARAM param) {
    auto* base = reinterpret_cast<wendaldui::CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!base || !IsWindowVisible(hwnd) || !dynamic_cast<wendaldui::CDlgMessageBox*>(base)) return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

// The launcher's own message box that is up, or null.
HWND FindDuiBox() {
    HWND found = NULL;
    EnumThreadWindows(GetCurrentThreadId(), &FindBoxWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring Caption(HWND hwnd) {
    wchar_t text[128] = {};
    GetWindowTextW(hwnd, text, 128);
    return text;
}

// Answers the next box with `result`, noting its caption.
std::function<bool()> Answer(int result, std::wstring* caption) {
    return [=] {
        HWND box = FindDuiBox();
        if (!box) return false;
        if (caption) *caption = Caption(box);
        auto* dialog = dynamic_cast<wendaldui::CDlgMessageBox*>(
            reinterpret_cast<wendaldui::CWindowBase*>(GetWindowLongPtrW(box, GWLP_USERDATA)));
        dialog->OnButton(nullptr, result);
        return true;
    };
}

std::vector<std::wstring> g_opened;
HINSTANCE RecordOpen(const wchar_t* target) {
    g_opened.push_back(target);
    return reinterpret_cast<HINSTANCE>(42);
}

class SettingsDialog : public testing::Test {
protected:
    SettingsDialog() : skin(L"微软雅黑", 210, 0.5, 0.4, 0), saved(g_settings.current) {
        GetEnvironmentVariableW(L"TMP", m_oldTmp, MAX_PATH);
        SetEnvironmentVariableW(L"TMP", dir.Path().c_str());
        m_oldShell = wendaldui::SetShellOpenFunction(&RecordOpen);
        g_opened.clear();
    }
    ~SettingsDialog() override {
        Close();
        wendaldui::SetShellOpenFunction(m_oldShell);
        SetEnvironmentVariableW(L"TMP", m_oldTmp);
        g_settings.current = saved;
    }
    CSettingDlg& Open() {
        Close();
        dialog = new CSettingDlg;
        CreateWindowExW(0, wendaldui::kDuiWindowClassName, L"SettingDlg", WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 0,
                        0, wendaldui::DpiScale(680), wendaldui::DpiScale(428), NULL, NULL, GetModuleHandleW(NULL),
                        dialog);
        ShowWindow(dialog->GetHWND(), SW_SHOW);
        ui_testing::PumpFor(50);
        return *dialog;
    }
    void Close() {
        if (!dialog) return;
        DestroyWindow(dialog->GetHWND());
        delete dialog;
        dialog = nullptr;
    }
    static void Tick(wendaldui::CUICheckBox* box, bool on) {
        if (box->IsChecked() == on) return;
        // As a click does: the tick changes, then the event.
        box->SetFlags(box->GetFlags() ^ wendaldui::kCheckBoxChecked);
        box->FireEvent(wendaldui::kEventClick, on ? 1 : 0);
    }
    TempDir dir;
    wendaldui::CDuiSkinManager skin;
    SettingsRecord saved;
    CSettingDlg* dialog = nullptr;
    wchar_t m_oldTmp[MAX_PATH] = {};
    wendaldui::ShellOpenFunction m_oldShell = nullptr;
};

// "红色" recolours every open window at once; a stored colour that is no preset opens as the first.
TEST_F(SettingsDialog, PresetAndFontApplyAtOnce) {
    g_settings.current.theme.colorArgb = 0xFF123456;
    g_settings.current.theme.useCustomColor = false;
    g_settings.current.theme.colorFollowBg = false;
    CSettingDlg& d = Open();
    EXPECT_EQ(0, d.GetPresetCombo()->GetCurSel());
    EXPECT_EQ(0xFF2868B8u, g_settings.current.theme.colorArgb);

    wendaldui::CDuiWindow other;
    HWND otherHwnd = ui_testing::CreateTestWindow(other, 0, 0, 50, 50);
    const std::vector<uint32_t> before(skin.GetPalette(), skin.GetPalette() + wendaldui::kPaletteSize);
    d.GetPresetCombo()->SetCurSel(5);
    d.GetPresetCombo()->FireEvent(wendaldui::kEventSelectionChanged, 5);
    float red[3];
    wendaldui::ArgbToHsl(0xFFC0392B, red);
    EXPECT_NEAR(red[0], skin.GetTheme().hsl[0], 0.5);
    int changed = 0;
    for (int i = 0; i < wendaldui::kPaletteSize; ++i) changed += before[i] != skin.GetColor(i) ? 1 : 0;
    EXPECT_GT(changed, 10);
    DestroyWindow(otherHwnd);

    wendaldui::CUIComboBoxFont* font = d.GetFontCombo();
    ASSERT_GT(font->GetListBox()->GetItemCount(), 1);
    const int pick = font->GetCurSel() == 0 ? 1 : 0;
    font->SetCurSel(pick);
    font->FireEvent(wendaldui::kEventSelectionChanged, pick);
    WString face;
    font->GetText(face);
    EXPECT_EQ(Text(face), Text(skin.GetFontFace()));
}

// The game window a launch gets from what the dialog saved.
TEST_F(SettingsDialog, WindowSizeRules) {
    const struct {
        int item;
        bool custom;
        const wchar_t* w;
        const wchar_t* h;
        uint32_t width, height;
        bool full;
    } cases[] = {
        {2, false, L"1280", L"720", 1280, 720, false},
        {kFullScreenItem, false, L"1280", L"720", 854, 480, true},  // never -1 x -1
        {kFullScreenItem, true, L"1280", L"720", 1280, 720, false},  // custom wins, no full screen
        {0, true, L"100", L"600", 854, 480, false},                   // out of 256..9999: both reset
        {0, true, L"9999", L"256", 9999, 256, false},
        {0, true, L"12a", L"600", 854, 480, false},
    };
    for (const auto& c : cases) {
        CSettingDlg& d = Open();
        d.GetSizeCombo()->SetCurSel(c.item);
        Tick(d.GetCustomSizeBox(), c.custom);
        EXPECT_EQ(!c.custom, d.GetSizeCombo()->IsEffectivelyEnabled());
        d.GetCustomWidthEdit()->SetText(c.w);
        d.GetCustomHeightEdit()->SetText(c.h);
        SendMessageW(d.GetHWND(), WM_CLOSE, 0, 0);  // the close box saves
        uint32_t width = 0, height = 0;
        bool full = false;
        ResolveGameWindow(g_settings.current.gameWindow, &width, &height, &full);
        EXPECT_EQ(c.width, width) << Narrow(c.w) << " item " << c.item;
        EXPECT_EQ(c.height, height) << Narrow(c.h);
        EXPECT_EQ(c.full, full);
        EXPECT_LE(g_settings.current.gameWindow.w, 9999u);
        // Reopening shows the same choice.
        EXPECT_EQ(c.item, Open().GetSizeCombo()->GetCurSel());
    }
}

// A 32-bit java.exe stores arch 0, a 64-bit one arch 1; a DLL or a text file
// named ".exe" keeps the file dialog open with the warning.
TEST_F(SettingsDialog, JavaBrowseReadsTheArchitecture) {
    testing_support::FakeJavaHome java32(testing_support::FakeJavaHome::k32Bit);
    testing_support::FakeJavaHome java64(testing_support::FakeJavaHome::k64Bit);
    const std::wstring text = dir / L"java.exe";
    testing_support::WriteBytes(text, "not a program");
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const struct {
        std::wstring path;
        bool accepted;
        uint32_t arch;
    } cases[] = {
        {java32.JavaExe(), true, 0},
        {java64.JavaExe(), true, 1},
        {std::wstring(system) + L"\\kernel32.dll", false, 0},
        {text, false, 0},
    };
    for (const auto& c : cases) {
        CSettingDlg& d = Open();
        Tick(d.GetManualJavaBox(), true);
        d.GetJavaPathEdit()->SetText(L"previous");
        HWND fileDialog = NULL;
        bool warned = false, stayed = false;
        std::vector<std::function<bool()>> steps = {[&] {
            fileDialog = ui_testing::FindSystemDialog(L"选择Java");
            if (fileDialog) ui_testing::AcceptFileName(fileDialog, c.path);
            return fileDialog != NULL;
        }};
        if (!c.accepted) {
            steps.push_back([&] {
                HWND box = ui_testing::FindSystemDialog(L"此文件不是有效的可执行文件");
                if (!box) return false;
                warned = true;
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                return true;
            });
            steps.push_back([&] {
                if (ui_testing::FindSystemDialog(L"此文件不是有效的可执行文件")) return false;
                stayed = IsWindow(fileDialog) != FALSE;
                PostMessageW(fileDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                return true;
            });
        }
        {
            ui_testing::DialogScript script(steps);
            EventData event;
            d.OnBtnBrowseJavaPath(event);
            EXPECT_EQ(steps.size(), script.Done()) << Narrow(c.path);
        }
        EXPECT_EQ(!c.accepted, warned) << Narrow(c.path);
        EXPECT_EQ(!c.accepted, stayed);
        SendMessageW(d.GetHWND(), WM_CLOSE, 0, 0);
        const ManualJavaSetting& manual = g_settings.current.manualJava;
        EXPECT_EQ(c.accepted ? c.path : std::wstring(L"previous"), Text(manual.path));
        if (c.accepted) {
            EXPECT_EQ(c.arch, manual.arch) << Narrow(c.path);
        }
    }
}

// "恢复全部默认设置" and "重置所有提示" act only on "是"; the version map survives.
TEST_F(SettingsDialog, RestoreAndResetActOnlyOnYes) {
    g_settings.SetVersionAlias(L"1.8", L"我的1.8");
    g_settings.SetVersionHidden(L"1.7.10", true);
    for (int answer : {wendaldui::kResultNo, wendaldui::kResultCancel, wendaldui::kResultYes}) {
        g_settings.current.closeAfterLaunch = !g_settings.defaults.closeAfterLaunch;
        g_settings.current.dontShowTip.no64Java = true;
        CSettingDlg& d = Open();
        {
            ui_testing::DialogScript script({Answer(answer, nullptr)});
            EventData event;
            d.OnBtnRestoreDefaults(event);
        }
        {
            ui_testing::DialogScript script({Answer(answer, nullptr)});
            EventData event;
            d.OnBtnResetTips(event);
        }
        const bool yes = answer == wendaldui::kResultYes;
        EXPECT_EQ(yes, g_settings.current.closeAfterLaunch == g_settings.defaults.closeAfterLaunch) << answer;
        EXPECT_EQ(!yes, g_settings.current.dontShowTip.no64Java) << answer;
    }
    EXPECT_EQ(std::wstring(L"我的1.8"), g_settings.GetVersionAlias(L"1.8"));
    EXPECT_TRUE(g_settings.IsVersionHidden(L"1.7.10"));
    g_settings.SetVersionAlias(L"1.8", L"");
    g_settings.SetVersionHidden(L"1.7.10", false);
}

// "清空缓存文件夹" says done only when the folder is gone; the folder links go through the shell seam.
TEST_F(SettingsDialog, CacheFolderAndFolderLinks) {
    const std::wstring cache = trelm::download::GetDownloadCacheDir().GetString();
    ASSERT_EQ(0u, cache.find(dir.Path())) << Narrow(cache);
    const std::wstring entry = cache + L"a.tmp";
    testing_support::WriteBytes(entry, "x");
    HANDLE held = CreateFileW(entry.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    CSettingDlg& d = Open();
    std::wstring caption;
    {
        ui_testing::DialogScript script({Answer(wendaldui::kResultOk, &caption)});
        d.OpenLink(L"cleanup_dl_cache_dir");
    }
    EXPECT_EQ(std::wstring(L"错误"), caption);  // an entry in use keeps the folder
    CloseHandle(held);
    for (int round = 0; round < 2; ++round) {  // present with files, then absent
        caption.clear();
        ui_testing::DialogScript script({Answer(wendaldui::kResultOk, &caption)});
        d.OpenLink(L"cleanup_dl_cache_dir");
        EXPECT_EQ(std::wstring(L"提示"), caption) << round;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(cache.c_str()));
    }

    g_settings.current.backgroundImgFolder = (dir / L"img\\").c_str();
    d.OpenLink(L"open_bgimg_dir");
    d.OpenLink(L"open_dl_cache_dir");
    ASSERT_EQ(2u, g_opened.size());
    EXPECT_EQ(dir / L"img\\", g_opened[0]);
    EXPECT_EQ(cache, g_opened[1]);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(cache.c_str()));  // made before it is opened
}

}  // namespace
