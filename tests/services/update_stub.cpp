// Stands in for the launcher in the self-update tests. It runs the real
// hand-over code and appends one line per run to the file named by
// QUORVEL_UPDATE_RECORD (UTF-8, fields separated by "|"):
//   apply <new file>              start the helper copy, exit at once
//   apply-hold <new file>         start the helper copy, stay until the
//                                 restarted launcher's "done|" line is
//                                 recorded (at most 60 s)
//   -update_rename_file ...       the helper run
//   -update_done ...              the restarted launcher: records its
//                                 arguments and HandleUpdateDone's result
//   sleep <ms>                    record "sleep|<process id>|", then sleep
//   terminate | dest
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "core/WString.h"
#include "services/TRELMUpdateService.h"
#include "services/UpdateHelper.h"

namespace {

std::wstring RecordPath() {
    wchar_t path[MAX_PATH];
    return GetEnvironmentVariableW(L"QUORVEL_UPDATE_RECORD", path, MAX_PATH) != 0 ? path : L"";
}

void Record(const std::wstring& line) {
    const std::wstring path = RecordPath();
    if (path.empty()) return;
    const std::wstring text = line + L"\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], size, nullptr, nullptr);
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(size - 1), &written, nullptr);
    CloseHandle(file);
}

// Whether the record holds a line that starts with prefix.
bool Recorded(const std::string& prefix) {
    const std::wstring path = RecordPath();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string text = "\n";
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(file);
    return text.find("\n" + prefix) != std::string::npos;
}

int Run(int argc, wchar_t** argv) {
    if (argc < 2) return 3;
    const std::wstring mode = argv[1];
    WString message;
    if (mode == L"apply" || mode == L"apply-hold") {
        if (argc < 3) return 3;
        if (!trelm::TRELMUpdateService::CreateUpdateHelperProcess(argv[2], message)) {
            Record(L"apply-failed|" + std::wstring(message.GetString()));
            return 1;
        }
        // Held past the helper's whole wait, however slowly it starts: the
        // helper gives up on this process before it restarts the launcher.
        for (int i = 0; mode == L"apply-hold" && i < 600 && !Recorded("done|"); ++i) Sleep(100);
        return 0;
    }
    if (mode == L"-update_rename_file") {
        const bool ok = RunUpdateHelper(argc - 1, argv + 1, message);
        Record(std::wstring(L"helper|") + (ok ? L"1|" : L"0|") + message.GetString());
        return ok ? 0 : 1;
    }
    if (mode == L"-update_done") {
        std::wstring line = L"done";
        for (int i = 2; i < argc; ++i) line += std::wstring(L"|") + argv[i];
        const bool ok = HandleUpdateDone(argc - 1, argv + 1, message);
        Record(line + (ok ? L"|1|" : L"|0|") + message.GetString());
        return 0;
    }
    if (mode == L"sleep" && argc > 2) {
        Record(L"sleep|" + std::to_wstring(GetCurrentProcessId()) + L"|");
        Sleep(static_cast<DWORD>(_wtoi(argv[2])));
        return 0;
    }
    if (mode == L"terminate") {
        const bool ok = trelm::TRELMUpdateService::TerminateOtherTRELMInstances(message);
        Record(std::wstring(L"terminate|") + (ok ? L"1|" : L"0|") + message.GetString());
        return 0;
    }
    if (mode == L"dest") {
        const bool ok = trelm::TRELMUpdateService::MakeDownloadDest(message);
        Record(std::wstring(L"dest|") + (ok ? L"1|" : L"0|") + message.GetString());
        return 0;
    }
    return 3;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr) return 3;
    const int code = Run(argc, argv);
    LocalFree(argv);
    return code;
}
