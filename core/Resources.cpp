#include "core/Resources.h"

#include <climits>

namespace {

const WORD kAboutTextId = 117;

}  // namespace

bool LoadUtf8TextResource(HMODULE module, WString* out) {
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(kAboutTextId), L"TXT");
    if (!info) return false;
    const DWORD size = SizeofResource(module, info);
    HGLOBAL handle = LoadResource(module, info);
    if (size == 0 || size > INT_MAX || !handle) return false;
    const char* bytes = static_cast<const char*>(LockResource(handle));
    if (!bytes) return false;
    const int count = static_cast<int>(size);
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes, count, nullptr, 0);
    if (length <= 0) return false;
    wchar_t* buffer = out->GetBuffer(length, false);
    const int written = MultiByteToWideChar(CP_UTF8, 0, bytes, count, buffer, length);
    out->ReleaseBuffer(written > 0 ? written : 0);
    return written > 0;
}
