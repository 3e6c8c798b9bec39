// Which of the launcher's top-level windows are open. The program's message
// loop ends when the last of them has gone, whichever it is.
#pragma once

#include <windows.h>
struct UpdateInfo;

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

// Bring the open window to the front, or create, register and show it. They
// have no owner: each outlives the window it was opened from, and the run
// ends with the last of them.
void ShowGameDownloadDialog();
void ShowGameManager();
// Brings the update dialog forward, or makes, registers and shows it; a
// result (when given) replaces the one it shows.
CUpdateDlg* ShowUpdateDialog(const UpdateInfo* info);
// The "-redirect_output" run: opens the game-output window its arguments
// (without the program) name, then ends the run at once if it could not.
void OpenOutputWindow(int argc, wchar_t** argv);
// Brings the main window forward, or makes, registers and shows it; null
// when its window cannot be made (GetLastError says why): then nothing will
// end the message loop, and the caller ends the run.
CTrelmMainFrame* ShowMainFrame();

}  // namespace ui
}  // namespace trelm
