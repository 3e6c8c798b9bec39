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

bool CTRELMApp::PreTranslateMessage(MSG* message) {
    if (message->hwnd != NULL || message->message != launcher::kGameExitedMessage) return false;
    if (m_monitor) HandleGameExitNotice(*m_monitor);
    return true;
}

}  // namespace trelm
