#include "core/ProcessStart.h"

#include <cwchar>
#include <vector>

bool StartProcess(const WString& commandLine, SECURITY_ATTRIBUTES* processAttributes, bool inheritHandles,
                  const wchar_t* workingDirectory, STARTUPINFOW* startup, PROCESS_INFORMATION* process) {
    std::vector<wchar_t> writable(commandLine.GetString(), commandLine.GetString() + commandLine.GetLength() + 1);
    return CreateProcessW(nullptr, writable.data(), processAttributes, nullptr, inheritHandles ? TRUE : FALSE, 0,
                          nullptr, workingDirectory, startup, process) != FALSE;
}

WString QuoteArgument(const wchar_t* text, bool forceQuotes) {
    const wchar_t* p = text ? text : L"";
    if (!forceQuotes && *p != L'\0' && std::wcspbrk(p, L" \t\r\n\v\"") == nullptr) return WString(p);
    WString out(L"\"");
    for (;; ++p) {
        int backslashes = 0;
        while (*p == L'\\') {
            ++backslashes;
            ++p;
        }
        // Backslashes are literal unless a quote follows them.
        const int copies = *p == L'\0' || *p == L'"' ? 2 * backslashes : backslashes;
        for (int i = 0; i < copies; ++i) out.Append(L"\\");
        if (*p == L'\0') break;
        if (*p == L'"') out.Append(L"\\");
        out.Append(p, 1);
    }
    out.Append(L"\"");
    return out;
}
