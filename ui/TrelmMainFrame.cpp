#include "ui/TrelmMainFrame.h"

#include <gdiplus.h>
#include <process.h>
#include <shellapi.h>

#include <algorithm>
#include <ctime>

#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UICheckBox.h"
#include "WendalDui/Control/UIComboBoxString.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UIListBoxString.h"
#include "WendalDui/Control/UIListBoxViewString.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Control/UITitleBar.h"
#include "WendalDui/Core/ColorConvert.h"
#include "WendalDui/Core/DlgMessageBox.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/FormattedText.h"
#include "WendalDui/Core/ImageProcessing.h"
#include "core/DirectoryScan.h"
#include "core/TextFormat.h"
#include "launcher/JavaRuntimeList.h"
#include "launcher/MemoryDefaults.h"
#include "launcher/MinecraftInstanceManager.h"
#include "launcher/MinecraftLauncher2.h"
#include "launcher/MinecraftList.h"
#include "launcher/YggdrasilAuthenticate.h"
#include "resources/resource.h"
#include "services/AccountStore.h"
#include "services/OfflineNameRule.h"
#include "services/TRELMUpdateService.h"
#include "services/UpdateHelper.h"
#include "ui/AboutDialog.h"
#include "ui/AddControl.h"
#include "ui/DominantColor.h"
#include "ui/SettingDlg.h"
#include "ui/TopLevelWindows.h"
#include "ui/TrelmResourceManager.h"
#include "ui/UIBannerTextButton.h"
#include "ui/UIBluredBackgroundImage.h"
#include "ui/UIComboBoxName.h"
#include "ui/UILaunchButton.h"
#include "ui/UIListBoxName.h"
#include "ui/UIMcMotdCtrl.h"
#include "ui/UpdateDlg.h"
#include "ui/UIMenuTitleButton.h"

namespace trelm {
namespace ui {

using wendaldui::CUIComboBoxBase;
using wendaldui::CUIControl;
using wendaldui::CUILabel;
using wendaldui::EventData;
using wendaldui::UIRect;
using wendaldui::kControlVisible;

namespace {

constexpr UINT kFreeMemoryMs = 5000;
constexpr UINT kProfilesMs = 2000;

// Children of the client area and of the status row.
constexpr int kBackgroundId = 0, kStatusRowId = 1, kPanelId = 2;
constexpr int kMotdId = 0, kSummaryId = 1, kLaunchButtonId = 2;
constexpr int kMenuButtonId = 1;
constexpr int kMenuButtonWidth = 44;

// Focusable, so the focus path can reach the controls inside.
constexpr uint32_t kContainerFlags = kControlVisible | wendaldui::kControlFocusable;

constexpr int kSlideFrames = 24;
const UIRect kClientRect(0, 0, 680, 400);
const UIRect kPanelShownRect(472, 0, 208, 400);
const UIRect kPanelHiddenRect(680, 0, 208, 400);
const UIRect kRowShownRect(25, 233, 420, 142);
const UIRect kRowHiddenRect(25, 220, 630, 142);
// The server status in the row, as wide as the row leaves room for: it
// paints its text to its own edge, so at 580 it reached over the panel
// while the row was 420 wide.
const UIRect kMotdRect(32, 16, 580, 54);
constexpr int kMotdRightMargin = 8;

// The launch panel: a label column and a control column.
constexpr int kLabelX = 12, kLabelWidth = 58, kFieldX = 72, kFieldWidth = 124, kRowHeight = 26;

constexpr int kMaxMemoryText = 16;
constexpr uint32_t kAutomatic = 0xFFFFFFFFu;

constexpr int64_t kUpdateQuietSeconds = 259200;
constexpr uint64_t kCtrlNIntervalMs = 250;
const wchar_t kJavaDownloadUrl[] = L"https://www.java.com/zh-CN/download/manual.jsp";
const wchar_t* const kPicturePatterns[] = {L"*.BMP", L"*.GIF", L"*.JPEG", L"*.JPG", L"*.PNG"};

const UIRect kNoBlur(0, 0, -1, -1);

// The version events the window follows, one subscription each.
const unsigned kBusEvents[3] = {wendal_::kEventVersionListRefreshed, wendal_::kEventVersionNameChanged,
                                wendal_::kEventVersionHiddenChanged};

launcher::MinecraftInstanceManager* g_monitor = nullptr;

wendaldui::CUIListBoxString* ListOf(CUIComboBoxBase* combo) {
    return static_cast<wendaldui::CUIListBoxString*>(combo->GetListBox());
}

// Appends an item carrying `data`; its index, or -1.
int AddItem(CUIComboBoxBase* combo, const wchar_t* text, uint32_t data) {
    wendaldui::CUIListBoxString* list = ListOf(combo);
    if (!list) return -1;
    const int index = list->InsertString(-1, text);
    auto* item = index >= 0 ? dynamic_cast<wendaldui::CUIListBoxViewString::Item*>(list->GetListView()->GetItem(index))
                            : nullptr;
    if (item) item->data = data;
    return index;
}

// The user value of the selected item, or `none` without a selection.
uint32_t SelectedData(CUIComboBoxBase* combo, uint32_t none) {
    const int selected = combo ? combo->GetCurSel() : -1;
    return selected >= 0 ? ListOf(combo)->GetItemData(selected) : none;
}

void SetVisible(CUIControl* control, bool visible) {
    if (!control) return;
    const uint32_t flags = control->GetFlags();
    control->SetFlags(visible ? (flags | kControlVisible) : (flags & ~kControlVisible));
}

void SetChecked(wendaldui::CUICheckBox* box, bool checked) {
    const uint32_t flags = box->GetFlags();
    box->SetFlags(checked ? (flags | wendaldui::kCheckBoxChecked) : (flags & ~wendaldui::kCheckBoxChecked));
}

CUILabel* MakeLabel(wendaldui::CUIContainer* parent, const wchar_t* text, const UIRect& rect, int id) {
    CUILabel* label = new CUILabel;
    label->SetText(text);
    if (!label->Create(parent, kControlVisible | wendaldui::kLabelVCenter | wendaldui::kLabelGlow |
                                   wendaldui::kLabelEllipsis, rect, id)) {
        delete label;
        return nullptr;
    }
    label->SetTextColor(0xFFFFFFFF);
    label->SetGlowColor(0x4D000000);
    return label;
}

WString MegabytesText(int64_t megabytes) {
    WString text = FormatInt64WithThousands(megabytes);
    text.Append(L" MB");
    return text;
}

WString VersionShownName(const launcher::VersionInfo& version) {
    WString text;
    g_settings.GetVersionAliasOrId(version.id.GetString(), text);
    return text;
}

}  // namespace

void SetRunningGameMonitor(launcher::MinecraftInstanceManager* monitor) { g_monitor = monitor; }

launcher::MinecraftInstanceManager* RunningGameMonitor() { return g_monitor; }

bool ShouldAnnounceUpdate(const UpdateOfferedSetting& stored, const LauncherVersion& offered, int64_t now) {
    const bool announcedLately = stored.time <= now && now - stored.time <= kUpdateQuietSeconds &&
                                 CompareLauncherVersions(stored.version, offered) == 0;
    return !announcedLately;
}

namespace {

// What other windows ask of the open main window.
void SaveOpenFrameFields() {
    if (CTrelmMainFrame* frame = GetTopLevelWindows().mainFrame) frame->SaveLaunchFields();
}

void FollowOpenFrameBackground() {
    if (CTrelmMainFrame* frame = GetTopLevelWindows().mainFrame) frame->FollowBackgroundColor(nullptr);
}

void ApplyOpenFrameServerStatus() {
    if (CTrelmMainFrame* frame = GetTopLevelWindows().mainFrame) frame->ApplyServerStatusSettings();
}

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CTrelmMainFrame, wendaldui::CDuiDialog)
DUI_MESSAGE_HANDLER(WM_TIMER, OnTimer)
DUI_MESSAGE_HANDLER(WM_CLOSE, OnClose)
DUI_MESSAGE_HANDLER(wendaldui::WM_DUI_MENU_COMMAND, OnMenuCommand)
DUI_MESSAGE_HANDLER(WM_MAINFRAME_AUTH_DONE, OnAuthDone)
DUI_MESSAGE_HANDLER(WM_MAINFRAME_GAME_READY, OnGameReady)
DUI_MESSAGE_HANDLER(WM_MAINFRAME_UPDATE_CHECKED, OnUpdateCheckDone)
DUI_END_MESSAGE_MAP()

CTrelmMainFrame::CTrelmMainFrame() {
    m_panelTween.SetEasing(wendaldui::kEaseOutCubic);
    m_panelTween.SetMode(wendaldui::kTweenOnce);
    m_rowTween.SetEasing(wendaldui::kEaseOutCubic);
    m_rowTween.SetMode(wendaldui::kTweenOnce);
}

CTrelmMainFrame::~CTrelmMainFrame() {
    StopUpdateCheck();
    UnsubscribeFromBus();
    // The sign-in thread posts to the window and ends; it may not outlive this.
    if (m_signInThread) {
        WaitForSingleObject(m_signInThread, INFINITE);
        CloseHandle(m_signInThread);
        m_signInThread = NULL;
    }
    if (m_gameProcess) CloseHandle(m_gameProcess);
    if (m_hWnd) DestroyWindow(m_hWnd);
}

LRESULT CTrelmMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == 'N' && (GetKeyState(VK_CONTROL) & 0x8000)) {
        const uint64_t now = GetTickCount64();
        if (m_lastCtrlN == 0 || now - m_lastCtrlN >= kCtrlNIntervalMs) {
            m_lastCtrlN = now;
            SetBackgroundFromFolder(true);
        }
    }
    return CDuiDialog::WindowProc(message, wParam, lParam);
}

