// Drives the system's file dialogs and message boxes from inside their own
// modal loops: a thread timer finds the window of each step and acts on it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ui_testing {

// The visible #32770 window of this thread whose texts contain `text`
// (its own title or a child's), or null; `text` empty matches any.
HWND FindSystemDialog(const std::wstring& text);
// Types into the dialog's file-name field and presses its OK button.
void AcceptFileName(HWND dialog, const std::wstring& path);

// Steps run one after the other from a 50 ms timer: a step returns false
// while what it waits for is not there yet. Run the modal code after Start;
// Stop after it returns.
class DialogScript {
public:
    explicit DialogScript(std::vector<std::function<bool()>> steps);
    ~DialogScript();
    size_t Done() const { return m_next; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    std::vector<std::function<bool()>> m_steps;
    size_t m_next = 0;
    UINT_PTR m_timer = 0;
};

}  // namespace ui_testing
