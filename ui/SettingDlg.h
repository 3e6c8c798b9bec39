// "TRELM - 设置": every setting of the launcher on one scrolling page. The
// controls are read from g_settings when the dialog opens and written back
// when it closes; the theme colour, the font and the coloured server text
// reach the running UI at once.
#pragma once

#include <cstdint>

#include "WendalDui/Core/DuiDialog.h"
#include "core/WString.h"
#include "services/LauncherSettings.h"

namespace wendaldui {
class CUIButton;
class CUICheckBox;
class CUIComboBoxFont;
class CUIComboBoxString;
class CUILabel;
class CUILinkCtrl;
class CUIRichEdit;
class CUIScrollContainerView;
}  // namespace wendaldui

namespace trelm {
namespace ui {

struct WindowSize {
    int32_t width;
    int32_t height;
};
// The size list's entries; the last, {-1, -1}, is "全屏".
extern const WindowSize kWindowSizes[7];
constexpr int kFullScreenItem = 6;

// The game window a launch asks for: the custom size when "自定义" is on
// (never full screen), else the chosen size, and for "全屏" the standard
// 854 x 480 with full screen, so no -1 ever reaches the command line.
void ResolveGameWindow(const GameWindowSetting& setting, uint32_t* width, uint32_t* height, bool* fullScreen);
// The typed custom size: both values when each is a number in 256..9999,
// else both the defaults (854 x 480).
void ReadCustomWindowSize(const wchar_t* width, const wchar_t* height, uint32_t* outWidth, uint32_t* outHeight);

// The skin's theme colour (repainted at once) becomes the hue, saturation
// and lightness of argb.
void ApplyThemeArgb(uint32_t argb);

// What the Java browse makes of a file: 0 usable (arch 0 x86, 1 x64),
// 1 unreadable, 2 not an x86/x64 executable or a DLL.
int CheckJavaExecutable(const wchar_t* path, uint32_t* arch);

// Deletes the download cache folder; true when it is gone afterwards
// (absent already counts). folder receives its path.
bool ClearDownloadCache(WString* folder);

// What the dialog asks of the main window, which registers these when it
// exists (either may be null).
struct SettingDlgHooks {
    // "自动从背景中选一种颜色": take the theme colour from the background now.
    void (*followBackground)();
    // The server-status settings changed: apply them to the status control.
    void (*applyServerStatus)();
};
void SetSettingDlgHooks(const SettingDlgHooks& hooks);

class CSettingDlg : public wendaldui::CDuiDialog {
public:
    CSettingDlg();

    void OnCreate() override;

    // Settings record <-> controls.
    void LoadFromSettings();
    void SaveToSettings();

    // The colour mode the two colour boxes give: 0 preset, 1 custom, 2 from
    // the background.
    int GetColorMode() const;

    wendaldui::CUIScrollContainerView* GetPage() const { return m_page; }
    wendaldui::CUIComboBoxString* GetPresetCombo() const { return m_preset; }
    wendaldui::CUICheckBox* GetCustomColorBox() const { return m_customColor; }
    wendaldui::CUIButton* GetPaletteButton() const { return m_palette; }
    wendaldui::CUICheckBox* GetFollowBgBox() const { return m_followBg; }
    wendaldui::CUIComboBoxFont* GetFontCombo() const { return m_font; }
    wendaldui::CUIComboBoxString* GetSizeCombo() const { return m_size; }
    wendaldui::CUICheckBox* GetCustomSizeBox() const { return m_customSize; }
    wendaldui::CUIRichEdit* GetCustomWidthEdit() const { return m_customW; }
    wendaldui::CUIRichEdit* GetCustomHeightEdit() const { return m_customH; }
    wendaldui::CUICheckBox* GetManualJavaBox() const { return m_manualJava; }
    wendaldui::CUIRichEdit* GetJavaPathEdit() const { return m_javaPath; }
    wendaldui::CUILinkCtrl* GetCacheLinks() const { return m_cacheLinks; }
    wendaldui::CUILinkCtrl* GetBackgroundLink() const { return m_bgLink; }
    uint32_t GetJavaArch() const { return m_javaArch; }

