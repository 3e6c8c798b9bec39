#include "core/Endpoints.h"

#include <windows.h>

#include <cwchar>

#include "core/JsonFile.h"

namespace trelm {

namespace {

struct RoleInfo {
    const wchar_t* key;
    const wchar_t* defaultBase;
};

const RoleInfo kRoles[static_cast<int>(Endpoint::Count)] = {
    {L"version_manifest", L"https://launchermeta.mojang.com"},
    {L"libraries", L"https://libraries.minecraft.net"},
    {L"assets", L"http://resources.download.minecraft.net"},
    {L"legacy_store", L"https://s3.amazonaws.com"},
    {L"forge_maven", L"http://files.minecraftforge.net"},
    {L"mirror_maven", L"http://bmclapi2.bangbang93.com"},
    {L"mirror", L"http://bmclapi2.bangbang93.com"},
    {L"authentication", L"https://authserver.mojang.com"},
    {L"liteloader", L"http://dl.liteloader.com"},
    // The update server has no public address of its own yet.
    {L"update", L""},
};

WString* Table() {
    static WString* table = [] {
        static WString bases[static_cast<int>(Endpoint::Count)];
        for (int i = 0; i < static_cast<int>(Endpoint::Count); ++i) bases[i] = kRoles[i].defaultBase;
        return bases;
    }();
    return table;
}

// Accepts "http://host[:port]" or "https://..." and drops trailing slashes.
bool NormaliseBase(const wchar_t* text, int length, WString* out) {
    WString base;
    base.Assign(text, length);
    if (base.Find(L"http://") != 0 && base.Find(L"https://") != 0) return false;
    int end = base.GetLength();
    while (end > 0 && base[end - 1] == L'/') --end;
    base.Truncate(end);
    if (base == L"http:" || base == L"https:") return false;
    *out = base;
    return true;
}

// "127.a.b.c" with every number below 256.
bool IsLoopbackIPv4(const wchar_t* host, size_t length) {
    int number = -1, numbers = 0, first = -1;
    for (size_t i = 0; i <= length; ++i) {
        if (i == length || host[i] == L'.') {
            if (number < 0 || ++numbers > 4) return false;
            if (first < 0) first = number;
            number = -1;
        } else if (host[i] >= L'0' && host[i] <= L'9') {
            number = (number < 0 ? 0 : number * 10) + (host[i] - L'0');
            if (number > 255) return false;
        } else {
            return false;
        }
    }
    return numbers == 4 && first == 127;
}

// The address names this machine: its host is localhost, 127.x.x.x or
// [::1], followed by nothing but a port, so that no user part ("a@b") or
// longer name can lead elsewhere.
bool IsLoopbackBase(const WString& base) {
    const int start = base.Find(L"://");
    if (start < 0) return false;
    const wchar_t* host = base.GetString() + start + 3;
    const size_t authority = wcscspn(host, L"/?#");
    const size_t hostLength = host[0] == L'[' ? wcscspn(host, L"]") + 1 : wcscspn(host, L":/?#");
    if (hostLength > authority) return false;
    if (hostLength < authority) {
        if (host[hostLength] != L':' || hostLength + 1 == authority) return false;
        for (size_t i = hostLength + 1; i < authority; ++i)
            if (host[i] < L'0' || host[i] > L'9') return false;
    }
    return (hostLength == 9 && _wcsnicmp(host, L"localhost", 9) == 0) ||
           (hostLength == 5 && wcsncmp(host, L"[::1]", 5) == 0) || IsLoopbackIPv4(host, hostLength);
}

// Sign-in carries the password and the update list names the executable
// that replaces the launcher: both go over TLS, except to a server on this
// machine (where the tests run theirs).
bool PlainHttpRefused(Endpoint role, const WString& base) {
    return (role == Endpoint::Authentication || role == Endpoint::Update) && base.Find(L"https://") != 0 &&
           !IsLoopbackBase(base);
}

}  // namespace

const WString& EndpointBase(Endpoint role) { return Table()[static_cast<int>(role)]; }

bool LoadEndpointOverridesFromFile(const wchar_t* path, WString* message) {
    JsonDocument document;
    if (!LoadJsonFile(&document, path) || !document.IsObject()) {
        message->Format(L"服务器地址文件无法读取或不是有效的Json:%s", path);
        return false;
    }
    WString bases[static_cast<int>(Endpoint::Count)];
    for (int i = 0; i < static_cast<int>(Endpoint::Count); ++i) bases[i] = EndpointBase(static_cast<Endpoint>(i));
    for (auto member = document.MemberBegin(); member != document.MemberEnd(); ++member) {
        int role = 0;
        while (role < static_cast<int>(Endpoint::Count) && wcscmp(member->name.GetString(), kRoles[role].key) != 0)
            ++role;
        if (role == static_cast<int>(Endpoint::Count)) {
            message->Format(L"服务器地址文件(%s)含有未知的成员\"%s\"", path, member->name.GetString());
            return false;
        }
        if (!member->value.IsString() ||
            !NormaliseBase(member->value.GetString(), static_cast<int>(member->value.GetStringLength()),
                           &bases[role])) {
            message->Format(L"服务器地址文件(%s)的成员\"%s\"不是http或https地址", path, kRoles[role].key);
            return false;
        }
        if (PlainHttpRefused(static_cast<Endpoint>(role), bases[role])) {
            message->Format(L"服务器地址文件(%s)的成员\"%s\"必须是https地址(本机地址除外)", path, kRoles[role].key);
            return false;
        }
    }
    for (int i = 0; i < static_cast<int>(Endpoint::Count); ++i) Table()[i] = bases[i];
    return true;
}

bool LoadEndpointOverrides(WString* message) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"QUORVEL_ENDPOINTS", path, MAX_PATH);
    if (length == 0) return true;
    if (length >= MAX_PATH) {
        message->Format(L"服务器地址文件的路径过长");
        return false;
    }
    return LoadEndpointOverridesFromFile(path, message);
}

}  // namespace trelm