void CTrelmMainFrame::OnCreate() {
    CDuiDialog::OnCreate();
    // A self-update saves the fields chosen in this run before the settings.
    SetLaunchFieldsSaver(&SaveOpenFrameFields);
    SetSettingDlgHooks({&FollowOpenFrameBackground, &ApplyOpenFrameServerStatus});
    m_timerQueue = CreateTimerQueue();
    CTrelmResourceManager::ApplyWindowIcon(m_hWnd);
    LauncherVersion version;
    GetLauncherVersion(version);
    WString number;
    number.Format(L"%d.%d.%d.%d", version.major, version.minor, version.build, version.revision);
    m_baseTitle = g_settings.current.mainframeTitle;
    m_baseTitle.Replace(L"%trelm_ver%", number.GetString());
    SetWindowTextW(m_hWnd, m_baseTitle.GetString());

    wendaldui::CUIContainer* client = GetClientContainer();
    if (!client) return;
    m_background = AddControl<CUIBluredBackgroundImage>(client, kControlVisible, kClientRect, kBackgroundId);
    BuildStatusRow(client);
    BuildPanel(client);
    if (wendaldui::CUITitleBar* bar = GetTitleBar()) {
        CUIMenuTitleButton* button = new CUIMenuTitleButton;
        if (bar->AddControl(button, kControlVisible, kMenuButtonId, kMenuButtonWidth)) {
            m_menuButton = button;
            m_menuButton->BindEvent(wendaldui::kEventClick, this, &CTrelmMainFrame::OnMenuButtonClick);
        } else {
            delete button;
        }
    }
    SetBackgroundFromFolder(false);
    BuildMenu();

    const SettingsRecord& settings = g_settings.current;
    WString storedVersion;
    const int installed = launcher::g_minecraftList.FindById(settings.gameVer.GetString());
    if (installed >= 0) storedVersion = VersionShownName(launcher::g_minecraftList.versions[static_cast<size_t>(installed)]);
    RefreshVersionList(storedVersion.GetString());
    RefreshJavaList();
    SetLoginMode(settings.userType == kLoginOnline ? kLoginOnline : kLoginOffline);
    RefreshNameList(m_loginMode == kLoginOnline ? settings.yggAccount.GetString() : settings.offlineName.GetString());
    if (m_loginMode == kLoginOnline) FillPasswordFromStore();
    CheckNickname();
    SetMemoryValue(settings.javaXmx);
    UpdateSummary();
    UpdateLaunchButtons();
    ApplyServerStatusSettings();

    SetTimer(m_hWnd, kFreeMemoryTimer, kFreeMemoryMs, NULL);
    SetTimer(m_hWnd, kProfilesTimer, kProfilesMs, NULL);
    SetPanelState(settings.mainframeLayout == kPanelHidden ? kPanelHidden : kPanelShown, false);
    SubscribeToBus();
    SetTimer(m_hWnd, kUpdateCheckTimer, 0, NULL);
    CenterWindow(NULL);
}

