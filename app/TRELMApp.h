// The launcher's application object: the framework's, plus the running-game
// monitor's exit notice (a thread message) turned into the game-exit notice.
#pragma once

#include "WendalDui/Core/DuiApp.h"

namespace trelm {

namespace launcher {
class MinecraftInstanceManager;
}

// Takes every ended game from the monitor and opens the game-exit notice for
// each one that did not end with exit code 0.
void HandleGameExitNotice(launcher::MinecraftInstanceManager& monitor);

// The system's own modal loops (MessageBoxW, a window being moved or sized,
// a menu) dispatch a thread message to no window, so the notice would be
// lost there; they do show each message to the thread's message filter.
// Takes the notice in that filter for this thread; UnhookWindowsHookEx ends it.
HHOOK WatchSystemModalLoops(launcher::MinecraftInstanceManager* monitor);

// Thread message: the HTTP library, started after the first frame, failed.
constexpr UINT kHttpLibraryFailedMessage = 0x81FE;

class CTRELMApp : public wendaldui::CDuiApp {
public:
    explicit CTRELMApp(launcher::MinecraftInstanceManager* monitor);
    ~CTRELMApp() override;

    // Takes 0x81FF, in the main loop and in every modal loop of the framework;
    // 0x81FE ends the loop.
    bool PreTranslateMessage(MSG* message) override;
    // Whether the HTTP library reported that it could not start.
    bool HttpLibraryFailed() const { return m_httpLibraryFailed; }

private:
    launcher::MinecraftInstanceManager* m_monitor;
    HHOOK m_modalLoopFilter = NULL;
    bool m_httpLibraryFailed = false;
};

}  // namespace trelm
