// The launcher's main window: the background picture, the status row with
// the server status, the summary and the big launch button, the launch panel
// that slides in and out, the "菜单" button of the title bar with the menu
// of the other windows, the free-memory display, the start-up notices and
// the update check's result. The launch itself is in TrelmMainFrameLaunch.cpp.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "WendalDui/Core/DuiDialog.h"
#include "WendalDui/Core/Menu.h"
#include "WendalDui/Utils/Tween.h"
#include "core/SimpleEventBus.h"
#include "core/WString.h"
#include "services/LauncherSettings.h"

namespace Gdiplus {
class Bitmap;
}

namespace wendaldui {
class CUIButton;
class CUICheckBox;
class CUIComboBoxBase;
class CUIComboBoxString;
class CUIContainer;
class CUILabel;
class CUIRichEdit;
}  // namespace wendaldui

namespace trelm {

class TRELMUpdateServiceWindowNotify;

namespace launcher {
struct JavaRuntimeInfo;
struct LaunchGameOptions;
struct LaunchJvmOptions;
class MinecraftInstanceManager;
class MinecraftLauncher2;
class YggdrasilAuthenticate;
}  // namespace launcher

namespace ui {

class CUIBannerTextButton;
class CUIBluredBackgroundImage;
class CUIComboBoxName;
class CUILaunchButton;
class CUIMcMotdCtrl;
class CUIMenuTitleButton;

// Private messages of the main window.
constexpr UINT WM_MAINFRAME_AUTH_DONE = 0x8101;
constexpr UINT WM_MAINFRAME_GAME_READY = 0x8102;
constexpr UINT WM_MAINFRAME_UPDATE_CHECKED = 0x8103;

// The window's timers.
constexpr UINT kFreeMemoryTimer = 0;
constexpr UINT kProfilesTimer = 1;
// Once, after the first frame (a timer comes after painting): the update
// check's first transfer starts the HTTP library, which the window does not need.
constexpr UINT kUpdateCheckTimer = 2;
// Watches a started game until it has shown its window.
constexpr UINT kGameStartTimer = 3;

// Panel states.
constexpr int kPanelShown = 1;
constexpr int kPanelHidden = 2;

// Login modes of the account area (the setting user_type).
constexpr int kLoginOffline = 0;
constexpr int kLoginOnline = 1;

// Control ids of the launch panel, in the order they are made.
enum MainFramePanelId {
    kPanelVersionLabel = 0,
    kPanelVersionList = 1,
    kPanelAuthLabel = 2,
    kPanelAuthList = 3,
    kPanelNameLabel = 4,
    kPanelNameList = 5,
    kPanelNameHint = 6,
    kPanelPasswordLabel = 7,
    kPanelPassword = 8,
    kPanelRememberPassword = 9,
    kPanelFreeMemoryLabel = 10,
    kPanelFreeMemory = 11,
    kPanelJavaLabel = 12,
    kPanelJavaList = 13,
    kPanelMemoryLabel = 14,
    kPanelMemoryList = 15,
    kPanelShortcut = 16,
    kPanelLaunchButton = 17,
};

// Menu commands of the "菜单" button.
enum MainFrameMenuCommand {
    kMenuVersionDownload = 0,
    kMenuGameManager = 1,
    kMenuSettings = 2,
    kMenuCheckUpdate = 3,
    kMenuAbout = 4,
};

// The games the window starts are handed to this monitor; the start-up sets
// it to the process's one (null: a started game is left unwatched).
void SetRunningGameMonitor(launcher::MinecraftInstanceManager* monitor);
launcher::MinecraftInstanceManager* RunningGameMonitor();

// Starts loading and scaling the background picture of the settings on a
// thread of its own, beside the rest of the start-up; the main window's
// first picture takes it from there instead of loading it itself.
void PrefetchMainFrameBackground();
// Waits for a prefetch that no window will take and drops its picture (a
// run that ends before its main window; GDI+ must still be up).
void DiscardMainFrameBackground();

// Whether an offer of `offered` at `now` (seconds since 1970) opens the update
// dialog: not when the same version was announced at most three days ago.
bool ShouldAnnounceUpdate(const UpdateOfferedSetting& stored, const LauncherVersion& offered, int64_t now);

// What the background shows: the file (empty: the built-in picture), its
// size and time, and the area it was scaled to cover. The same again is kept.
struct BackgroundSource {
    WString path;
    uint64_t bytes = 0;
    FILETIME written = {};
    SIZE area = {};
    bool operator==(const BackgroundSource& o) const;
};

class CTrelmMainFrame : public wendaldui::CDuiDialog {
public:
    CTrelmMainFrame();
    ~CTrelmMainFrame() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCreate() override;
    void OnAfterCreate() override;
    void OnAnimationTimer(UINT id) override;
    void OnSkinChanged(uint32_t bits) override;