void CTrelmMainFrame::BuildStatusRow(wendaldui::CUIContainer* client) {
    m_statusRow = AddControl<wendaldui::CUIContainer>(client, kContainerFlags, kRowShownRect, kStatusRowId);
    if (!m_statusRow) return;
    m_motd = AddControl<CUIMcMotdCtrl>(m_statusRow, kControlVisible, kMotdRect, kMotdId);
    FitServerStatus();
    m_summary = AddControl<CUIBannerTextButton>(m_statusRow, kControlVisible, UIRect(32, 72, 380, 64), kSummaryId);
    if (m_summary) {
        m_summary->SetText(L"Player_Name,\r\n游戏版本:1.1.10");
        m_summary->BindEvent(wendaldui::kEventClick, this, &CTrelmMainFrame::OnSummaryClick);
    }
    m_launchButton = AddControl<CUILaunchButton>(m_statusRow, kControlVisible | wendaldui::kControlTabStop,
                                                  UIRect(430, 78, 178, 54), kLaunchButtonId);
    if (m_launchButton) m_launchButton->BindEvent(wendaldui::kEventClick, this, &CTrelmMainFrame::OnBtnLaunchClick);
}

void CTrelmMainFrame::BuildPanel(wendaldui::CUIContainer* client) {
    using wendaldui::CUIComboBoxString;
    m_panel = AddControl<wendaldui::CUIContainer>(client, kContainerFlags, kPanelShownRect, kPanelId);
    if (!m_panel) return;
    constexpr uint32_t kField = kControlVisible | wendaldui::kControlTabStop | wendaldui::kControlFocusable;
    constexpr uint32_t kEditable = kField | wendaldui::kComboEditable;
    int y = 16;
    auto row = [&](const wchar_t* label, int labelId) {
        return MakeLabel(m_panel, label, UIRect(kLabelX, y, kLabelWidth, kRowHeight), labelId);
    };
    auto field = [&]() { return UIRect(kFieldX, y, kFieldWidth, kRowHeight); };

    row(L"版本", kPanelVersionLabel);
    m_versionList = AddControl<CUIComboBoxString>(m_panel, kField, field(), kPanelVersionList);
    y += 32;
    row(L"验证", kPanelAuthLabel);
    m_authList = AddControl<CUIComboBoxString>(m_panel, kField, field(), kPanelAuthList);
    y += 32;
    m_nameLabel = row(L"邮箱", kPanelNameLabel);
    m_nameList = AddControl<CUIComboBoxName>(m_panel, kEditable, field(), kPanelNameList);
    y += kRowHeight + 2;
    m_nameHint = MakeLabel(m_panel, g_settings.current.offlineNameMismatchHint.GetString(),
                           UIRect(kFieldX, y, kFieldWidth, 16), kPanelNameHint);
    if (m_nameHint) {
        m_nameHint->SetTextColor(0xFFFFD24D);
        SetVisible(m_nameHint, false);
    }
    y += 20;
    m_passwordLabel = row(L"密码", kPanelPasswordLabel);
    m_password = AddControl<wendaldui::CUIRichEdit>(
        m_panel, kField | wendaldui::kRichEditCentreLine, field(), kPanelPassword,
        reinterpret_cast<void*>(static_cast<uintptr_t>(wendaldui::kRichEditPassword | wendaldui::kRichEditHideSelection)));
    y += 30;
    m_remember = AddControl<wendaldui::CUICheckBox>(m_panel, kControlVisible | wendaldui::kControlTabStop,
                                                     UIRect(kFieldX, y, kFieldWidth, 22), kPanelRememberPassword);
    y += 28;
    row(L"可用内存", kPanelFreeMemoryLabel);
    m_freeMemory = MakeLabel(m_panel, L"- MB", field(), kPanelFreeMemory);
    y += 30;
    row(L"Java版本", kPanelJavaLabel);
    m_javaList = AddControl<CUIComboBoxString>(m_panel, kField, field(), kPanelJavaList);
    y += 32;
    row(L"游戏内存", kPanelMemoryLabel);
    m_memoryList = AddControl<CUIComboBoxString>(m_panel, kEditable, field(), kPanelMemoryList);
    y += 34;
    m_shortcut = AddControl<wendaldui::CUICheckBox>(m_panel, kControlVisible | wendaldui::kControlTabStop,
                                                     UIRect(kLabelX, y, kFieldX + kFieldWidth - kLabelX, 22),
                                                     kPanelShortcut);
    m_panelLaunch = AddControl<wendaldui::CUIButton>(m_panel, kControlVisible | wendaldui::kControlTabStop,
                                                      UIRect(kLabelX, 344, kFieldX + kFieldWidth - kLabelX, 40),
                                                      kPanelLaunchButton);
    if (!m_versionList || !m_authList || !m_nameList || !m_password || !m_remember || !m_javaList ||
        !m_memoryList || !m_shortcut || !m_panelLaunch) {
        return;
    }
    m_remember->SetText(L"记住密码");
    m_shortcut->SetText(L"启动后创建快捷方式");
    m_panelLaunch->SetText(L"启动Minecraft");
    AddItem(m_authList, L"离线登录", kLoginOffline);
    AddItem(m_authList, L"正版登录", kLoginOnline);
    if (wendaldui::CUIRichEdit* edit = m_nameList->GetEdit()) edit->SetLimitText(kMaxNameLength);
    if (wendaldui::CUIRichEdit* edit = m_memoryList->GetEdit()) edit->SetLimitText(kMaxMemoryText);

    // The memory list: automatic, then the sizes this machine can give.
    uint64_t available = 0, total = 0;
    const int64_t totalMB = launcher::GetPhysicalMemory(&available, &total) ? static_cast<int64_t>(total >> 20) : 2048;
    AddItem(m_memoryList, L"自动设置", kAutomatic);
    if (launcher::ProcessRunsUnderWow64()) {
        for (int64_t size : {1024, 2048, 3072, 4096}) {
            if (size < totalMB) AddItem(m_memoryList, MegabytesText(size).GetString(), static_cast<uint32_t>(size));
        }
        if (totalMB > 8192) AddItem(m_memoryList, MegabytesText(8192).GetString(), 8192);
    } else {
        AddItem(m_memoryList, MegabytesText(1024).GetString(), 1024);
    }

    m_versionList->BindEvent(wendaldui::kEventSelectionChanged, this, &CTrelmMainFrame::OnVersionChosen);
    m_authList->BindEvent(wendaldui::kEventSelectionChanged, this, &CTrelmMainFrame::OnAuthKindChanged);
    m_nameList->BindEvent(wendaldui::kEventClick, this, &CTrelmMainFrame::OnNameEdited);
    m_nameList->BindEvent(wendaldui::kEventSelectionChanged, this, &CTrelmMainFrame::OnNameChosen);
    if (wendaldui::CUIListBoxBase* names = m_nameList->GetListBox()) {
        names->BindEvent(internal::kEventDeleteName, this, &CTrelmMainFrame::OnNameDeleted);
    }
    m_remember->BindEvent(wendaldui::kEventClick, this, &CTrelmMainFrame::OnRememberClick);
    m_memoryList->BindEvent(wendaldui::kEventKillFocus, this, &CTrelmMainFrame::OnMemoryFocusLost);
    m_panelLaunch->BindEvent(wendaldui::kEventClick, this, &CTrelmMainFrame::OnBtnLaunchClick);
}

