#include "FileDialogDriver.h"

namespace ui_testing {

namespace {

DialogScript* g_script = nullptr;

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

std::wstring TextOf(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    return text;
}

struct Search {
    std::wstring text;
    HWND found;
};

BOOL CALLBACK HasText(HWND child, LPARAM param) {
    Search* search = reinterpret_cast<Search*>(param);
    if (TextOf(child).find(search->text) == std::wstring::npos) return TRUE;
    search->found = child;
    return FALSE;
}

BOOL CALLBACK MatchDialog(HWND hwnd, LPARAM param) {
    Search* search = reinterpret_cast<Search*>(param);
    if (!IsWindowVisible(hwnd) || ClassOf(hwnd) != L"#32770") return TRUE;
    Search inner = {search->text, NULL};
    if (TextOf(hwnd).find(search->text) != std::wstring::npos) inner.found = hwnd;
    if (!inner.found) EnumChildWindows(hwnd, &HasText, reinterpret_cast<LPARAM>(&inner));
    if (!inner.found) return TRUE;
    search->found = hwnd;
    return FALSE;
}

BOOL CALLBACK FirstEdit(HWND child, LPARAM param) {
    if (ClassOf(child) != L"Edit" || !IsWindowVisible(child)) return TRUE;
    *reinterpret_cast<HWND*>(param) = child;
    return FALSE;
}

}  // namespace

HWND FindSystemDialog(const std::wstring& text) {
    Search search = {text, NULL};
    EnumThreadWindows(GetCurrentThreadId(), &MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void AcceptFileName(HWND dialog, const std::wstring& path) {
    HWND edit = NULL;
    EnumChildWindows(dialog, &FirstEdit, reinterpret_cast<LPARAM>(&edit));
    if (edit) SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

DialogScript::DialogScript(std::vector<std::function<bool()>> steps) : m_steps(std::move(steps)) {
    g_script = this;
    m_timer = SetTimer(NULL, 0, 50, &DialogScript::Tick);
}

DialogScript::~DialogScript() {
    KillTimer(NULL, m_timer);
    g_script = nullptr;
}

void CALLBACK DialogScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogScript* script = g_script;
    if (!script || script->m_next >= script->m_steps.size()) return;
    // A step may open a nested loop (a message box) in which this timer
    // ticks again: the step counts as done before it runs.
    const size_t step = script->m_next;
    script->m_next = step + 1;
    if (!script->m_steps[step]()) script->m_next = step;
}

}  // namespace ui_testing