    void SaveLaunchFields();
    // Selects the item that reads `select`, by default the one selected now,
    // else the first.
    void RefreshVersionList(const wchar_t* select = nullptr);
    void RefreshJavaList();
    // Fills the name list from the account store for the current login mode
    // and puts text in its field.
    void RefreshNameList(const wchar_t* text);
    void UpdateSummary();
    void UpdateLaunchButtons();
    void UpdateFreeMemory();
    void SetPanelState(int state, bool animate = true);
    // The panel and the status row slide from where they are to the places
    // of the current state, also when the state did not change.
    void SlideToPanelState();
    void StartSlide(bool animate);
    void ApplyServerStatusSettings();
    // A random picture of the background folder, or the built-in one.
    void SetBackgroundFromFolder(bool crossFade);
    // The theme takes the picture's dominant colour (null: the one shown).
    void FollowBackgroundColor(Gdiplus::Bitmap* picture);
    // The background's tint: the theme colour, opaque.
    void ApplyBackgroundTint();

    // The memory field in MB, negative for automatic; typed text is read and
    // shown back as "%s MB".
    int32_t GetMemoryValue();
    void SetMemoryValue(int32_t megabytes);
    // The nickname rule of the settings; true in online mode.
    bool CheckNickname();

    // The launch flow.
    void OnBtnLaunchClick(wendaldui::EventData& event);
    void SetStatusText(const wchar_t* text);
    void ShowLaunchError(const wchar_t* versionId, const wchar_t* message);
    void ShowTip(const wchar_t* text);
    void EndLaunch();
    // The question about a 32-bit heap over 1024 MB; dontShowAgain is the
    // box's do-not-show state on return.
    static int AskJava32Heap(HWND owner, bool& dontShowAgain);

    const WString& GetBaseTitle() const { return m_baseTitle; }
    int GetPanelState() const { return m_panelState; }
    int GetLoginMode() const { return m_loginMode; }
    bool IsBusy() const { return m_busy; }
    bool IsPanelSliding() const { return m_sliding; }
    wendaldui::CUIContainer* GetPanel() const { return m_panel; }
    wendaldui::CUIContainer* GetStatusRow() const { return m_statusRow; }
    wendaldui::CUIControl* GetPanelControl(int id) const;
    CUIBannerTextButton* GetSummaryButton() const { return m_summary; }
    CUILaunchButton* GetLaunchButton() const { return m_launchButton; }
    CUIMenuTitleButton* GetMenuButton() const { return m_menuButton; }
    CUIBluredBackgroundImage* GetBackground() const { return m_background; }
    CUIMcMotdCtrl* GetServerStatus() const { return m_motd; }
    wendaldui::CMenu& GetMenu() { return m_menu; }

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnMenuCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnAuthDone(WPARAM wParam, LPARAM lParam);
    LRESULT OnGameReady(WPARAM wParam, LPARAM lParam);
    LRESULT OnUpdateCheckDone(WPARAM wParam, LPARAM lParam);

private:
    // What an online launch signs in with, and what the sign-in returns.
    struct LaunchAuthRequest {
        WString email;
        WString password;
        WString playerName;
        WString profileId;
        WString accessToken;
        bool remember = false;
    };