void CTrelmMainFrame::BuildMenu() {
    m_menu.InsertItem(-1, L"原版下载", kMenuVersionDownload, 0);
    m_menu.InsertItem(-1, L"游戏管理", kMenuGameManager, 0);
    m_menu.InsertItem(-1, nullptr, -1, wendaldui::kMenuItemSeparator);
    m_menu.InsertItem(-1, L"设置", kMenuSettings, 0);
    m_menu.InsertItem(-1, L"检查更新", kMenuCheckUpdate, 0);
    m_menu.InsertItem(-1, nullptr, -1, wendaldui::kMenuItemSeparator);
    m_menu.InsertItem(-1, L"关于", kMenuAbout, 0);
    m_menu.SetTargetWindow(m_hWnd);
}

CUIControl* CTrelmMainFrame::GetPanelControl(int id) const { return m_panel ? m_panel->GetChild(id) : nullptr; }

void CTrelmMainFrame::OnAfterCreate() { ShowStartupNotices(); }

int CTrelmMainFrame::ShowWithDoNotShow(HWND owner, const wchar_t* text, int style, int icon, bool& dontShowAgain) {
    wendaldui::CDlgMessageBox::Param param = {};
    param.caption = L"提示";
    param.text = text;
    param.icon = static_cast<uint32_t>(icon);
    param.SetButtons(style);
    param.doNotShow = 1;
    const int result = wendaldui::CDlgMessageBox::DoModal(owner, &param);
    dontShowAgain = param.doNotShow == 1;
    return result;
}

void CTrelmMainFrame::ShowStartupNotices() {
    using wendaldui::CDlgMessageBox;
    int argc = 0;
    if (wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        if (argc >= 2 && wcscmp(argv[1], L"-update_done") == 0) {
            WString message, text;
            if (HandleUpdateDone(argc - 1, argv + 1, message)) {
                CDlgMessageBox::Show(NULL, L"TRELM", L"已完成自动更新", wendaldui::kBoxOk,
                                     wendaldui::kIconInformation);
            } else {
                text.Format(L"TRELM无法完成自动更新，原因：%s。请尝试手动更新。",
                            wendaldui::EscapeMarkup(message).GetString());
                CDlgMessageBox::Show(NULL, L"TRELM", text.GetString(), wendaldui::kBoxOk, wendaldui::kIconError);
            }
        }
        LocalFree(argv);
    }
    if (!m_hWnd) return;
    WString link, text;
    link.Format(L"<a href=\"%s\">%s</a>", kJavaDownloadUrl, kJavaDownloadUrl);
    const wchar_t* bits = launcher::ProcessRunsUnderWow64() ? L"64位" : L"32位";
    TipSetting& tips = g_settings.current.dontShowTip;
    auto tipWithBox = [&](const wchar_t* format, bool& dontShow) {
        text.Format(format, link.GetString(), bits);
        ShowWithDoNotShow(m_hWnd, text.GetString(), wendaldui::kBoxOk, wendaldui::kIconInformation, dontShow);
    };
    if (launcher::g_javaRuntimes.GetCount() == 0) {
        text.Format(L"启动器未找到Java。\r\n您可以从%s下载Windows版本的%sJava，或在设置中手动设置Java路径。否则无法启动游戏",
                    link.GetString(), bits);
        CDlgMessageBox::Show(m_hWnd, L"提示", text.GetString(), wendaldui::kBoxOk, wendaldui::kIconWarning);
    }
    const uint32_t java7[4] = {1, 7, 0, 0};
    if (!tips.javaVerLow && launcher::g_javaRuntimes.AllOlderThan(java7)) {
        tipWithBox(L"安装的Java的版本过旧，建议安装最新版本的Java。\r\n您可以从%s下载Windows版本的%sJava", tips.javaVerLow);
    }
    if (!tips.no64Java && launcher::g_javaRuntimes.Is64BitSystemWithout64BitJava()) {
        tipWithBox(L"检测到64位系统，但只安装了32位Java。建议安装64位Java。\r\n您可以从%s下载Windows版本的%sJava",
                   tips.no64Java);
    }
    if (launcher::g_minecraftList.versions.empty()) {
        CDlgMessageBox::Show(m_hWnd, L"提示", L"当前目录下没有找到Minecraft，您可以使用“游戏下载”来下载Minecraft",
                             wendaldui::kBoxOk, wendaldui::kIconInformation);
    }
}

// Lists, account area and summary.

void CTrelmMainFrame::RefreshVersionList(const wchar_t* select) {
    if (!m_versionList) return;
    WString previous;
    if (select) {
        previous = select;
    } else {
        m_versionList->GetText(previous);
    }
    m_versionList->ResetContent();
    const std::vector<launcher::VersionInfo>& versions = launcher::g_minecraftList.versions;
    int chosen = -1;
    for (size_t i = 0; i < versions.size(); ++i) {
        if (g_settings.IsVersionHidden(versions[i].id.GetString())) continue;
        const WString text = VersionShownName(versions[i]);
        const int index = AddItem(m_versionList, text.GetString(), static_cast<uint32_t>(i));
        if (chosen < 0 && index >= 0 && text == previous) chosen = index;
    }
    if (chosen < 0 && ListOf(m_versionList)->GetItemCount() > 0) chosen = 0;
    m_versionList->SetCurSel(chosen);
}

void CTrelmMainFrame::RefreshJavaList() {
    if (!m_javaList) return;
    launcher::JavaRuntimeList& runtimes = launcher::g_javaRuntimes;
    for (int i = runtimes.GetCount() - 1; i >= 0; --i) {
        if (runtimes.GetAt(i)->origin == launcher::kJavaAddedByPlayer) runtimes.RemoveUserJava(i);
    }
    const ManualJavaSetting& manual = g_settings.current.manualJava;
    if (manual.enable && !manual.path.IsEmpty()) runtimes.AddUserJava(manual.path.GetString(), manual.arch == 1);

    m_javaList->ResetContent();
    AddItem(m_javaList, L"自动设置", kAutomatic);
    int chosen = 0;
    WString text;
    for (int i = 0; i < runtimes.GetCount(); ++i) {
        const launcher::JavaRuntimeInfo* java = runtimes.GetAt(i);
        text.Format(L"%s(%ubit)", java->versionText.GetString(), java->is64Bit ? 64u : 32u);
        const int index = AddItem(m_javaList, text.GetString(), static_cast<uint32_t>(i));
        if (index >= 0 && java->id == g_settings.current.javaVersion) chosen = index;
    }
    m_javaList->SetCurSel(chosen);
}

