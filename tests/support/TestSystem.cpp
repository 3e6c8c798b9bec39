#include "tests/support/TestSystem.h"

#include <windows.h>

#include <stdexcept>

#include "tests/support/TestPaths.h"

namespace testing_support {

bool InWin64Prefix() {
    wchar_t arch[16] = {};
    const DWORD n = GetEnvironmentVariableW(L"WINEARCH", arch, 16);
    return n > 0 && n < 16 && lstrcmpiW(arch, L"win64") == 0;
}

namespace {

const wchar_t kJavaSoft[] = L"SOFTWARE\\JavaSoft";
const wchar_t kJavaBase[] = L"SOFTWARE\\JavaSoft\\Java Runtime Environment";

bool KeyExists(const wchar_t* path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

}  // namespace

RegisteredJava::RegisteredJava(const std::wstring& version, const std::wstring& home, bool view64)
    : m_version(version), m_view(view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY) {
    m_madeJavaSoft = !KeyExists(kJavaSoft, m_view);
    m_madeBase = !KeyExists(kJavaBase, m_view);
    const std::wstring path = std::wstring(kJavaBase) + L"\\" + version;
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE | m_view, nullptr, &key,
                        &disposition) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot make the key of Java " + Narrow(version));
    }
    const LONG written = RegSetValueExW(key, L"JavaHome", 0, REG_SZ, reinterpret_cast<const BYTE*>(home.c_str()),
                                        static_cast<DWORD>((home.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    if (disposition != REG_CREATED_NEW_KEY || written != ERROR_SUCCESS) {
        if (disposition == REG_CREATED_NEW_KEY) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), m_view, 0);
        throw std::runtime_error("Java " + Narrow(version) + " was in the registry already or has no home");
    }
}

RegisteredJava::~RegisteredJava() {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kJavaBase) + L"\\" + m_version).c_str(), m_view, 0);
    // RegDeleteKeyEx removes only keys without subkeys: a key others use stays.
    if (m_madeBase) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kJavaBase, m_view, 0);
    if (m_madeJavaSoft) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kJavaSoft, m_view, 0);
}

}  // namespace testing_support
