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
    return out->AssignMultiByte(CP_UTF8, bytes, static_cast<int>(size));
}