void CTrelmMainFrame::RefreshNameList(const wchar_t* text) {
    if (!m_nameList) return;
    m_nameList->ResetContent();
    auto* list = static_cast<internal::CUIListBoxName*>(m_nameList->GetListBox());
    if (list) {
        if (m_loginMode == kLoginOnline) {
            for (const auto& account : g_accountStore.accounts) list->InsertString(-1, account.first.GetString());
        } else {
            for (const WString& name : g_accountStore.offlineNames) list->InsertString(-1, name.GetString());
        }
    }
    m_nameList->SetEditText(text ? text : L"");
}

void CTrelmMainFrame::SetLoginMode(int mode) {
    m_loginMode = mode;
    const bool online = mode == kLoginOnline;
    if (m_authList) m_authList->SetCurSel(ListOf(m_authList)->FindItemData(static_cast<uint32_t>(mode)));
    if (m_nameLabel) m_nameLabel->SetText(online ? L"邮箱" : L"昵称");
    if (m_nameList && m_nameList->GetEdit()) m_nameList->GetEdit()->SetCueText(online ? L"请输入邮箱" : L"请输入昵称");
    SetVisible(m_passwordLabel, online);
    SetVisible(m_password, online);
    SetVisible(m_remember, online);
}

void CTrelmMainFrame::FillPasswordFromStore() {
    if (!m_nameList || !m_password) return;
    WString account;
    m_nameList->GetText(account);
    const YggdrasilAccount* stored = g_accountStore.FindYggdrasilAccount(account.GetString());
    if (!stored) return;
    WString password;
    stored->GetPassword(password);
    m_password->SetText(password.GetString());
    SetChecked(m_remember, !password.IsEmpty());
}

bool CTrelmMainFrame::CheckNickname() {
    bool valid = true;
    if (m_loginMode == kLoginOffline && m_nameList) {
        WString name;
        m_nameList->GetText(name);
        valid = NameMatchesRule(g_settings.current.offlineNameRegex, name);
    }
    SetVisible(m_nameHint, !valid);
    return valid;
}

void CTrelmMainFrame::UpdateSummary() {
    if (!m_summary || !m_nameList) return;
    WString name, line, version, text;
    m_nameList->GetText(name);
    if (name.IsEmpty()) {
        line = m_loginMode == kLoginOnline ? L"<请输入邮箱>" : L"<请输入昵称>";
    } else if (m_loginMode == kLoginOnline) {
        const YggdrasilAccount* stored = g_accountStore.FindYggdrasilAccount(name.GetString());
        if (stored && !stored->name.IsEmpty()) {
            line.Format(L"%s (%s)", stored->name.GetString(), name.GetString());
        } else {
            line = name;
        }
    } else {
        line = name;
    }
    WString id;
    if (SelectedVersionId(id)) {
        g_settings.GetVersionAliasOrId(id.GetString(), version);
    } else {
        version = L"<未找到游戏>";
    }
    text.Format(L"%s\r\n游戏版本:%s", line.GetString(), version.GetString());
    m_summary->SetText(text.GetString());
}

void CTrelmMainFrame::UpdateLaunchButtons() {
    const bool ready = m_versionList && ListOf(m_versionList)->GetItemCount() > 0 && m_versionList->GetCurSel() >= 0 &&
                       launcher::g_javaRuntimes.GetCount() > 0 && !m_busy;
    if (m_panelLaunch) m_panelLaunch->Enable(ready);
    if (m_launchButton) m_launchButton->Enable(ready);
}

void CTrelmMainFrame::UpdateFreeMemory() {
    if (!m_freeMemory) return;
    uint64_t available = 0, total = 0;
    if (launcher::GetPhysicalMemory(&available, &total)) {
        m_freeMemory->SetText(MegabytesText(static_cast<int64_t>(available >> 20)).GetString());
    } else {
        m_freeMemory->SetText(L"获取失败");
    }
}

bool CTrelmMainFrame::SelectedVersionId(WString& id) const {
    const uint32_t index = SelectedData(m_versionList, kAutomatic);
    const std::vector<launcher::VersionInfo>& versions = launcher::g_minecraftList.versions;
    if (index >= versions.size()) return false;
    id = versions[index].id;
    return true;
}

launcher::JavaRuntimeInfo* CTrelmMainFrame::ChosenJava() const {
    const int index = static_cast<int32_t>(SelectedData(m_javaList, kAutomatic));
    return launcher::g_javaRuntimes.GetAt(index >= 0 ? index : launcher::g_javaRuntimes.GetSelectedIndex());
}

int32_t CTrelmMainFrame::GetMemoryValue() {
    if (!m_memoryList) return -1;
    const int selected = m_memoryList->GetCurSel();
    if (selected >= 0) return static_cast<int32_t>(ListOf(m_memoryList)->GetItemData(selected));
    WString text;
    m_memoryList->GetEditText(text);
    if (text.IsEmpty() || text == L"自动设置") return -1;
    uint32_t megabytes = 0;
    launcher::ParseMemoryText(text.GetString(), &megabytes);
    SetMemoryValue(static_cast<int32_t>(megabytes));
    return static_cast<int32_t>(megabytes);
}

void CTrelmMainFrame::SetMemoryValue(int32_t megabytes) {
    if (!m_memoryList) return;
    if (megabytes < 0) {
        m_memoryList->SetCurSel(ListOf(m_memoryList)->FindItemData(kAutomatic));
        return;
    }
    const WString text = MegabytesText(megabytes);
    m_memoryList->SetEditText(text.GetString());
    if (wendaldui::CUIRichEdit* edit = m_memoryList->GetEdit()) edit->SetSel(text.GetLength(), text.GetLength());
}

// Handlers of the controls.

void CTrelmMainFrame::OnSummaryClick(EventData&) {
    SetPanelState(m_panelState == kPanelShown ? kPanelHidden : kPanelShown);
}

void CTrelmMainFrame::OnMenuButtonClick(EventData&) { OpenMenu(); }

