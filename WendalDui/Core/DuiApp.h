// The application object of the UI library: starts the Windows services the
// windows need, registers the one window class and runs the message loops.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include "core/noncopyable.h"

namespace wendaldui {

// The class every window of the program is made from.
constexpr wchar_t kDuiWindowClassName[] = L"QuorvelLauncher";
// Set (non-null) on a modal dialog to end its loop; post WM_NULL after it.
constexpr wchar_t kModalCanExitProperty[] = L"_modal_dialog_can_exit_now";

// The procedure of that class: hands each message to the window object bound
// on WM_NCCREATE (the creation parameter).
LRESULT CALLBACK DuiWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

class CDuiApp : private wendal_::noncopyable {
public:
    CDuiApp();
    virtual ~CDuiApp();

    static CDuiApp* GetApp();
    // The module windows and resources are made from: the application's
    // instance, or the executable's while there is no application.
    static HINSTANCE GetModuleInstance();

    // Every message of the loops passes here first; true keeps it from being
    // translated and dispatched.
    virtual bool PreTranslateMessage(MSG* message) { return false; }

    // Starts COM, common controls, the window class, the rich-edit library,
    // GDI+ and Winsock; any failure is fatal (message box, exit code -1).
    void SetInstance(HINSTANCE instance, void* unused = nullptr);
    bool RegisterDuiWindowClass();

    // Until WM_QUIT; returns its code.
    int Run();
    // Until the dialog sets kModalCanExitProperty or goes away; the owner is
    // disabled meanwhile. The dialog is destroyed afterwards.
    void RunModalLoop(HWND dialog);
    // Lets the dialog's modal loop end once it has handled the current message.
    static void EndModalLoop(HWND dialog);

    HINSTANCE GetInstance() const { return m_instance; }
    ATOM GetWindowClassAtom() const { return m_windowClass; }

private:
    // One turn of the loop; false once WM_QUIT (or a failure) ends it.
    bool PumpOneMessage(MSG& message);

    Gdiplus::GdiplusStartupInput m_gdiplusInput;
    ULONG_PTR m_gdiplusToken = 0;
    HINSTANCE m_instance = NULL;
    HMODULE m_richEdit = NULL;
    ATOM m_windowClass = 0;
    bool m_comStarted = false;
    bool m_winsockStarted = false;
};

}  // namespace wendaldui
