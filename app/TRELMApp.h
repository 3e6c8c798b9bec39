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

class CTRELMApp : public wendaldui::CDuiApp {
public:
    explicit CTRELMApp(launcher::MinecraftInstanceManager* monitor) : m_monitor(monitor) {}

    // Takes 0x81FF, in the main loop and in every modal loop of the framework.
    bool PreTranslateMessage(MSG* message) override;

private:
    launcher::MinecraftInstanceManager* m_monitor;
};

}  // namespace trelm