void CTrelmMainFrame::OpenMenu() {
    if (!m_menuButton || m_menu.GetMenuWindow()) return;
    const UIRect r = m_menuButton->GetWindowRect();
    POINT pt = {r.x, r.y + r.height};
    ClientToScreen(m_hWnd, &pt);
    m_menu.Popup(this, pt.x, pt.y);
}

void CTrelmMainFrame::OnVersionChosen(EventData&) { UpdateSummary(); }

void CTrelmMainFrame::OnAuthKindChanged(EventData&) {
    const int mode = static_cast<int32_t>(SelectedData(m_authList, static_cast<uint32_t>(m_loginMode)));
    if (mode == m_loginMode) return;
    SettingsRecord& settings = g_settings.current;
    WString text;
    m_nameList->GetText(text);
    (m_loginMode == kLoginOnline ? settings.yggAccount : settings.offlineName) = text;
    SetLoginMode(mode);
    RefreshNameList(mode == kLoginOnline ? settings.yggAccount.GetString() : settings.offlineName.GetString());
    if (mode == kLoginOnline) FillPasswordFromStore();
    CheckNickname();
    UpdateSummary();
}

void CTrelmMainFrame::OnNameEdited(EventData&) {
    CheckNickname();
    UpdateSummary();
}

void CTrelmMainFrame::OnNameChosen(EventData&) {
    if (m_loginMode == kLoginOnline) FillPasswordFromStore();
    CheckNickname();
    UpdateSummary();
}

void CTrelmMainFrame::OnNameDeleted(EventData& event) {
    wendaldui::CUIListBoxBase* list = m_nameList->GetListBox();
    const int row = static_cast<int>(event.p1);
    if (!list || row < 0 || row >= list->GetItemCount()) return;
    WString name;
    m_nameList->GetItemText(list->GetListView()->GetItem(row), name);
    if (m_loginMode == kLoginOnline) {
        g_accountStore.accounts.erase(name);
    } else {
        g_accountStore.offlineNames.erase(name);
    }
    list->RemoveItems(row, 1);
}

void CTrelmMainFrame::OnRememberClick(EventData& event) {
    if (m_loginMode != kLoginOnline || event.p1 != 0) return;
    WString account;
    m_nameList->GetText(account);
    if (!g_accountStore.FindYggdrasilAccount(account.GetString())) return;
    const bool remember = false;
    g_accountStore.SetYggdrasilAccount(account.GetString(), L"", nullptr, nullptr, &remember);
}

void CTrelmMainFrame::OnMemoryFocusLost(EventData&) { GetMemoryValue(); }

// The panel's slide.

void CTrelmMainFrame::SetPanelState(int state, bool animate) {
    if (!m_panel || !m_statusRow) return;
    const bool changed = state != m_panelState;
    m_panelState = state;
    if (m_summary) m_summary->SetToolTipText(state == kPanelShown ? L"隐藏启动设置" : L"编辑启动设置");
    if (animate && !changed && !m_sliding) return;
    StartSlide(animate);
}

void CTrelmMainFrame::SlideToPanelState() {
    if (!m_panel || !m_statusRow) return;
    StartSlide(true);
}

void CTrelmMainFrame::StartSlide(bool animate) {
    const int state = m_panelState;
    const UIRect panelTo = wendaldui::DpiScaleRect(state == kPanelShown ? kPanelShownRect : kPanelHiddenRect);
    const UIRect rowTo = wendaldui::DpiScaleRect(state == kPanelShown ? kRowShownRect : kRowHiddenRect);
    SetVisible(state == kPanelShown ? static_cast<CUIControl*>(m_panel) : m_launchButton, true);
    m_panelTween.Start(m_panel->GetRect(), panelTo, kSlideFrames);
    m_rowTween.Start(m_statusRow->GetRect(), rowTo, kSlideFrames);
    if (animate) {
        m_sliding = true;
        // Already running for a slide that is turned back: it goes on.
        StartAnimationTimer();
        if (m_timerQueue) return;
    }
    m_panelTween.SetFrame(kSlideFrames);
    m_rowTween.SetFrame(kSlideFrames);
    OnAnimationTimer(0);
}

void CTrelmMainFrame::OnAnimationTimer(UINT) {
    if (!m_panel || !m_statusRow) return;
    const bool running = m_panelTween.Step() | m_rowTween.Step();
    m_panel->SetPos(m_panelTween.GetValue());
    m_statusRow->SetPos(m_rowTween.GetValue());
    FitServerStatus();
    if (running) {
        if (m_background) m_background->SetBlurArea(m_panel->GetRect());
        return;
    }
    StopAnimationTimer();
    m_sliding = false;
    if (m_panelState == kPanelShown) {
        SetVisible(m_launchButton, false);
        if (m_background) m_background->SetBlurArea(m_panel->GetRect());
    } else {
        SetVisible(m_panel, false);
        if (m_background) m_background->SetBlurArea(kNoBlur);
    }
}

void CTrelmMainFrame::FitServerStatus() {
    if (!m_motd || !m_statusRow) return;
    const UIRect most = wendaldui::DpiScaleRect(kMotdRect);
    const int room = m_statusRow->GetRect().width - most.x - wendaldui::DpiScale(kMotdRightMargin);
    const int width = std::max(0, std::min(most.width, room));
    if (m_motd->GetRect().width != width) m_motd->SetPos(UIRect(most.x, most.y, width, most.height));
}

// Background.

bool BackgroundSource::operator==(const BackgroundSource& o) const {
    return path == o.path && bytes == o.bytes && CompareFileTime(&written, &o.written) == 0 && area.cx == o.area.cx &&
           area.cy == o.area.cy;
}

