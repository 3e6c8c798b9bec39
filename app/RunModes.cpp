// The HTTP library wants Winsock 2 before windows.h.
#include <winsock2.h>

#include "app/RunModes.h"

#include <curl/curl.h>

#include <process.h>

#include <memory>

#include "WendalDui/Core/ColorConvert.h"
#include "WendalDui/Core/DlgMessageBox.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/FormattedText.h"
#include "app/TRELMApp.h"
#include "app/WorkingDirectory.h"
#include "core/Win32Error.h"
#include "download/CurlInit.h"
#include "launcher/JavaRuntimeList.h"
#include "launcher/MinecraftInstanceManager.h"
#include "launcher/MinecraftList.h"
#include "services/AccountStore.h"
#include "services/LauncherSettings.h"
#include "services/MachineKey.h"
#include "services/ProgramVersion.h"
#include "services/ShortcutLaunch.h"
#include "services/UpdateHelper.h"
#include "ui/ShortcutLaunchUi.h"
#include "ui/TaskbarProgress.h"
#include "ui/TopLevelWindows.h"
#include "ui/TrelmMainFrame.h"
#include "ui/TrelmResourceManager.h"

int g_argc = 0;
wchar_t** g_argv = nullptr;

namespace trelm {

namespace {

constexpr uint32_t kOutputWindowTheme = 0xFF2C3E50;

void VersionText(wchar_t (&buffer)[32]) {
    LauncherVersion version;
    GetLauncherVersion(version);
    FormatShortText(buffer, L"%d.%d.%d.%d-%S", version.major, version.minor, version.build, version.revision,
                    kLauncherChannel);
}

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FontInstalled(const WString& face) {
    LOGFONTW font = {};
    font.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(font.lfFaceName, face.GetString(), LF_FACESIZE - 1);
    bool found = false;
    HDC screen = GetDC(NULL);
    EnumFontFamiliesExW(screen, &font, &NoteFace, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(NULL, screen);
    return found;
}

void ThemeHsl(const ThemeSetting& theme, double hsl[3]) {
    if (theme.useCustomColor) {
        hsl[0] = theme.customColor.h;
        hsl[1] = theme.customColor.s;
        hsl[2] = theme.customColor.l;
        return;
    }
    float values[3];
    wendaldui::ArgbToHsl(theme.colorArgb, values);
    wendaldui::HslToDoubles(values, hsl);
}

// Settings or accounts whose file was there but could not be read start
// from their defaults; each such file is kept beside the new one, so that
// saving at exit writes over nothing, and the player is told once, here.
void KeepUnreadStoreFiles() {
    WString notice;
    auto keep = [&notice](auto& store, const wchar_t* what, const wchar_t* meanwhile) {
        if (!store.LoadFailed()) return;
        const WString path = wendaldui::EscapeMarkup(store.FilePath());
        WString keptAs, line;
        if (store.KeepUnreadFileAside(&keptAs)) {
            line.Format(L"%s %s 无法读取，%s。\r\n原文件已保留为 %s，可以从中找回内容。", what, path.GetString(),
                        meanwhile, wendaldui::EscapeMarkup(keptAs).GetString());
        } else {
            line.Format(L"%s %s 无法读取，%s。\r\n原文件无法另存，为免覆盖它，本次的更改不会保存。", what,
                        path.GetString(), meanwhile);
        }
        if (!notice.IsEmpty()) notice.Append(L"\r\n");
        notice.Append(line);
    };
    keep(g_settings, L"设置文件", L"本次使用默认设置");
    keep(g_accountStore, L"账号文件", L"本次没有保存的账号");
    if (!notice.IsEmpty())
        wendaldui::CDlgMessageBox::Show(NULL, L"TRELM", notice.GetString(), wendaldui::kBoxOk, wendaldui::kIconWarning);
}

int FailStart(const wchar_t* text, int icon) {
    wendaldui::CDlgMessageBox::Show(NULL, L"TRELM", text, wendaldui::kBoxOk, icon);
    return -1;
}

int FailInitialisation(const wchar_t* reason) {
    wchar_t version[32];
    VersionText(version);
    WString text;
    text.Format(L"TRELM初始化失败，%s\r\nVer:%s", reason, version);
    return FailStart(text.GetString(), wendaldui::kIconError);
}

int FailHttpLibrary() { return FailInitialisation(L"curl_global_init Failure"); }

// Without its window the run would wait, invisible, for a quit message
// that nothing posts.
int FailMainWindow(DWORD error) {
    WString reason = L"无法创建主窗口";
    if (error != 0) {
        reason.Append(L"，");
        reason.Append(FormatWin32Error(error));
    }
    return FailInitialisation(reason.GetString());
}

// The HTTP library loads the system's security libraries, which the first
// frame does not need: it starts once the window is up and idle. A failure
// still ends the run with its message.
unsigned __stdcall StartHttpLibrary(void* uiThread) {
    WaitForInputIdle(GetCurrentProcess(), 5000);
    if (!download::InitCurlOnce()) {
        PostThreadMessageW(static_cast<DWORD>(reinterpret_cast<uintptr_t>(uiThread)), kHttpLibraryFailedMessage, 0, 0);
    }
    return 0;
}

// The accounts, the Java runtimes and the installed versions, which only the
// main window needs: read on a thread of their own beside the making of the
// skin (Start), or here (Finish, which also waits for the thread).
class StoreReader {
public:
    StoreReader() = default;
    StoreReader(const StoreReader&) = delete;
    StoreReader& operator=(const StoreReader&) = delete;
    ~StoreReader() { Join(); }

    void Start() { m_thread = reinterpret_cast<HANDLE>(_beginthreadex(NULL, 0, &Run, nullptr, 0, NULL)); }
    void Finish() {
        if (m_thread) {
            Join();
        } else {
            Read();
        }
    }

private:
    static void Read() {
        g_accountStore.Load();
        launcher::g_javaRuntimes.Refresh();
        launcher::g_minecraftList.Refresh();
    }
    static unsigned __stdcall Run(void*) {
        const HRESULT com = CoInitializeEx(NULL, COINIT_MULTITHREADED);
        Read();
        if (SUCCEEDED(com)) CoUninitialize();
        return 0;
    }
    void Join() {
        if (!m_thread) return;
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = NULL;
    }

    HANDLE m_thread = NULL;
};

// The taskbar's interface loads shell libraries that the first frame does
// not need: it comes after it (a timer comes after painting).
void CALLBACK CreateTaskbarProgressLater(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(NULL, timer);
    ui::CreateTaskbarProgress();
}

}  // namespace

int RunNormal(HINSTANCE instance, int argc, wchar_t** argv) {
    CTRELMApp app(&launcher::g_instanceManager);
    app.SetInstance(instance);
    InitMachineKey();
    g_settings.Load();
    const bool shortcutCommand = argc == 2 && wcscmp(argv[0], L"-sclaunch") == 0;
    StoreReader stores;
    if (!shortcutCommand) stores.Start();
    ThemeSetting& theme = g_settings.current.theme;
    double hsl[3];
    ThemeHsl(theme, hsl);
    if (!FontInstalled(theme.font)) theme.font = L"微软雅黑";
    // The main window's picture loads beside the rest of the start-up.
    if (!shortcutCommand) ui::PrefetchMainFrameBackground();
    std::unique_ptr<wendaldui::CDuiSkinManager> skin(new wendaldui::CDuiSkinManager(
        theme.font.GetString(), hsl[0], hsl[1], hsl[2], theme.useSystemAnimation ? wendaldui::kSkinStyleDwmFrame : 0));
    std::unique_ptr<ui::CTrelmResourceManager> resources(new ui::CTrelmResourceManager);
    resources->LoadWindowIcon();

    wchar_t version[32];
    const int folder = CheckWorkingDirectory();
    if (folder != kWorkingDirectoryOk) {
        VersionText(version);
        WString text;
        text.Format(L"TRELM初始化失败，%s\r\n%s\r\nVer:%s", WorkingDirectoryCheckText(folder),
                    L"请手动打开启动器，且不要在压缩文件中运行", version);
        ui::DiscardMainFrameBackground();
        return FailStart(text.GetString(), wendaldui::kIconInformation);
    }
    ui::ReleaseTaskbarProgress();
    if (shortcutCommand) ui::CreateTaskbarProgress();

    // A shortcut launch signs in before any window: the library starts now.
    if (shortcutCommand && !download::InitCurlOnce()) {
        ui::ReleaseTaskbarProgress();
        return FailHttpLibrary();
    }
    // A started shortcut launch is the whole run: nothing is saved after it.
    ui::CShortcutLaunchUi shortcutUi;
    const bool shortcutLaunched = DoShortcutLaunch(argc, argv, shortcutUi);
    if (!shortcutLaunched) {
        stores.Finish();
        KeepUnreadStoreFiles();
        launcher::g_instanceManager.message = launcher::kGameExitedMessage;
        launcher::g_instanceManager.threadId = GetCurrentThreadId();
        launcher::g_instanceManager.StartMonitor();
        ui::SetRunningGameMonitor(&launcher::g_instanceManager);
        if (!ui::ShowMainFrame()) {
            const DWORD error = GetLastError();
            ui::DiscardMainFrameBackground();  // its pictures go before the picture library
            launcher::g_instanceManager.StopMonitor();
            return FailMainWindow(error);
        }
        SetTimer(NULL, 0, 0, &CreateTaskbarProgressLater);
        HANDLE http = reinterpret_cast<HANDLE>(_beginthreadex(
            NULL, 0, &StartHttpLibrary, reinterpret_cast<void*>(static_cast<uintptr_t>(GetCurrentThreadId())), 0, NULL));
        app.Run();
        if (http) {
            WaitForSingleObject(http, INFINITE);
            CloseHandle(http);
        }
        if (app.HttpLibraryFailed()) {
            // Nothing is saved: the run ends as a failed start does.
            delete ui::GetTopLevelWindows().mainFrame;
            ui::GetTopLevelWindows().mainFrame = nullptr;
            launcher::g_instanceManager.StopMonitor();
            ui::ReleaseTaskbarProgress();
            return FailHttpLibrary();
        }
        g_accountStore.Save();
        g_settings.Save();
        launcher::g_instanceManager.StopMonitor();
    }
    curl_global_cleanup();
    ui::ReleaseTaskbarProgress();
    resources.reset();
    skin.reset();
    return 0;
}

int RunOutputWindow(HINSTANCE instance, int argc, wchar_t** argv) {
    CTRELMApp app(nullptr);
    app.SetInstance(instance);
    float hsl[3];
    wendaldui::ArgbToHsl(kOutputWindowTheme, hsl);
    wendaldui::CDuiSkinManager skin(L"微软雅黑", hsl[0], hsl[1], hsl[2], 0);
    ui::CTrelmResourceManager resources;
    resources.LoadWindowIcon();
    ui::OpenOutputWindow(argc, argv);
    app.Run();
    return 0;
}

int RunUpdateHelperMode(int argc, wchar_t** argv) {
    WString error;
    if (!RunUpdateHelper(argc, argv, error)) {
        wchar_t version[32];
        VersionText(version);
        WString text;
        text.Format(L"TRELM无法完成自动更新，%s。\r\nVer%s。", error.GetString(), version);
        MessageBoxW(NULL, text.GetString(), L"TRELMUpdateHelper", MB_OK);
    }
    return 0;
}

}  // namespace trelm
