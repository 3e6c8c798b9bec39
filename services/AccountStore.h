// The offline names and the online (Yggdrasil) accounts the launcher
// remembers, in "trelm_account.json" in the user's local application-data
// folder (UTF-16 with a byte-order mark). Passwords are stored encrypted
// with the machine key.
#pragma once

#include <map>
#include <set>

#include "core/FileUtils.h"
#include "core/WString.h"
#include "services/LauncherSettings.h"

struct YggdrasilAccount {
    YggdrasilAccount() = default;
    YggdrasilAccount(const wchar_t* pw, const wchar_t* name, const wchar_t* uuid, bool rememberPw)
        : pw(pw), name(name), uuid(uuid), rember_pw(rememberPw) {}

    // The plain password; empty when it was stored under another key.
    void GetPassword(WString& out) const;

    WString pw;  // Base64 of the encrypted password, as in the file
    WString name;
    WString uuid;
    bool rember_pw = false;
};

class AccountStore {
public:
    AccountStore();  // the path in the local application-data folder

    // Reads the file; one that is there but cannot be read changes nothing.
    void Load();
    // False, writing nothing, while a file that could not be read is still
    // in place (see KeepUnreadFileAside).
    bool Save();
    // The last Load found the file but could not read it, and it has not
    // been kept aside yet.
    bool LoadFailed() const { return m_unreadFile.Blocks(); }
    // Keeps such a file as "<file>.bad" (KeepFileAside) so that Save may
    // write again; true when nothing is left in the way.
    bool KeepUnreadFileAside(WString* keptAs) { return m_unreadFile.KeepAside(m_path, keptAs); }

    void AddOfflineName(const wchar_t* name);
    YggdrasilAccount* FindYggdrasilAccount(const wchar_t* account);
    const wchar_t* FindUuidByPlayerName(const wchar_t* playerName) const;
    // Null arguments leave their field unchanged.
    void SetYggdrasilAccount(const wchar_t* account, const wchar_t* password, const wchar_t* playerName,
                             const wchar_t* uuid, const bool* rememberPassword);

    void SetFilePath(const wchar_t* path) {
        m_path = path;
        m_unreadFile = UnreadFileGuard();
    }
    const WString& FilePath() const { return m_path; }

    std::set<WString, OrdinalLess> offlineNames;
    std::map<WString, YggdrasilAccount, OrdinalLess> accounts;

private:
    WString m_path;
    UnreadFileGuard m_unreadFile;
};

extern AccountStore g_accountStore;
