#include "tests/support/FakeJava.h"

#include <windows.h>

#include <cwchar>
#include <stdexcept>

namespace testing_support {

namespace {

// Reverses the record's escapes: "\\" and "\uXXXX".
std::wstring DecodeRecordValue(const std::string& value) {
    const std::wstring wide = Widen(value);
    std::wstring out;
    for (size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == L'\\' && i + 1 < wide.size() && wide[i + 1] == L'\\') {
            out += L'\\';
            ++i;
        } else if (wide[i] == L'\\' && i + 5 < wide.size() && wide[i + 1] == L'u') {
            out += static_cast<wchar_t>(std::wcstoul(wide.substr(i + 2, 4).c_str(), nullptr, 16));
            i += 5;
        } else {
            out += wide[i];
        }
    }
    return out;
}

void CopyBuilt(const std::wstring& relative, const std::wstring& target) {
    const std::wstring source = BuildTreePath(relative);
    CreateDirectoryW(target.substr(0, target.find_last_of(L'\\')).c_str(), nullptr);
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy " + Narrow(source) + " (is it built?)");
    }
}

void WriteScript(const std::wstring& path, const std::wstring& recordPath, const std::string& lines) {
    WriteBytes(path, "record=" + Narrow(recordPath) + "\r\n" + lines);
}

}  // namespace

bool FakeToolRun::Env(const std::wstring& name, std::wstring* value) const {
    for (const std::wstring& entry : environment) {
        // Hidden per-drive entries ("=C:=C:\x") start with "=": skip that one.
        const size_t equals = entry.find(L'=', 1);
        if (equals == std::wstring::npos || equals != name.size()) continue;
        if (CompareStringOrdinal(entry.c_str(), static_cast<int>(equals), name.c_str(), static_cast<int>(name.size()),
                                 TRUE) != CSTR_EQUAL) {
            continue;
        }
        if (value) *value = entry.substr(equals + 1);
        return true;
    }
    return false;
}

std::vector<FakeToolRun> ReadFakeToolRecord(const std::wstring& path) {
    std::vector<FakeToolRun> runs;
    const std::string text = ReadBytes(path);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line == "begin") {
            runs.emplace_back();
            continue;
        }
        const size_t equals = line.find('=');
        if (runs.empty() || equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals);
        const std::string raw = line.substr(equals + 1);
        FakeToolRun& run = runs.back();
        if (key == "module") run.module = DecodeRecordValue(raw);
        else if (key == "cmdline") run.commandLine = DecodeRecordValue(raw);
        else if (key == "cwd") run.workingDir = DecodeRecordValue(raw);
        else if (key == "stdin") run.stdinKind = raw;
        else if (key == "stdout") run.stdoutKind = raw;
        else if (key == "stderr") run.stderrKind = raw;
        else if (key == "show") run.show = raw;
        else if (key == "env") run.environment.push_back(DecodeRecordValue(raw));
    }
    return runs;
}

std::wstring BuildTreePath(const std::wstring& relative) {
    std::wstring root = PathFromEnvironment("QUORVEL_BINARY_DIR");
    if (root.empty()) {
        // Started by hand: test binaries live in <build>\tests\<subsystem>\.
        wchar_t module[MAX_PATH];
        std::wstring self(module, GetModuleFileNameW(nullptr, module, MAX_PATH));
        for (int up = 0; up < 3; ++up) self = self.substr(0, self.find_last_of(L'\\'));
        root = self;
    }
    return root + L"\\" + relative;
}

void StartDesktopProcess() {
    static const bool started = [] {
        HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 0, nullptr);
        const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
        SetStdHandle(STD_ERROR_HANDLE, nul);
        GetDesktopWindow();
        SetStdHandle(STD_ERROR_HANDLE, error);
        if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
        return true;
    }();
    (void)started;
}

FakeJavaHome::FakeJavaHome(Bits bits) {
    StartDesktopProcess();
    const std::wstring built = bits == k64Bit ? L"tools\\fake_java64\\bin\\" : L"tools\\fake_java\\bin\\";
    CopyBuilt(built + L"java.exe", JavaExe());
    CopyBuilt(built + L"javaw.exe", JavawExe());
}

void FakeJavaHome::SetScript(const std::string& lines) {
    WriteScript(Home() + L"bin\\fake_java.txt", RecordPath(), lines);
}

void FakeJavaHome::SetScript(const std::wstring& exeBaseName, const std::string& lines) {
    WriteScript(Home() + L"bin\\" + exeBaseName + L".txt", RecordPath(), lines);
}

FakeUnpacker::FakeUnpacker() { CopyBuilt(L"tools\\fake_unpack200\\unpack200.exe", Exe()); }

void FakeUnpacker::SetScript(const std::string& lines) {
    WriteScript(Folder() + L"fake_unpack200.txt", RecordPath(), lines);
}

}  // namespace testing_support
