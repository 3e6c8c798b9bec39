// The launch flow of the main window: input checks, the busy state, the
// launch records, the file checks and downloads, the sign-in on a thread of
// its own, the start of Java, the wait for the game's window and the hand-over
// to the running-game monitor.
// The download dialog's sockets header must come before windows.h.
#include "ui/DownloadDialog.h"

#include <process.h>

#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UICheckBox.h"
#include "WendalDui/Control/UIComboBoxString.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Control/UITitleBar.h"
#include "WendalDui/Core/DlgMessageBox.h"
#include "WendalDui/Core/FormattedText.h"
#include "launcher/JavaRuntimeList.h"
#include "launcher/MemoryDefaults.h"
#include "launcher/MinecraftInstanceManager.h"
#include "launcher/MinecraftLauncher2.h"
#include "launcher/Unpack200.h"
#include "launcher/YggdrasilAuthenticate.h"
#include "services/AccountStore.h"
#include "services/ShortcutLaunch.h"
#include "ui/LaunchAsynTasks.h"
#include "ui/SettingDlg.h"
#include "ui/TaskbarProgress.h"
#include "ui/TrelmMainFrame.h"
#include "ui/UIComboBoxName.h"
#include "ui/UILaunchButton.h"
#include "ui/UIMenuTitleButton.h"

namespace trelm {
namespace ui {

using wendaldui::CDlgMessageBox;

namespace {

constexpr int32_t kJava32HeapLimit = 1024;
constexpr DWORD kWaitDialogDelayMs = 500;
// The launch stays busy until the game shows a window, ends, or this long
// after its start, whichever comes first. WaitForInputIdle alone is no start
// signal: for a console java.exe it returns at once (there is no message
// queue to wait for), for javaw.exe as soon as the JVM's hidden windows have
// been idle once, long before a large game shows its window, and a second
// click then started a second game.
constexpr ULONGLONG kGameStartLimitMs = 10000;
constexpr UINT kGameStartPollMs = 50;
constexpr int32_t kStandardWidth = 854, kStandardHeight = 480;

int Ask(HWND owner, const wchar_t* text) {
    return CDlgMessageBox::Show(owner, L"提示", text, wendaldui::kBoxYesNo, wendaldui::kIconQuestion);
}

// Waits for a launch thread, forgets it and returns its exit code; false
// when the wait or the code failed.
bool JoinThread(HANDLE& thread, DWORD& exitCode) {
    const bool waited = WaitForSingleObject(thread, INFINITE) == WAIT_OBJECT_0;
    const bool read = GetExitCodeThread(thread, &exitCode) != 0;
    CloseHandle(thread);
    thread = NULL;
    return waited && read;
}

HANDLE StartThread(unsigned(__stdcall* body)(void*), void* argument) {
    return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, body, argument, 0, nullptr));
}

// The size of the game's window: the player's own size, or the chosen
// preset; full screen starts at the standard size.
// The same reading as the settings dialog's, so what the dialog shows is
// what the game gets; a size the file holds as -1 (full screen) or 0 falls
// back to the standard one.
void ChooseWindowSize(const GameWindowSetting& window, launcher::LaunchGameOptions& game) {
    uint32_t width = 0, height = 0;
    bool fullScreen = false;
    ResolveGameWindow(window, &width, &height, &fullScreen);
    game.fullScreen = fullScreen;
    game.width = static_cast<int32_t>(width);
    game.height = static_cast<int32_t>(height);
    if (game.width <= 0 || game.height <= 0) {
        game.width = kStandardWidth;
        game.height = kStandardHeight;
    }
}

struct WindowSearch {
    DWORD processId;
    bool found;
};

BOOL CALLBACK FindShownWindow(HWND window, LPARAM argument) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(argument);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    // A console program's console window is the system's, shown before the game has loaded anything.
    wchar_t name[32] = {};
    if (GetClassNameW(window, name, 32) && wcscmp(name, L"ConsoleWindowClass") == 0) return TRUE;
    search->found = true;
    return FALSE;
}

