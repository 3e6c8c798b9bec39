#include "tools/fake_common/FakeRunner.h"

#include <cstdlib>

#include "tools/fake_common/StartRecord.h"

namespace fake_tool {

namespace {

// A waited-for file that never comes must not leave a process behind.
const DWORD kLongestFileWait = 120000;

UINT ParseExitCode(const std::string& value) {
    return static_cast<UINT>(std::strtoll(value.c_str(), nullptr, 0));
}

void MakeParents(const std::wstring& path) {
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i] == L'\\' || path[i] == L'/') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }
}

}  // namespace

void FakeRunner::WriteRecords() {
    std::string record;
    for (const Directive& directive : m_script.Directives()) {
        if (directive.key != "record") continue;
        if (record.empty()) record = BuildStartRecord();
        const std::wstring path = ResolveBeside(m_script.Path(), Utf8ToWide(directive.value));
        if (!AppendToFile(path, record)) Write(STD_ERROR_HANDLE, "fake tool: cannot append to the record file\r\n");
    }
}

UINT FakeRunner::Run(const Handler& toolKeys) {
    for (const Directive& directive : m_script.Directives()) {
        const std::string& key = directive.key;
        if (key == "record") continue;
        if (key == "stdout" || key == "stderr") {
            Write(key == "stdout" ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, Unescape(directive.value) + "\r\n");
        } else if (key == "stdout.raw" || key == "stderr.raw") {
            Write(key == "stdout.raw" ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, Unescape(directive.value));
        } else if (key == "stdout.lines") {
            const size_t bar = directive.value.find('|');
            const unsigned long count = std::strtoul(directive.value.c_str(), nullptr, 10);
            const std::string line =
                (bar == std::string::npos ? std::string() : Unescape(directive.value.substr(bar + 1))) + "\r\n";
            for (unsigned long i = 0; i < count; ++i) Write(STD_OUTPUT_HANDLE, line);
        } else if (key == "sleep") {
            Wait(static_cast<DWORD>(std::strtoul(directive.value.c_str(), nullptr, 10)), std::wstring());
        } else if (key == "waitfile") {
            Wait(kLongestFileWait, ResolveBeside(m_script.Path(), Utf8ToWide(directive.value)));
        } else if (key == "window") {
            if (directive.value != "0" && m_window == nullptr) CreateHiddenWindow();
            if (directive.value == "show") ShowOutOfTheWay();
        } else if (key == "writefile") {
            if (!WriteFileDirective(directive.value)) return 98;
        } else if (key == "exit") {
            return ParseExitCode(directive.value);
        } else {
            const long long result = toolKeys ? toolKeys(directive) : kUnknownKey;
            if (result == kContinue) continue;
            if (result != kUnknownKey) return static_cast<UINT>(result);
            Write(STD_ERROR_HANDLE, "fake tool: unknown key \"" + key + "\" on line " + std::to_string(directive.line) +
                                        " of " + WideToUtf8(m_script.Path()) + "\r\n");
            return 99;
        }
    }
    return 0;
}

void FakeRunner::Write(DWORD which, const std::string& bytes) {
    // Straight to the handle: no runtime buffer, so each text is out before
    // the next directive runs, in console and GUI builds alike.
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || bytes.empty()) return;
    DWORD written = 0;
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void FakeRunner::CreateHiddenWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QuorvelFakeToolWindow";
    RegisterClassW(&windowClass);
    m_window = CreateWindowExW(0, windowClass.lpszClassName, L"Fake tool", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                               CW_USEDEFAULT, 320, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    // The first empty-queue check is what lets WaitForInputIdle return.
    PumpMessages();
}

void FakeRunner::ShowOutOfTheWay() {
    // Visible, as a game's window is, but beside the screen: a test's clicks
    // and screenshots are meant for the launcher's windows.
    SetWindowPos(m_window, nullptr, GetSystemMetrics(SM_XVIRTUALSCREEN) - 400, GetSystemMetrics(SM_YVIRTUALSCREEN),
                 320, 200, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    PumpMessages();
}

void FakeRunner::PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void FakeRunner::Wait(DWORD milliseconds, const std::wstring& untilFileExists) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
        if (!untilFileExists.empty() && GetFileAttributesW(untilFileExists.c_str()) != INVALID_FILE_ATTRIBUTES) return;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return;
        DWORD step = static_cast<DWORD>(deadline - now);
        if (!untilFileExists.empty() && step > 20) step = 20;
        if (m_window != nullptr) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, step, QS_ALLINPUT);
            PumpMessages();
        } else {
            Sleep(step);
        }
    }
}

bool FakeRunner::WriteFileDirective(const std::string& value) {
    const size_t bar = value.find('|');
    const std::wstring path = Utf8ToWide(value.substr(0, bar));
    const std::string text = bar == std::string::npos ? std::string() : Unescape(value.substr(bar + 1));
    MakeParents(path);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Write(STD_ERROR_HANDLE, "fake tool: cannot create " + WideToUtf8(path) + "\r\n");
        return false;
    }
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return true;
}

}  // namespace fake_tool
