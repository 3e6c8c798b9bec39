#include "app/TRELMApp.h"

#include "launcher/MinecraftInstanceManager.h"
#include "ui/GameExitDlg.h"
#include "ui/TopLevelWindows.h"

namespace trelm {

void HandleGameExitNotice(launcher::MinecraftInstanceManager& monitor) {
    // Every ended game, not only the one this notice names: a notice that
    // arrived inside a system modal loop (a file dialog, a window being
    // dragged) reached no window and is lost, and its game waits here.
    launcher::ExitedGame game;
    while (monitor.TakeAnyExited(game)) {
        if (game.process) CloseHandle(game.process);
        game.process = nullptr;
        if (game.exitCode != 0 && ui::OpenGameExitDialog(game)) ui::AddGameExitDialog();
        game = launcher::ExitedGame();
    }
}

namespace {

launcher::MinecraftInstanceManager* g_filteredMonitor = nullptr;

LRESULT CALLBACK ExitNoticeFilter(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (code >= 0 && message != nullptr && message->hwnd == NULL &&
        message->message == launcher::kGameExitedMessage && g_filteredMonitor != nullptr) {
        HandleGameExitNotice(*g_filteredMonitor);
        return TRUE;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

}  // namespace

HHOOK WatchSystemModalLoops(launcher::MinecraftInstanceManager* monitor) {
    g_filteredMonitor = monitor;
    return SetWindowsHookExW(WH_MSGFILTER, &ExitNoticeFilter, NULL, GetCurrentThreadId());
}

CTRELMApp::CTRELMApp(launcher::MinecraftInstanceManager* monitor) : m_monitor(monitor) {
    if (m_monitor) m_modalLoopFilter = WatchSystemModalLoops(m_monitor);
}

CTRELMApp::~CTRELMApp() {
    if (m_modalLoopFilter) UnhookWindowsHookEx(m_modalLoopFilter);
}

bool CTRELMApp::PreTranslateMessage(MSG* message) {
    if (message->hwnd == NULL && message->message == kHttpLibraryFailedMessage) {
        m_httpLibraryFailed = true;
        PostQuitMessage(-1);
        return true;
    }
    if (message->hwnd != NULL || message->message != launcher::kGameExitedMessage) return false;
    if (m_monitor) HandleGameExitNotice(*m_monitor);
    return true;
}

}  // namespace trelm
