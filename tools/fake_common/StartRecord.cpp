#include "tools/fake_common/StartRecord.h"

#include <windows.h>

#include <cstdio>

#include "tools/fake_common/FakeScript.h"

namespace fake_tool {

namespace {

const char* HandleKind(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return "none";
    switch (GetFileType(handle)) {
    case FILE_TYPE_PIPE: return "pipe";
    case FILE_TYPE_DISK: return "file";
    case FILE_TYPE_CHAR: return "char";
    default: return "unknown";
    }
}

std::wstring CurrentFolder() {
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(n, L'\0');
    folder.resize(GetCurrentDirectoryW(n, &folder[0]));
    return folder;
}

}  // namespace

std::string EscapeRecordValue(const std::wstring& value) {
    std::string out;
    size_t plainStart = 0;
    auto flushPlain = [&](size_t end) {
        out += WideToUtf8(value.substr(plainStart, end - plainStart));
    };
    for (size_t i = 0; i < value.size(); ++i) {
        const wchar_t c = value[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < value.size() && value[i + 1] >= 0xDC00 && value[i + 1] <= 0xDFFF) {
            ++i;  // a valid pair is plain text
            continue;
        }
        if (c == L'\\' || c < 0x20 || high || low) {
            flushPlain(i);
            if (c == L'\\') {
                out += "\\\\";
            } else {
                char escaped[8];
                snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
                out += escaped;
            }
            plainStart = i + 1;
        }
    }
    flushPlain(value.size());
    return out;
}

std::string BuildStartRecord() {
    std::string record = "begin\n";
    record += "module=" + EscapeRecordValue(ExecutablePath()) + "\n";
    record += "cmdline=" + EscapeRecordValue(GetCommandLineW()) + "\n";
    record += "cwd=" + EscapeRecordValue(CurrentFolder()) + "\n";
    record += std::string("stdin=") + HandleKind(STD_INPUT_HANDLE) + "\n";
    record += std::string("stdout=") + HandleKind(STD_OUTPUT_HANDLE) + "\n";
    record += std::string("stderr=") + HandleKind(STD_ERROR_HANDLE) + "\n";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    record += "show=";
    if (startup.dwFlags & STARTF_USESHOWWINDOW) record += std::to_string(startup.wShowWindow);
    record += "\n";
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* entry = block; entry && *entry; entry += wcslen(entry) + 1) {
        record += "env=" + EscapeRecordValue(entry) + "\n";
    }
    if (block) FreeEnvironmentStringsW(block);
    record += "end\n";
    return record;
}

bool AppendToFile(const std::wstring& path, const std::string& bytes) {
    // Appending is not atomic between processes under Wine (two writers both
    // take the same end and one record is written over), so the tools of a
    // session take turns.
    HANDLE turn = CreateMutexW(nullptr, FALSE, L"Local\\quorvel-fake-tool-record");
    if (turn != nullptr) WaitForSingleObject(turn, 10000);
    bool ok = false;
    // Another program may hold the file for a moment; wait a little for it.
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                 written == bytes.size();
            CloseHandle(file);
            break;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION) break;
        Sleep(20);
    }
    if (turn != nullptr) {
        ReleaseMutex(turn);
        CloseHandle(turn);
    }
    return ok;
}

}  // namespace fake_tool