    // Handlers (public so that tests can drive them as the controls do).
    void OnPresetChanged(wendaldui::EventData& event);
    void OnColorBoxClick(wendaldui::EventData& event);
    void OnBtnPaletteClick(wendaldui::EventData& event);
    void OnFontChanged(wendaldui::EventData& event);
    void OnMotdBoxClick(wendaldui::EventData& event);
    void OnColoredBoxClick(wendaldui::EventData& event);
    void OnLinkClick(wendaldui::EventData& event);
    void OnCustomSizeClick(wendaldui::EventData& event);
    void OnManualJavaClick(wendaldui::EventData& event);
    void OnBtnBrowseJavaPath(wendaldui::EventData& event);
    void OnBtnDeleteJavaPath(wendaldui::EventData& event);
    void OnExtraArgsClick(wendaldui::EventData& event);
    void OnBtnResetTips(wendaldui::EventData& event);
    void OnBtnRestoreDefaults(wendaldui::EventData& event);
    // The link's action by its href.
    void OpenLink(const wchar_t* href);

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnCloseMessage(WPARAM wParam, LPARAM lParam);

private:
    int CreatePage(wendaldui::CUIContainer* content);
    void InitControls();
    void BindHandlers();
    void UpdateColorControls();
    void ApplyColorMode();
    void UpdateEnabledStates();
    void OpenFolder(const wchar_t* path);

    wendaldui::CUIScrollContainerView* m_page = nullptr;
    wendaldui::CUIComboBoxString* m_preset = nullptr;
    wendaldui::CUICheckBox* m_customColor = nullptr;
    wendaldui::CUIButton* m_palette = nullptr;
    wendaldui::CUICheckBox* m_followBg = nullptr;
    wendaldui::CUIComboBoxFont* m_font = nullptr;
    wendaldui::CUICheckBox* m_systemShadow = nullptr;
    wendaldui::CUICheckBox* m_motd = nullptr;
    wendaldui::CUILabel* m_motdAddressLabel = nullptr;
    wendaldui::CUIRichEdit* m_motdAddress = nullptr;
    wendaldui::CUICheckBox* m_motdColored = nullptr;
    wendaldui::CUILinkCtrl* m_bgLink = nullptr;
    wendaldui::CUIComboBoxString* m_size = nullptr;
    wendaldui::CUICheckBox* m_customSize = nullptr;
    wendaldui::CUIRichEdit* m_customW = nullptr;
    wendaldui::CUIRichEdit* m_customH = nullptr;
    wendaldui::CUIRichEdit* m_versionText = nullptr;
    wendaldui::CUICheckBox* m_closeAfterLaunch = nullptr;
    wendaldui::CUICheckBox* m_dontCheckAssets = nullptr;
    wendaldui::CUICheckBox* m_manualJava = nullptr;
    wendaldui::CUILabel* m_javaPathLabel = nullptr;
    wendaldui::CUIRichEdit* m_javaPath = nullptr;
    wendaldui::CUIButton* m_javaDelete = nullptr;
    wendaldui::CUIButton* m_javaBrowse = nullptr;
    wendaldui::CUIComboBoxString* m_source = nullptr;
    wendaldui::CUILinkCtrl* m_cacheLinks = nullptr;
    wendaldui::CUICheckBox* m_versionSeparate = nullptr;
    wendaldui::CUICheckBox* m_useJavaExe = nullptr;
    wendaldui::CUICheckBox* m_outputLog = nullptr;
    wendaldui::CUICheckBox* m_extraArgs = nullptr;
    wendaldui::CUILabel* m_argLabels[4] = {};
    wendaldui::CUIRichEdit* m_argEdits[4] = {};
    wendaldui::CUICheckBox* m_showUpdate = nullptr;
    wendaldui::CUIButton* m_resetTips = nullptr;
    wendaldui::CUIButton* m_restoreDefaults = nullptr;
    uint32_t m_javaArch = 0;
};

// Opens the dialog over the owner and returns when it is closed (the
// settings are written into g_settings by then).
void RunSettingDialog(HWND owner);

}  // namespace ui
}  // namespace trelm
