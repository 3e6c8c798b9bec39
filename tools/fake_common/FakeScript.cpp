#include "tools/fake_common/FakeScript.h"

#include <windows.h>

namespace fake_tool {

namespace {

bool ReadWholeFile(const std::wstring& path, std::string& out) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) out.append(buffer, read);
    CloseHandle(file);
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

FakeScript FakeScript::LoadBesideExecutable(const wchar_t* sharedName) {
    FakeScript script;
    const std::wstring exe = ExecutablePath();
    const std::wstring folder = FolderOf(exe);
    std::wstring own = exe.substr(folder.size());
    const size_t dot = own.rfind(L'.');
    if (dot != std::wstring::npos) own.erase(dot);
    std::string text;
    for (const std::wstring& candidate : {folder + own + L".txt", folder + sharedName}) {
        if (ReadWholeFile(candidate, text)) {
            script.m_path = candidate;
            script.Parse(text);
            break;
        }
    }
    return script;
}

void FakeScript::Parse(const std::string& text) {
    size_t start = 0;
    int line = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string row = text.substr(start, end - start);
        start = end + 1;
        ++line;
        if (!row.empty() && row.back() == '\r') row.pop_back();
        if (row.empty() || row[0] == '#') continue;
        const size_t equals = row.find('=');
        Directive directive;
        directive.key = row.substr(0, equals);
        if (equals != std::string::npos) directive.value = row.substr(equals + 1);
        directive.line = line;
        m_directives.push_back(directive);
    }
}

std::string Unescape(const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        switch (next) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x':
            if (i + 2 < value.size() && HexDigit(value[i + 1]) >= 0 && HexDigit(value[i + 2]) >= 0) {
                out += static_cast<char>(HexDigit(value[i + 1]) * 16 + HexDigit(value[i + 2]));
                i += 2;
            } else {
                out += "\\x";
            }
            break;
        default: out += next; break;
        }
    }
    return out;
}

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string WideToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring ResolveBeside(const std::wstring& scriptPath, const std::wstring& path) {
    const bool absolute = (path.size() > 1 && path[1] == L':') || (!path.empty() && (path[0] == L'\\' || path[0] == L'/'));
    return absolute ? path : FolderOf(scriptPath) + path;
}

}  // namespace fake_tool