// Whether the process shows a visible top-level window of its own.
bool ShowsAWindow(DWORD processId) {
    WindowSearch search = {processId, false};
    if (processId != 0) EnumWindows(&FindShownWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

int CTrelmMainFrame::AskJava32Heap(HWND owner, bool& dontShowAgain) {
    WString text;
    text.Format(L"用32位Java运行游戏，如果游戏内存设置超过%dMB很可能导致游戏启动失败，是否将内存设置为%dMB",
                kJava32HeapLimit, kJava32HeapLimit);
    return ShowWithDoNotShow(owner, text.GetString(), wendaldui::kBoxYesNo, wendaldui::kIconWarning, dontShowAgain);
}

void CTrelmMainFrame::SetStatusText(const wchar_t* text) {
    WString title;
    if (text && text[0]) {
        title.Format(L"%s - %s", m_baseTitle.GetString(), text);
    } else {
        title = m_baseTitle;
    }
    SetWindowTextW(m_hWnd, title.GetString());
}

void CTrelmMainFrame::ShowLaunchError(const wchar_t* versionId, const wchar_t* message) {
    WString display, text;
    g_settings.FormatVersionDisplayName(display, versionId);
    text.Format(L"无法启动Minecraft %s\r\n%s", wendaldui::EscapeMarkup(display).GetString(),
                wendaldui::EscapeMarkup(message).GetString());
    CDlgMessageBox::Show(m_hWnd, L"提示", text.GetString(), wendaldui::kBoxOk, 0);
}

void CTrelmMainFrame::ShowTip(const wchar_t* text) {
    CDlgMessageBox::Show(m_hWnd, L"提示", text, wendaldui::kBoxOk, wendaldui::kIconInformation);
}

void CTrelmMainFrame::SetLaunchControlsEnabled(bool enabled) {
    if (m_panelLaunch) m_panelLaunch->Enable(enabled);
    if (m_launchButton) m_launchButton->Enable(enabled);
    if (m_menuButton) m_menuButton->Enable(enabled);
    if (wendaldui::CUITitleBar* bar = GetTitleBar()) {
        constexpr uint32_t kBoth = wendaldui::kTitleBarMinimizeDisabled | wendaldui::kTitleBarCloseDisabled;
        bar->SetFlags(enabled ? (bar->GetFlags() & ~kBoth) : (bar->GetFlags() | kBoth));
    }
    EnableMenuItem(GetSystemMenu(m_hWnd, FALSE), SC_CLOSE, enabled ? MF_ENABLED : (MF_GRAYED | MF_DISABLED));
    if (!enabled) m_menu.ClosePopup();
}

void CTrelmMainFrame::EndLaunch() {
    KillTimer(m_hWnd, kGameStartTimer);
    DWORD unused = 0;
    if (m_signInThread) JoinThread(m_signInThread, unused);
    if (m_gameProcess) CloseHandle(m_gameProcess);
    m_gameProcess = NULL;
    m_jvm.reset();
    m_game.reset();
    m_auth.reset();
    m_launcher.reset();
    m_authenticator.reset();
    m_relayFailure.Empty();
    SetLaunchControlsEnabled(true);
    SetStatusText(nullptr);
    m_busy = false;
    UpdateLaunchButtons();
}

void CTrelmMainFrame::OnBtnLaunchClick(wendaldui::EventData&) {
    if (m_busy || !m_versionList || !m_javaList || !m_nameList || !m_password ||
        launcher::g_javaRuntimes.GetCount() == 0 || m_versionList->GetCurSel() < 0 || m_javaList->GetCurSel() < 0) {
        return;
    }
    WString name, password;
    m_nameList->GetText(name);
    const bool online = m_loginMode == kLoginOnline;
    if (online) password = m_password->GetText();
    wendaldui::CUIControl* missing = nullptr;
    if (name.IsEmpty()) {
        ShowTip(online ? L"请输入邮箱" : L"请输入昵称");
        missing = m_nameList;
    } else if (online && password.IsEmpty()) {
        ShowTip(L"请输入密码");
        missing = m_password;
    }
    if (missing) {
        SetPanelState(kPanelShown);
        missing->SetFocus(wendaldui::kFocusByProgram);
        return;
    }

    m_busy = true;
    SetLaunchControlsEnabled(false);
    if (!PrepareLaunchRecords(name, password)) {
        EndLaunch();
        return;
    }
    if (!CheckAndFetchFiles()) return;
    if (online) {
        SetStatusText(L"正在正版验证");
        m_authenticator.reset(new launcher::YggdrasilAuthenticate);
        m_signInThread = StartThread(&CTrelmMainFrame::SignInThread, this);
        if (!m_signInThread) {
            EndLaunch();
            return;
        }
        SetTaskbarProgressState(m_hWnd, kTaskbarIndeterminate);
    } else {
        PostMessageW(m_hWnd, WM_MAINFRAME_AUTH_DONE, 0, 0);
    }
}

bool CTrelmMainFrame::PrepareLaunchRecords(const WString& name, const WString& password) {
    launcher::JavaRuntimeInfo* java = ChosenJava();
    WString versionId;
    if (!java || !SelectedVersionId(versionId)) return false;
    SettingsRecord& settings = g_settings.current;
    const ExtraArgumentSetting& extra = settings.extraArgs;

    m_jvm.reset(new launcher::LaunchJvmOptions);
    if (extra.enable) {
        m_jvm->jvmHead = extra.javaHead;
        m_jvm->jvmTail = extra.javaTail;
    }
    int32_t heap = GetMemoryValue();
    if (heap > kJava32HeapLimit && !java->is64Bit && !settings.dontShowTip.java32XmxWarning) {
        bool dontShowAgain = false;
        if (AskJava32Heap(m_hWnd, dontShowAgain) == wendaldui::kResultYes) {
            heap = kJava32HeapLimit;
            SetMemoryValue(heap);
        }
        settings.dontShowTip.java32XmxWarning = dontShowAgain;
    }
    if (heap < 0) heap = static_cast<int32_t>(launcher::DefaultMaxHeapMB(java->is64Bit != 0));
    m_jvm->heapMB = heap;
    m_jvm->useJavaExe = settings.useJavaexe;

    m_game.reset(new launcher::LaunchGameOptions);
    if (extra.enable) {
        m_game->gameHead = extra.gameHead;
        m_game->gameTail = extra.gameTail;
    }
    if (m_loginMode == kLoginOffline) {
        m_game->playerName = name;
        m_game->uuid = g_accountStore.FindUuidByPlayerName(name.GetString());
    }
    m_game->versionType = settings.customVersion;
    m_game->accountKind = m_loginMode;
    ChooseWindowSize(settings.gameWindow, *m_game);
    m_game->separateFolders = settings.mcVersionSeparate;

    m_auth.reset();
    if (m_loginMode == kLoginOnline) {
        m_auth.reset(new LaunchAuthRequest);
        m_auth->email = name;
        m_auth->password = password;
        m_auth->remember = m_remember->IsChecked();
    }
    m_launcher.reset(new launcher::MinecraftLauncher2(L""));
    m_launcher->useMirror = settings.bmclapi;
    m_launcher->verifyDownloadSha1 = settings.dlVerifySha1;
    m_launcher->verifyLocalSha1 = false;
    m_launcher->SetVersionAndJava(versionId.GetString(), *java);
    return true;
}

bool CTrelmMainFrame::CheckAndFetchFiles() {
    const bool checkAssets = !g_settings.current.dontCheckAssets;
    launcher::MinecraftLauncher2& game = *m_launcher;
    const wchar_t* id = game.GetVersionId().GetString();
    SetStatusText(L"正在检查游戏文件");
    const int selected = launcher::g_javaRuntimes.GetSelectedIndex();
    if (selected >= 0) {
        launcher::SetUnpack200PathFromJava(launcher::g_javaRuntimes.GetAt(selected));
    } else {
        launcher::SetUnpack200Path(nullptr);
    }

    DownloadList files;
    int64_t total = 0;
    if (!game.CheckClientJar(files.infos, total) || (checkAssets && !game.CheckAssetIndex(files.infos, total)) ||
        !game.CheckLibraries(files.infos, total)) {
        ShowLaunchError(id, game.GetErrorMsg().GetString());
        EndLaunch();
        return false;
    }
    auto download = [&](const wchar_t* title) {
        return RunDownloadDialog(m_hWnd, m_hWnd, title, files.infos, nullptr,
                                 total > 0 ? static_cast<uint64_t>(total) : 0);
    };
    if (!files.infos.empty() && download(L"正在下载需要的文件") != kDownloadAllSucceeded) {
        EndLaunch();
        return false;
    }

    if (checkAssets) {
        total = 0;
        bool readable = true;
        {
            CheckAssetsObjectAsynTask task(&game, &files, &total);
            RunAsynTask(&task, kWaitDialogDelayMs, m_hWnd);
            readable = task.result;
        }
        if (!readable) {
            if (Ask(m_hWnd, L"无法检查资源文件完整性，是否继续启动？") == wendaldui::kResultNo) {
                EndLaunch();
                return false;
            }
        } else if (!files.infos.empty() &&
                   Ask(m_hWnd, L"检查到资源文件不完整，是否补全？") == wendaldui::kResultYes &&
                   download(L"正在下载资源文件") != kDownloadAllSucceeded &&
                   Ask(m_hWnd, L"资源文件下载失败，是否继续启动？") == wendaldui::kResultNo) {
            EndLaunch();
            return false;
        }
    }

    SetStatusText(L"正在解压Native文件");
    if (!game.ExtractNatives()) {
        ShowLaunchError(id, game.GetErrorMsg().GetString());
        EndLaunch();
        return false;
    }
    bool isVirtual = false;
    if (checkAssets && game.IsVirtualAssets(isVirtual) && isVirtual) {
        SetStatusText(L"正在复制Legacy资源文件");
        CopyLegacyAssetsObjectAsynTask task(&game);
        RunAsynTask(&task, kWaitDialogDelayMs, m_hWnd);
    }
    return true;
}

unsigned __stdcall CTrelmMainFrame::SignInThread(void* argument) {
    CTrelmMainFrame* frame = static_cast<CTrelmMainFrame*>(argument);
    LaunchAuthRequest& request = *frame->m_auth;
    const bool signedIn =
        frame->m_authenticator->Authenticate(request.email.GetString(), request.password.GetString(),
                                             &request.accessToken, &request.profileId, &request.playerName);
    PostMessageW(frame->m_hWnd, WM_MAINFRAME_AUTH_DONE, 0, 0);
    return signedIn ? 1 : 0;
}

// Checked by the window's own timer, every 50 ms: nothing on the way back to
// idle waits without a bound, and no thread has to start, post or end for
// the window to leave its busy state by the limit.
// The timer runs only between the game's start and EndLaunch, which kills it.
void CTrelmMainFrame::CheckGameStart() {
    const bool ended = WaitForSingleObject(m_gameProcess, 0) != WAIT_TIMEOUT;
    const bool late = GetTickCount64() - m_gameStartTick >= kGameStartLimitMs;
    // Once its window shows, a game with a message queue is ready when it
    // takes input; one without (a console java.exe) is ready at once.
    if (!ended && !late &&
        (!ShowsAWindow(GetProcessId(m_gameProcess)) || WaitForInputIdle(m_gameProcess, 0) == WAIT_TIMEOUT)) {
        return;
    }
    KillTimer(m_hWnd, kGameStartTimer);
    PostMessageW(m_hWnd, WM_MAINFRAME_GAME_READY, 0, 0);
}

LRESULT CTrelmMainFrame::OnAuthDone(WPARAM, LPARAM) {
    if (!m_busy || !m_game || !m_launcher) return 0;
    if (m_game->accountKind != kLoginOnline) {
        g_accountStore.AddOfflineName(m_game->playerName.GetString());
    } else {
        DWORD signedIn = 0;
        const bool joined = m_signInThread && JoinThread(m_signInThread, signedIn);
        SetTaskbarProgressState(m_hWnd, kTaskbarNone);
        if (!joined) {
            EndLaunch();
            return 0;
        }
        if (!signedIn) {
            WString text;
            // The reason is the sign-in server's own text: shown as it is, never as mark-up.
            text.Format(L"无法完成正版验证\r\n错误原因:\r\n%s%s",
                        wendaldui::EscapeMarkup(m_authenticator->Message()).GetString(),
                        m_authenticator->Result() == launcher::kAuthRefused
                            ? L"\r\n如果您确定用户名和密码正确，可能由于请求过于频繁导致，稍等几秒即可"
                            : L"");
            CDlgMessageBox::Show(m_hWnd, L"提示", text.GetString(), wendaldui::kBoxOk, 0);
            EndLaunch();
            return 0;
        }
        m_game->playerName = m_auth->playerName;
        m_game->accessToken = m_auth->accessToken;
        m_game->uuid = m_auth->profileId;
        g_accountStore.SetYggdrasilAccount(m_auth->email.GetString(),
                                           m_auth->remember ? m_auth->password.GetString() : L"",
                                           m_auth->playerName.GetString(), m_auth->profileId.GetString(),
                                           &m_auth->remember);
    }
    WString kept;
    m_nameList->GetText(kept);
    RefreshNameList(kept.GetString());

    SetStatusText(L"正在创建Java进程");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_FORCEONFEEDBACK;
    PROCESS_INFORMATION process = {};
    WString display;
    g_settings.FormatVersionDisplayName(display, m_launcher->GetVersionId().GetString());
    if (!m_launcher->LaunchWithRedirect(*m_jvm, *m_game, display, g_settings.current.outputGameLog, &startup,
                                        &process, &m_relayFailure)) {
        ShowLaunchError(m_launcher->GetVersionId().GetString(), m_launcher->GetErrorMsg().GetString());
        EndLaunch();
        return 0;
    }
    SetStatusText(L"正在等待游戏启动");
    SetTaskbarProgressState(m_hWnd, kTaskbarIndeterminate);
    if (process.hThread) CloseHandle(process.hThread);
    m_gameProcess = process.hProcess;
    m_gameStartTick = GetTickCount64();
    // Without the timer the game is taken as ready at once.
    if (!SetTimer(m_hWnd, kGameStartTimer, kGameStartPollMs, NULL)) PostMessageW(m_hWnd, WM_MAINFRAME_GAME_READY, 0, 0);
    return 0;
}

LRESULT CTrelmMainFrame::OnGameReady(WPARAM, LPARAM) {
    if (!m_busy || !m_game || !m_launcher) return 0;
    SetTaskbarProgressState(m_hWnd, kTaskbarNone);
    const WString versionId = m_launcher->GetVersionId();
    if (m_gameProcess) {
        launcher::MinecraftInstanceManager* monitor = RunningGameMonitor();
        if (!monitor || !monitor->Add(versionId.GetString(), m_gameProcess, m_game->separateFolders)) {
            CloseHandle(m_gameProcess);
        }
        m_gameProcess = NULL;
    }
    if (m_shortcut && m_shortcut->IsChecked()) {
        const launcher::JavaRuntimeInfo& java = m_launcher->GetJava();
        ShortcutLaunchInfo info;
        info.userType = m_game->accountKind;
        info.heapMB = m_jvm->heapMB;
        info.width = m_game->width;
        info.height = m_game->height;
        info.versionId = versionId;
        if (m_auth) {
            info.name = m_auth->email;
            info.password = m_auth->password;
        } else {
            info.name = m_game->playerName;
            info.uuid = m_game->uuid;
        }
        info.customVersion = m_game->versionType;
        info.jvmHead = m_jvm->jvmHead;
        info.jvmTail = m_jvm->jvmTail;
        info.gameHead = m_game->gameHead;
        info.gameTail = m_game->gameTail;
        if (java.origin == launcher::kJavaFromRegistry) {
            info.javaPath.Format(L"%sbin\\%s", java.path.GetString(), m_jvm->useJavaExe ? L"java.exe" : L"javaw.exe");
        } else {
            info.javaPath = java.path;
        }
        info.javaArch = static_cast<int32_t>(java.is64Bit);
        info.separateFolders = m_game->separateFolders;
        info.fullScreen = m_game->fullScreen;
        if (!CreateLaunchShortcut(info)) {
            WString name, text;
            ShortcutLinkName(info, &name);
            text.Format(L"创建桌面快捷方式 %s 失败", wendaldui::EscapeMarkup(name).GetString());
            CDlgMessageBox::Show(m_hWnd, L"错误", text.GetString(), wendaldui::kBoxOk, wendaldui::kIconError);
        }
    }
    if (!m_relayFailure.IsEmpty()) {
        CDlgMessageBox::Show(m_hWnd, L"提示", RelayFailureText(versionId.GetString(), m_relayFailure).GetString(),
                             wendaldui::kBoxOk, wendaldui::kIconWarning);
    }
    EndLaunch();
    if (g_settings.current.closeAfterLaunch) PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
    return 0;
}

}  // namespace ui
}  // namespace trelm
