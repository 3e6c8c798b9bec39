#include "core/TextFile.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>

#include "core/FileUtils.h"

// The bytes are read and decoded here rather than through the runtime's
// "r, ccs=UNICODE" text mode: without a byte-order mark that mode decodes in
// the runtime's "C" locale, which turns every GBK character into two Latin-1
// ones.

namespace {

const DWORD kReadChunk = 65536;

// The whole file, or false when it cannot be opened or read, or grows past a
// positive cap while it is read.
bool ReadAllBytes(const wchar_t* path, int64_t maxSize, std::string* bytes) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    try {
        LARGE_INTEGER size;
        if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < INT_MAX)
            bytes->reserve(static_cast<size_t>(size.QuadPart));
        for (;;) {
            const size_t used = bytes->size();
            bytes->resize(used + kReadChunk);
            DWORD read = 0;
            if (!ReadFile(file, &(*bytes)[used], kReadChunk, &read, nullptr)) {
                ok = false;
                break;
            }
            bytes->resize(used + read);
            if (read == 0) break;
            if ((maxSize > 0 && bytes->size() > static_cast<uint64_t>(maxSize)) || bytes->size() > INT_MAX / 2) {
                ok = false;
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    CloseHandle(file);
    return ok;
}

bool Decode(const std::string& bytes, WString* out) {
    const char* data = bytes.data();
    const int count = static_cast<int>(bytes.size());
    if (count >= 3 && memcmp(data, "\xEF\xBB\xBF", 3) == 0) return out->AssignMultiByte(CP_UTF8, data + 3, count - 3);
    if (count >= 2 && memcmp(data, "\xFF\xFE", 2) == 0) {
        // An odd last byte is no character.
        out->Assign(reinterpret_cast<const wchar_t*>(data + 2), (count - 2) / 2);
        return true;
    }
    return out->AssignMultiByte(CP_ACP, data, count);
}

void CollapseCrLf(WString* text) {
    const int length = text->GetLength();
    wchar_t* chars = text->GetBuffer(length, true);
    int kept = 0;
    for (int i = 0; i < length; ++i) {
        if (chars[i] == L'\r' && i + 1 < length && chars[i + 1] == L'\n') continue;
        chars[kept++] = chars[i];
    }
    text->ReleaseBuffer(kept);
}

void AppendUtf16Le(std::string* bytes, wchar_t c) {
    bytes->push_back(static_cast<char>(c & 0xFF));
    bytes->push_back(static_cast<char>(c >> 8));
}

// "\n" becomes "\r\n", exactly as the runtime's text mode writes it.
std::wstring WithCrLf(const wchar_t* text) {
    std::wstring result;
    result.reserve(wcslen(text));
    for (const wchar_t* c = text; *c; ++c) {
        if (*c == L'\n') result.push_back(L'\r');
        result.push_back(*c);
    }
    return result;
}

bool EncodeAnsi(const std::wstring& text, std::string* bytes) {
    if (text.empty()) return true;
    const UINT codePage = GetACP();
    // UTF-8 as the system code page takes neither flags nor the default-character check.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL lossy = FALSE;
    const int count = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(codePage, flags, text.data(), count, nullptr, 0, nullptr, utf8 ? nullptr : &lossy);
    if (length <= 0 || lossy) return false;
    bytes->resize(static_cast<size_t>(length));
    return WideCharToMultiByte(codePage, flags, text.data(), count, &(*bytes)[0], length, nullptr,
                               utf8 ? nullptr : &lossy) == length &&
           !lossy;
}

}  // namespace

bool ReadTextFile(const wchar_t* path, WString* out, int64_t maxSize) {
    if (maxSize == 0) return false;
    if (maxSize > 0) {
        uint64_t size = 0;
        if (!GetFileSize64(path, &size) || size > static_cast<uint64_t>(maxSize)) return false;
    }
    out->Empty();
    std::string bytes;
    if (!ReadAllBytes(path, maxSize, &bytes) || !Decode(bytes, out)) {
        out->Empty();
        return false;
    }
    CollapseCrLf(out);
    return true;
}

bool WriteTextFile(const wchar_t* path, const wchar_t* text, bool unicode) {
    std::string bytes;
    try {
        const std::wstring lines = WithCrLf(text);
        if (unicode) {
            bytes.reserve(2 + lines.size() * 2);
            AppendUtf16Le(&bytes, 0xFEFF);
            for (wchar_t c : lines) AppendUtf16Le(&bytes, c);
        } else if (!EncodeAnsi(lines, &bytes)) {
            return false;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return WriteFileBytes(path, bytes.data(), bytes.size());
}
