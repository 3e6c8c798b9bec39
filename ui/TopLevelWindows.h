// Which of the launcher's top-level windows are open. The program's message
// loop ends when the last of them has gone, whichever it is.
#pragma once

namespace wendaldui {
class CDuiWindow;
}

namespace trelm {
namespace ui {

class CGameManagerDlg;
class CGameDwonloadDlg;
class CTrelmMainFrame;
class CUpdateDlg;

struct TopLevelWindows {
    CGameManagerDlg* gameManager = nullptr;
    CGameDwonloadDlg* gameDownload = nullptr;
    CTrelmMainFrame* mainFrame = nullptr;
    CUpdateDlg* updateDialog = nullptr;
    int gameExitDialogs = 0;
    int outputWindows = 0;

    int OpenCount() const;
};

TopLevelWindows& GetTopLevelWindows();

// Posts the quit message when no tracked window is left.
void CheckQuit();

// A game-exit dialog or an output window has been opened by its owner.
void AddGameExitDialog();
void AddOutputWindow();
// Destroys and deletes the window, forgets it and ends the run when it was the last.
void CloseGameExitDialog(wendaldui::CDuiWindow* dialog);
void CloseOutputWindow(wendaldui::CDuiWindow* window);

// Brings the main window forward, or makes, registers and shows it; null
// when its window cannot be made.
CTrelmMainFrame* ShowMainFrame();

}  // namespace ui
}  // namespace trelm
