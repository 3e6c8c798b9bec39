#include "services/AccountStore.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <cwchar>

#include "core/GlobalOrder.h"
#include "core/JsonFile.h"
#include "core/TextFile.h"
#include "services/JsonGetters.h"
#include "services/MachineKey.h"

// Built in its place among the process-wide objects (core/GlobalOrder.h).
AccountStore g_accountStore QUORVEL_GLOBAL_ORDER(kOrderAccountStore);

namespace {

const wchar_t kAccountFileName[] = L"trelm_account.json";
const uint32_t kAnyLength = UINT32_MAX;
const int64_t kMaxAccountFileSize = 0xA00000;

}  // namespace

void YggdrasilAccount::GetPassword(WString& out) const {
    out = L"";
    DecryptWithMachineKey(pw, out);
}

AccountStore::AccountStore() : m_path(kAccountFileName) {
    wchar_t* folder = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder)) && folder != nullptr) {
        m_path = folder;
        m_path.Append(L"\\");
        m_path.Append(kAccountFileName);
    }
    CoTaskMemFree(folder);
}

void AccountStore::Load() {
    // A file without a byte-order mark is in the ANSI code page, as the
    // runtime's Unicode text mode reads it.
    WString text;
    JsonDocument document;
    const bool read = ReadTextFile(m_path, &text, kMaxAccountFileSize) && ParseJsonText(text, &document) &&
                      document.IsObject();
    m_unreadFile.AfterLoad(read, m_path);
    if (!read) return;
    offlineNames.clear();
    accounts.clear();

    const JsonValue* names = FindJsonMember(document, L"offline_account_list");
    if (names != nullptr && names->IsArray()) {
        for (const JsonValue& entry : names->GetArray()) {
            const wchar_t* name = nullptr;
            if (GetJsonString(entry, L"name", name, 0)) AddOfflineName(name);
        }
    }
    const JsonValue* list = FindJsonMember(document, L"yggdrasil_account_list");
    if (list == nullptr || !list->IsArray()) return;
    for (const JsonValue& entry : list->GetArray()) {
        WString account;
        if (!GetJsonString(entry, L"account", account, 0, kAnyLength)) continue;
        YggdrasilAccount stored;
        GetJsonString(entry, L"pw", stored.pw, 0, kAnyLength);
        GetJsonString(entry, L"name", stored.name, 0, kAnyLength);
        GetJsonString(entry, L"uuid", stored.uuid, 0, kAnyLength);
        GetJsonBool(entry, L"rember_pw", stored.rember_pw);
        accounts.emplace(account, stored);  // the first entry of an account wins
    }
}

bool AccountStore::Save() {
    if (m_unreadFile.Blocks()) return false;
    JsonDocument document(rapidjson::kObjectType);
    JsonAllocator& allocator = document.GetAllocator();

    JsonValue names(rapidjson::kArrayType);
    for (const WString& name : offlineNames) {
        JsonValue item(rapidjson::kObjectType);
        PutJsonString(item, L"name", name, allocator);
        names.PushBack(item, allocator);
    }
    document.AddMember(JsonKey(L"offline_account_list", allocator), names, allocator);

    JsonValue list(rapidjson::kArrayType);
    for (const auto& entry : accounts) {
        JsonValue item(rapidjson::kObjectType);
        PutJsonString(item, L"account", entry.first, allocator);
        PutJsonString(item, L"pw", entry.second.pw, allocator);
        PutJsonString(item, L"name", entry.second.name, allocator);
        PutJsonString(item, L"uuid", entry.second.uuid, allocator);
        item.AddMember(JsonKey(L"rember_pw", allocator), JsonValue(entry.second.rember_pw), allocator);
        list.PushBack(item, allocator);
    }
    document.AddMember(JsonKey(L"yggdrasil_account_list", allocator), list, allocator);

    WString text;
    return JsonToText(document, &text) && WriteTextFile(m_path, text, true);
}

void AccountStore::AddOfflineName(const wchar_t* name) { offlineNames.insert(WString(name)); }

YggdrasilAccount* AccountStore::FindYggdrasilAccount(const wchar_t* account) {
    const auto found = accounts.find(WString(account));
    return found == accounts.end() ? nullptr : &found->second;
}

const wchar_t* AccountStore::FindUuidByPlayerName(const wchar_t* playerName) const {
    for (const auto& entry : accounts) {
        if (entry.second.name == playerName) return entry.second.uuid;
    }
    return L"";
}

void AccountStore::SetYggdrasilAccount(const wchar_t* account, const wchar_t* password, const wchar_t* playerName,
                                       const wchar_t* uuid, const bool* rememberPassword) {
    YggdrasilAccount& stored = accounts[WString(account)];
    if (password != nullptr) EncryptWithMachineKey(password, stored.pw);
    if (playerName != nullptr) stored.name = playerName;
    if (uuid != nullptr) stored.uuid = uuid;
    if (rememberPassword != nullptr) stored.rember_pw = *rememberPassword;
}
