#include "launcher/JavaRuntimeList.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "core/Encoding.h"
#include "core/FileUtils.h"
#include "core/GlobalOrder.h"
#include "core/Sha1.h"

namespace trelm {
namespace launcher {

// Built in its place among the process-wide objects (core/GlobalOrder.h).
JavaRuntimeList g_javaRuntimes QUORVEL_GLOBAL_ORDER(kOrderJavaRuntimes);

namespace {

const wchar_t kJavaRegistryKey[] = L"SOFTWARE\\JavaSoft\\Java Runtime Environment";
constexpr DWORD kKeyNameChars = 260;
constexpr DWORD kHomeBufferBytes = 520;

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (m_key) RegCloseKey(m_key);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool Open(HKEY parent, const wchar_t* path, REGSAM access) {
        return RegOpenKeyExW(parent, path, 0, access, &m_key) == ERROR_SUCCESS;
    }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// The JavaHome value as a terminated text. The registry hands back what the
// installer stored, which need not end in a null; a value longer than the
// buffer fails the query and is not read at all.
bool ReadJavaHome(HKEY key, WString* home) {
    wchar_t buffer[kHomeBufferBytes / sizeof(wchar_t) + 1];
    DWORD type = 0;
    DWORD size = kHomeBufferBytes;
    if (RegQueryValueExW(key, L"JavaHome", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ) return false;
    const size_t chars = (size <= kHomeBufferBytes ? size : kHomeBufferBytes) / sizeof(wchar_t);
    buffer[chars] = 0;
    *home = buffer;
    return true;
}

void AppendLittleEndian(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace

bool ProcessRunsUnderWow64() {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    if (!kernel) return false;
    // Through void (*)() so that the compiler accepts the change of signature.
    auto isWow64Process = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "IsWow64Process")));
    if (!isWow64Process) return false;
    BOOL wow64 = FALSE;
    return isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

bool JavaRuntimeList::Refresh() {
    m_runtimes.clear();
    ScanRegistry();
    m_selected = ChooseBest();
    return true;
}

JavaRuntimeInfo* JavaRuntimeList::GetAt(int index) {
    if (index < 0 || index >= GetCount()) return nullptr;
    return &m_runtimes[static_cast<size_t>(index)];
}

int JavaRuntimeList::Add(const wchar_t* path, const wchar_t* versionText, bool is64) {
    JavaRuntimeInfo info;
    info.path = path ? path : L"";
    info.versionText = versionText ? versionText : L"";
    info.is64Bit = is64 ? 1 : 0;
    info.origin = kJavaAddedByPlayer;
    info.id = MakeId(info);
    m_runtimes.push_back(static_cast<JavaRuntimeInfo&&>(info));
    m_selected = ChooseBest();
    return GetCount() - 1;
}

int JavaRuntimeList::AddUserJava(const wchar_t* executablePath, bool is64) {
    WString name;
    if (!executablePath || !GetFileNamePart(executablePath, &name) || name.IsEmpty()) name = L"Unknown";
    return Add(executablePath, name, is64);
}

bool JavaRuntimeList::RemoveUserJava(int index) {
    const JavaRuntimeInfo* info = GetAt(index);
    if (!info || info->origin != kJavaAddedByPlayer) return false;
    m_runtimes.erase(m_runtimes.begin() + index);
    m_selected = ChooseBest();
    return true;
}

bool JavaRuntimeList::AllOlderThan(const uint32_t version[4]) const {
    if (m_runtimes.empty()) return false;
    const VersionNumber limit(version);
    for (const JavaRuntimeInfo& info : m_runtimes) {
        if (!(VersionNumber(info.version) < limit)) return false;
    }
    return true;
}

bool JavaRuntimeList::Is64BitSystemWithout64BitJava() const {
    if (m_runtimes.empty() || !m_isWow64()) return false;
    for (const JavaRuntimeInfo& info : m_runtimes) {
        if (info.is64Bit == 1) return false;
    }
    return true;
}

int JavaRuntimeList::ChooseBest() const {
    int best = -1;
    int64_t bestScore = 0;
    for (int i = 0; i < GetCount(); ++i) {
        const int64_t score = Score(m_runtimes[static_cast<size_t>(i)]);
        // Strictly greater: on a tie the record found first stays.
        if (best < 0 || score > bestScore) {
            best = i;
            bestScore = score;
        }
    }
    return best;
}

int64_t JavaRuntimeList::Score(const JavaRuntimeInfo& info) {
    const uint32_t a = info.version[0], b = info.version[1], c = info.version[2], d = info.version[3];
    int64_t score = int64_t{a} * 1000 + int64_t{b} * 100 + int64_t{c} * 10 + int64_t{d};
    // Java 9 dropped the leading "1.", so 1.9 and later would outscore 9.x;
    // taking 1000 off puts 9.0.1 (8010) above 1.8.0_151 (1951).
    const bool nineOrLater = a >= 2 || (a == 1 && b >= 9);
    if (nineOrLater) score -= 1000;
    if (info.is64Bit == 1) score += 100;
    return score;
}

void JavaRuntimeList::ParseVersionText(const wchar_t* text, uint32_t version[4]) {
    unsigned parts[4] = {0, 0, 0, 0};
    if (text) swscanf(text, L"%u.%u.%u_%u", &parts[0], &parts[1], &parts[2], &parts[3]);
    for (int i = 0; i < 4; ++i) version[i] = parts[i];
}

WString JavaRuntimeList::MakeId(const JavaRuntimeInfo& info) {
    std::vector<uint8_t> bytes;
    const int length = info.path.GetLength();
    bytes.reserve(static_cast<size_t>(length) * 2 + 20);
    for (int i = 0; i < length; ++i) {
        const wchar_t ch = info.path[i];
        bytes.push_back(static_cast<uint8_t>(ch & 0xFF));
        bytes.push_back(static_cast<uint8_t>((ch >> 8) & 0xFF));
    }
    for (uint32_t part : info.version) AppendLittleEndian(bytes, part);
    AppendLittleEndian(bytes, info.origin);

    uint8_t digest[kSha1DigestSize];
    Sha1OfBuffer(bytes.data(), bytes.size(), digest);
    return HexEncode(digest, kSha1DigestSize);
}

void JavaRuntimeList::ScanRegistry() {
    ScanRegistryView(false);
    // On 32-bit Windows there is only one view, and asking for the 64-bit
    // one would list the same runtimes again as 64-bit.
    if (m_isWow64()) ScanRegistryView(true);
}

void JavaRuntimeList::ScanRegistryView(bool view64) {
    const REGSAM access = KEY_READ | (view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
    RegistryKey base;
    if (!base.Open(HKEY_LOCAL_MACHINE, kJavaRegistryKey, access)) return;

    for (DWORD index = 0;; ++index) {
        wchar_t name[kKeyNameChars];
        DWORD nameChars = kKeyNameChars;
        if (RegEnumKeyExW(base.Get(), index, name, &nameChars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;

        WString subKeyPath(kJavaRegistryKey);
        subKeyPath.Append(L"\\").Append(name);
        RegistryKey subKey;
        if (!subKey.Open(HKEY_LOCAL_MACHINE, subKeyPath, access)) continue;
        WString home;
        if (!ReadJavaHome(subKey.Get(), &home)) continue;
        AppendPathSeparator(home);
        AddFromRegistry(home, name, view64);
    }
}

void JavaRuntimeList::AddFromRegistry(const WString& home, const wchar_t* keyName, bool is64) {
    const uint32_t bits = is64 ? 1 : 0;
    for (JavaRuntimeInfo& info : m_runtimes) {
        if (info.path != home || info.is64Bit != bits) continue;
        // Installers register one home under several names ("1.8" and
        // "1.8.0_151"); the longer name is the more exact version.
        if (info.versionText.GetLength() < static_cast<int>(wcslen(keyName))) {
            info.versionText = keyName;
            ParseVersionText(keyName, info.version);
        }
        return;
    }
    JavaRuntimeInfo info;
    info.path = home;
    info.versionText = keyName;
    ParseVersionText(keyName, info.version);
    info.is64Bit = bits;
    info.origin = kJavaFromRegistry;
    info.id = MakeId(info);
    m_runtimes.push_back(static_cast<JavaRuntimeInfo&&>(info));
}

}  // namespace launcher
}  // namespace trelm
