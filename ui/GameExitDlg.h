// The notice of a game that ended abnormally: the version, the exit code, how
// long it ran, and links to the crash reports it wrote as it ended (or to
// the folder they would be in). Modeless; several can be open at once, and
// each keeps the launcher running until it is closed.
#pragma once

#include "WendalDui/Core/DlgMessageBox.h"
#include "launcher/MinecraftInstanceManager.h"

namespace trelm {
namespace ui {

class CGameExitDlg : public wendaldui::CDlgMessageBox {
public:
    explicit CGameExitDlg(const launcher::ExitedGame& game);

    void InitMessageText(wendaldui::CUILinkCtrl* text) override;
    void OnButton(wendaldui::CUIControl* sender, int resultId) override;
    void OnCancel() override;

    // The notice's text with its report links, for this game.
    static void BuildText(const launcher::ExitedGame& game, WString* text);

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnCloseLater(WPARAM wParam, LPARAM lParam);

private:
    Param m_param;
    launcher::ExitedGame m_game;
};

// Opens the notice for a copy of the record; the caller counts it among the
// top-level windows.
CGameExitDlg* OpenGameExitDialog(const launcher::ExitedGame& game);

}  // namespace ui
}  // namespace trelm