    // A message box with the "不再显示这个消息" box; its state on return in dontShowAgain.
    static int ShowWithDoNotShow(HWND owner, const wchar_t* text, int style, int icon, bool& dontShowAgain);
    void BuildPanel(wendaldui::CUIContainer* client);
    void BuildStatusRow(wendaldui::CUIContainer* client);
    // Narrows the server status to the status row's width.
    void FitServerStatus();
    void BuildMenu();
    void SetLoginMode(int mode);
    void SubscribeToBus();
    void UnsubscribeFromBus();
    void OnBusEvent(unsigned eventId, int value, int);
    void StartUpdateCheck();
    void StopUpdateCheck();
    void ShowStartupNotices();
    void OpenMenu();
    // The runtime of the Java list's choice ("自动设置" is the list's pick); null without one.
    launcher::JavaRuntimeInfo* ChosenJava() const;
    // The id of the selected version; false when none is selected.
    bool SelectedVersionId(WString& id) const;
    void FillPasswordFromStore();
    // Busy state on and off: the buttons, the title bar and the system menu.
    void SetLaunchControlsEnabled(bool enabled);
    // Steps of the launch after the busy state is entered. The records: false
    // ends the launch; the files: false when it has been ended already.
    bool PrepareLaunchRecords(const WString& name, const WString& password);
    bool CheckAndFetchFiles();

    void OnSummaryClick(wendaldui::EventData& event);
    void OnMenuButtonClick(wendaldui::EventData& event);
    void OnAuthKindChanged(wendaldui::EventData& event);
    void OnNameEdited(wendaldui::EventData& event);
    void OnNameChosen(wendaldui::EventData& event);
    void OnNameDeleted(wendaldui::EventData& event);
    void OnRememberClick(wendaldui::EventData& event);
    void OnVersionChosen(wendaldui::EventData& event);
    void OnMemoryFocusLost(wendaldui::EventData& event);

    static unsigned __stdcall SignInThread(void* frame);
    void CheckGameStart();

    CUIBluredBackgroundImage* m_background = nullptr;
    wendaldui::CUIContainer* m_panel = nullptr;
    wendaldui::CUIContainer* m_statusRow = nullptr;
    wendaldui::CUIComboBoxString* m_versionList = nullptr;
    wendaldui::CUIComboBoxString* m_authList = nullptr;
    CUIComboBoxName* m_nameList = nullptr;
    wendaldui::CUILabel* m_nameLabel = nullptr;
    wendaldui::CUILabel* m_nameHint = nullptr;
    wendaldui::CUILabel* m_passwordLabel = nullptr;
    wendaldui::CUIRichEdit* m_password = nullptr;
    wendaldui::CUICheckBox* m_remember = nullptr;
    wendaldui::CUILabel* m_freeMemory = nullptr;
    wendaldui::CUIComboBoxString* m_javaList = nullptr;
    wendaldui::CUIComboBoxString* m_memoryList = nullptr;
    wendaldui::CUICheckBox* m_shortcut = nullptr;
    wendaldui::CUIButton* m_panelLaunch = nullptr;
    CUIMcMotdCtrl* m_motd = nullptr;
    CUIBannerTextButton* m_summary = nullptr;
    CUILaunchButton* m_launchButton = nullptr;
    CUIMenuTitleButton* m_menuButton = nullptr;
    wendaldui::CMenu m_menu;

    wendaldui::CTween<wendaldui::UIRect> m_panelTween;
    wendaldui::CTween<wendaldui::UIRect> m_rowTween;
    int m_panelState = kPanelShown;
    bool m_sliding = false;
    int m_loginMode = kLoginOnline;
    WString m_baseTitle;
    wendal_::CSimpleEventBus::Subscriber* m_subscriptions[3] = {};
    std::unique_ptr<TRELMUpdateServiceWindowNotify> m_updateService;
    uint64_t m_lastCtrlN = 0;
    int m_lastBackground = -1;
    BackgroundSource m_backgroundSource;

    // The launch in progress.
    bool m_busy = false;
    std::unique_ptr<launcher::LaunchJvmOptions> m_jvm;
    std::unique_ptr<launcher::LaunchGameOptions> m_game;
    std::unique_ptr<LaunchAuthRequest> m_auth;
    std::unique_ptr<launcher::MinecraftLauncher2> m_launcher;
    std::unique_ptr<launcher::YggdrasilAuthenticate> m_authenticator;
    HANDLE m_signInThread = NULL;
    HANDLE m_gameProcess = NULL;
    uint64_t m_gameStartTick = 0;  // GetTickCount64 when the game was started
    WString m_relayFailure;  // why the output window asked for did not open
};

}  // namespace ui
}  // namespace trelm
