// Winsock 2 must come before windows.h, which the header pulls in.
#include <winsock2.h>

#include "WendalDui/Core/DuiApp.h"

#include <commctrl.h>
#include <objbase.h>

#include "WendalDui/Core/WindowBase.h"
#include "WendalDui/Core/dui_exception.h"

namespace wendaldui {

namespace {
CDuiApp* g_app = nullptr;
}

LRESULT CALLBACK DuiWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWindowBase* window;
    if (message == WM_NCCREATE) {
        window = static_cast<CWindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
        if (window) window->Attach(hwnd);
    } else {
        window = reinterpret_cast<CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!window) return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        return window->WindowProc(message, wParam, lParam);
    } catch (const dui_exception& e) {
        ReportFatalException(hwnd, e);
    }
}

CDuiApp::CDuiApp() { g_app = this; }

CDuiApp::~CDuiApp() {
    if (g_app == this) g_app = nullptr;
    if (m_gdiplusToken) Gdiplus::GdiplusShutdown(m_gdiplusToken);
    if (m_winsockStarted) WSACleanup();
    if (m_richEdit) FreeLibrary(m_richEdit);
    if (m_comStarted) CoUninitialize();
}

CDuiApp* CDuiApp::GetApp() { return g_app; }

HINSTANCE CDuiApp::GetModuleInstance() {
    return g_app && g_app->m_instance ? g_app->m_instance : GetModuleHandleW(NULL);
}

void CDuiApp::EndModalLoop(HWND dialog) {
    SetPropW(dialog, kModalCanExitProperty, reinterpret_cast<HANDLE>(1));
    // The loop checks the property after each message: one more wakes it.
    PostMessageW(dialog, WM_NULL, 0, 0);
}

void CDuiApp::SetInstance(HINSTANCE instance, void*) {
    m_instance = instance;
    // The texts of these failures are fixed, whatever line the code sits on.
    auto fail = [](uint32_t line, const char* expression) {
        throw dui_exception(0, line, expression, "DuiApp.cpp", "SetInstance");
    };
    try {
        // Only a successful start may be balanced by CoUninitialize; a thread
        // already in another apartment mode keeps its own.
        m_comStarted = SUCCEEDED(CoInitialize(NULL));
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES};
        if (InitCommonControlsEx(&controls) != TRUE) fail(180, "InitCommonControlsEx");
        if (!RegisterDuiWindowClass()) fail(184, "RegisterDuiWindowClass");
        m_richEdit = LoadLibraryW(L"Msftedit.dll");
        if (!m_richEdit) fail(188, "LoadLibrary(\"Msftedit.dll\")");
        if (Gdiplus::GdiplusStartup(&m_gdiplusToken, &m_gdiplusInput, NULL) != Gdiplus::Ok) {
            m_gdiplusToken = 0;
            fail(193, "GdiplusStartup");
        }
        WSADATA wsa;
        if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) fail(201, "WSAStartup");
        m_winsockStarted = true;
        if (wsa.wVersion != MAKEWORD(2, 2)) fail(204, "WSAStartup");
    } catch (const dui_exception& e) {
        ReportFatalException(NULL, e);
    }
}

bool CDuiApp::RegisterDuiWindowClass() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = DuiWindowProc;
    wc.hInstance = m_instance;
    wc.hCursor = LoadCursorW(NULL, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kDuiWindowClassName;
    m_windowClass = RegisterClassExW(&wc);
    return m_windowClass != 0;
}

bool CDuiApp::PumpOneMessage(MSG& message) {
    if (GetMessageW(&message, NULL, 0, 0) <= 0) return false;
    if (!PreTranslateMessage(&message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

int CDuiApp::Run() {
    MSG message = {};
    while (PumpOneMessage(message)) {
    }
    return message.message == WM_QUIT ? static_cast<int>(message.wParam) : -1;
}

void CDuiApp::RunModalLoop(HWND dialog) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    const bool ownerIsWindow = owner && owner != GetDesktopWindow();
    const bool disabled = ownerIsWindow && !EnableWindow(owner, FALSE);

    MSG message = {};
    bool quit = false;
    for (;;) {
        if (!PumpOneMessage(message)) {
            quit = message.message == WM_QUIT;
            break;
        }
        // A dialog destroyed by its own handlers can no longer say it is done.
        if (!IsWindow(dialog) || GetPropW(dialog, kModalCanExitProperty)) break;
    }

    if (disabled) EnableWindow(owner, TRUE);
    if (ownerIsWindow) SetForegroundWindow(owner);
    if (IsWindow(dialog)) {
        // A window must not keep properties past its destruction.
        RemovePropW(dialog, kModalCanExitProperty);
        DestroyWindow(dialog);
    }
    // The quit was meant for the outer loop too: without it Run would wait
    // forever in a program with no windows left.
    if (quit) PostQuitMessage(static_cast<int>(message.wParam));
}

}  // namespace wendaldui