namespace {

// A random picture of the folder (the built-in one when there is none or it
// cannot be read) scaled once to cover `area`, premultiplied as it is drawn;
// null in `picture` when it is `shown` already, or when nothing could be read.
void LoadBackground(const WString& folder, int* lastIndex, SIZE area, const BackgroundSource* shown,
                    BackgroundSource& source, Gdiplus::Bitmap*& picture) {
    picture = nullptr;
    source = BackgroundSource();
    WString path;
    if (PickRandomFile(folder, &path, static_cast<int>(sizeof kPicturePatterns / sizeof kPicturePatterns[0]),
                       kPicturePatterns, lastIndex)) {
        WIN32_FILE_ATTRIBUTE_DATA file;
        if (GetFileAttributesExW(path.GetString(), GetFileExInfoStandard, &file)) {
            source.path = path;
            source.bytes = (static_cast<uint64_t>(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
            source.written = file.ftLastWriteTime;
        }
    }
    source.area = area;
    // The same file (or the built-in picture) for the same area: nothing to read.
    if (shown && source == *shown) return;
    Gdiplus::Bitmap* loaded = nullptr;
    if (source.path.GetLength() > 0) {
        loaded = Gdiplus::Bitmap::FromFile(source.path.GetString());
        if (loaded && loaded->GetLastStatus() != Gdiplus::Ok) {
            delete loaded;
            loaded = nullptr;
        }
    }
    if (!loaded) {
        source = BackgroundSource();
        source.area = area;
        if (shown && source == *shown) return;
        loaded = wendaldui::LoadResourceImage(L"JPG", IDR_JPG_BACKGROUND);
    }
    if (!loaded) return;
    const SIZE cover = wendaldui::CalcCoverSize(static_cast<int>(loaded->GetWidth()),
                                                static_cast<int>(loaded->GetHeight()), area.cx, area.cy);
    picture = wendaldui::ResampleBitmap(loaded, cover.cx, cover.cy);
    delete loaded;  // lets the file go
}

// The part of the picture under the shown launch panel, which shows blurred.
UIRect PanelCrop(Gdiplus::Bitmap* picture) {
    UIRect crop;
    if (!wendaldui::DpiScaleRect(kPanelShownRect)
             .Intersect(UIRect(0, 0, static_cast<int>(picture->GetWidth()), static_cast<int>(picture->GetHeight())),
                        crop)) {
        crop = UIRect();
    }
    return crop;
}

// The first picture and its blurred part, made on a thread of its own during the start-up.
struct BackgroundPrefetch {
    HANDLE thread = NULL;
    WString folder;
    SIZE area = {};
    int lastIndex = -1;
    BackgroundSource source;
    Gdiplus::Bitmap* picture = nullptr;
    Gdiplus::Bitmap* blurred = nullptr;
};
BackgroundPrefetch g_prefetch;

unsigned __stdcall PrefetchBackground(void*) {
    const HRESULT com = CoInitializeEx(NULL, COINIT_MULTITHREADED);
    LoadBackground(g_prefetch.folder, &g_prefetch.lastIndex, g_prefetch.area, nullptr, g_prefetch.source,
                   g_prefetch.picture);
    if (g_prefetch.picture) {
        g_prefetch.blurred = CUIBluredBackgroundImage::BlurCrop(g_prefetch.picture, PanelCrop(g_prefetch.picture));
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

SIZE ClientAreaInPixels() {
    const UIRect area = wendaldui::DpiScaleRect(kClientRect);
    return SIZE{area.width, area.height};
}

// The prefetched picture for `area` and its blurred part (null when it has
// none), when one was started for it: false (nothing taken) otherwise. Waits
// for the thread.
bool TakePrefetchedBackground(SIZE area, int* lastIndex, BackgroundSource& source, Gdiplus::Bitmap*& picture,
                              Gdiplus::Bitmap*& blurred) {
    if (!g_prefetch.thread) return false;
    WaitForSingleObject(g_prefetch.thread, INFINITE);
    CloseHandle(g_prefetch.thread);
    g_prefetch.thread = NULL;
    const bool fits = g_prefetch.area.cx == area.cx && g_prefetch.area.cy == area.cy && g_prefetch.picture;
    if (fits) {
        *lastIndex = g_prefetch.lastIndex;
        source = g_prefetch.source;
        picture = g_prefetch.picture;
        blurred = g_prefetch.blurred;
    } else {
        delete g_prefetch.picture;
        delete g_prefetch.blurred;
    }
    g_prefetch.picture = g_prefetch.blurred = nullptr;
    return fits;
}

}  // namespace

void PrefetchMainFrameBackground() {
    if (g_prefetch.thread) return;
    g_prefetch.folder = g_settings.current.backgroundImgFolder;
    g_prefetch.area = ClientAreaInPixels();
    g_prefetch.thread = reinterpret_cast<HANDLE>(_beginthreadex(NULL, 0, &PrefetchBackground, nullptr, 0, NULL));
}

void DiscardMainFrameBackground() {
    Gdiplus::Bitmap* picture = nullptr;
    Gdiplus::Bitmap* blurred = nullptr;
    BackgroundSource source;
    int lastIndex = -1;
    TakePrefetchedBackground(g_prefetch.area, &lastIndex, source, picture, blurred);
    delete picture;
    delete blurred;
}

void CTrelmMainFrame::SetBackgroundFromFolder(bool crossFade) {
    if (!m_background) return;
    const UIRect area = m_background->GetRect();
    const SIZE size = {area.width, area.height};
    BackgroundSource source;
    Gdiplus::Bitmap* picture = nullptr;
    Gdiplus::Bitmap* blurred = nullptr;
    if (!TakePrefetchedBackground(size, &m_lastBackground, source, picture, blurred)) {
        LoadBackground(g_settings.current.backgroundImgFolder, &m_lastBackground, size,
                       m_background->GetPicture() ? &m_backgroundSource : nullptr, source, picture);
    }
    // Nothing new: the picture and the size shown already, or nothing readable.
    if (!picture) return;
    m_backgroundSource = source;
    if (g_settings.current.theme.colorFollowBg) FollowBackgroundColor(picture);
    ApplyBackgroundTint();
    const UIRect crop = PanelCrop(picture);
    if (!blurred) blurred = CUIBluredBackgroundImage::BlurCrop(picture, crop);
    // A new picture fades in over the old one; the first shows at once, so
    // that the window's first picture is already the finished one.
    m_background->SetImage(picture, blurred, crop, crossFade ? 12 : 1, crossFade ? 165 : 255);
}

void CTrelmMainFrame::ApplyBackgroundTint() {
    const wendaldui::CDuiSkinManager* skin = wendaldui::CDuiSkinManager::GetInstance();
    if (!m_background || !skin) return;
    const double* rgb = skin->GetTheme().rgb;
    m_background->SetTint(wendaldui::MakeArgb(0xFF, rgb[0], rgb[1], rgb[2]));
}

void CTrelmMainFrame::OnSkinChanged(uint32_t bits) {
    if (bits & wendaldui::kSkinChangedColors) ApplyBackgroundTint();
}

void CTrelmMainFrame::FollowBackgroundColor(Gdiplus::Bitmap* picture) {
    if (!picture && m_background) picture = m_background->GetPicture();
    if (!picture || !wendaldui::CDuiSkinManager::GetInstance()) return;
    ApplyThemeArgb(GetDominantColor(picture));
}

void CTrelmMainFrame::ApplyServerStatusSettings() {
    if (!m_motd) return;
    const ServerInfoSetting& server = g_settings.current.serverInfo;
    m_motd->SetServerAddress(server.enable && !server.address.IsEmpty() ? server.address.GetString() : L"");
    const uint32_t flags = m_motd->GetFlags();
    m_motd->SetFlags(server.coloredString ? (flags | kMotdColored) : (flags & ~kMotdColored));
}

// Event bus and update check.

void CTrelmMainFrame::SubscribeToBus() {
    wendal_::CSimpleEventBus& bus = wendal_::GetEventBus();
    for (int i = 0; i < 3; ++i) {
        m_subscriptions[i] = bus.Subscribe(
            kBusEvents[i], new wendal_::CMethodDelegate<CTrelmMainFrame, void, unsigned, int, int>(
                               this, &CTrelmMainFrame::OnBusEvent));
    }
}

void CTrelmMainFrame::UnsubscribeFromBus() {
    wendal_::CSimpleEventBus& bus = wendal_::GetEventBus();
    for (unsigned i = 0; i < 3; ++i) {
        if (m_subscriptions[i]) bus.Unsubscribe(kBusEvents[i], m_subscriptions[i]);
        m_subscriptions[i] = nullptr;
    }
}

void CTrelmMainFrame::OnBusEvent(unsigned eventId, int value, int) {
    if (eventId != wendal_::kEventVersionNameChanged) {
        RefreshVersionList();
        UpdateSummary();
        UpdateLaunchButtons();
        return;
    }
    const std::vector<launcher::VersionInfo>& versions = launcher::g_minecraftList.versions;
    if (!m_versionList || value < 0 || static_cast<size_t>(value) >= versions.size()) return;
    wendaldui::CUIListBoxString* list = ListOf(m_versionList);
    const int item = list->FindItemData(static_cast<uint32_t>(value));
    if (item < 0) return;
    list->SetItemText(item, VersionShownName(versions[static_cast<size_t>(value)]).GetString());
    if (item == m_versionList->GetCurSel()) {
        m_versionList->Invalidate();
        UpdateSummary();
    }
}

void CTrelmMainFrame::StartUpdateCheck() {
    StopUpdateCheck();
    m_updateService.reset(new TRELMUpdateServiceWindowNotify(m_hWnd, WM_MAINFRAME_UPDATE_CHECKED));
    m_updateService->StartCheck();
}

// The service's destructor aborts a running check and waits for it.
void CTrelmMainFrame::StopUpdateCheck() { m_updateService.reset(); }

LRESULT CTrelmMainFrame::OnUpdateCheckDone(WPARAM, LPARAM) {
    if (!m_updateService) return 0;
    UpdateInfo info;
    if (!m_updateService->GetInfo(info)) return 0;
    SettingsRecord& settings = g_settings.current;
    CUpdateDlg* open = GetTopLevelWindows().updateDialog;
    if (settings.showUpdateInfo && info.state == UpdateInfo::kNewer) {
        const int64_t now = static_cast<int64_t>(time(nullptr));
        if (ShouldAnnounceUpdate(settings.update, info.version, now)) {
            settings.update.version = info.version;
            settings.update.time = now;
            ShowUpdateDialog(&info);
            return 0;
        }
    }
    if (open) open->SetUpdateInfo(info);
    return 0;
}

// Window messages.

LRESULT CTrelmMainFrame::OnTimer(WPARAM wParam, LPARAM lParam) {
    if (wParam == kFreeMemoryTimer) {
        UpdateFreeMemory();
        return 0;
    }
    if (wParam == kUpdateCheckTimer) {
        KillTimer(m_hWnd, kUpdateCheckTimer);
        StartUpdateCheck();
        return 0;
    }
    if (wParam == kGameStartTimer) {
        CheckGameStart();
        return 0;
    }
    if (wParam == kProfilesTimer) {
        KillTimer(m_hWnd, kProfilesTimer);
        launcher::MinecraftLauncher2 profiles(L"");
        profiles.EnsureLauncherProfiles();
        return 0;
    }
    return OnTimerMessage(wParam, lParam);
}

LRESULT CTrelmMainFrame::OnMenuCommand(WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<wendaldui::CMenu*>(wParam) != &m_menu) return 0;
    switch (static_cast<int>(lParam)) {
        case kMenuVersionDownload:
            ShowGameDownloadDialog();
            break;
        case kMenuGameManager:
            ShowGameManager();
            break;
        case kMenuSettings:
            RunSettingDialog(m_hWnd);
            // The server may have changed; the row slides back into its place.
            ApplyServerStatusSettings();
            SlideToPanelState();
            RefreshJavaList();
            break;
        case kMenuCheckUpdate: {
            UpdateInfo info;
            ShowUpdateDialog(m_updateService && m_updateService->GetInfo(info) ? &info : nullptr);
            break;
        }
        case kMenuAbout:
            RunAboutDialog(m_hWnd);
            break;
        default:
            break;
    }
    return 0;
}

void CTrelmMainFrame::SaveLaunchFields() {
    SettingsRecord& settings = g_settings.current;
    settings.mainframeLayout = static_cast<uint32_t>(m_panelState);
    settings.userType = m_loginMode;
    WString id;
    settings.gameVer = SelectedVersionId(id) ? id : WString(L"");
    const int java = static_cast<int32_t>(SelectedData(m_javaList, kAutomatic));
    const launcher::JavaRuntimeInfo* runtime = java >= 0 ? launcher::g_javaRuntimes.GetAt(java) : nullptr;
    settings.javaVersion = runtime ? runtime->id : WString(L"");
    settings.javaXmx = GetMemoryValue();
    if (m_nameList) {
        WString name;
        m_nameList->GetText(name);
        (m_loginMode == kLoginOnline ? settings.yggAccount : settings.offlineName) = name;
    }
}

LRESULT CTrelmMainFrame::OnClose(WPARAM, LPARAM) {
    // Disabled, a dialog of its own runs in a call that would return into a freed window.
    if (m_busy || !IsWindowEnabled(m_hWnd)) return 0;
    SetLaunchFieldsSaver(nullptr);
    SetSettingDlgHooks({nullptr, nullptr});
    StopUpdateCheck();
    UnsubscribeFromBus();
    SaveLaunchFields();
    TopLevelWindows& windows = GetTopLevelWindows();
    if (windows.mainFrame == this) windows.mainFrame = nullptr;
    DestroyWindow(m_hWnd);
    delete this;
    CheckQuit();
    return 0;
}

}  // namespace ui
}  // namespace trelm
