#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include <cryptopp/base64.h>
#include <cryptopp/filters.h>

#include "core/TextFile.h"
#include "services/AccountStore.h"
#include "services/MachineKey.h"
#include "tests/support/TestPaths.h"

using testing_support::Narrow;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::Widen;

namespace {

struct KeyVector {
    std::wstring machineId;
    std::wstring password;
    std::string keyHex;
    std::string base64;  // "-" when not given
};

// Written at build time by make_key_vectors.sh with openssl.
std::vector<KeyVector> LoadVectors() {
    std::vector<KeyVector> vectors;
    const std::wstring binary = testing_support::PathFromEnvironment("QUORVEL_BINARY_DIR");
    if (binary.empty()) return vectors;
    std::istringstream lines(ReadBytes(binary + L"\\tests\\services\\machine_key_vectors.txt"));
    std::string id, password, key, base64;
    while (std::getline(lines, id) && std::getline(lines, password) && std::getline(lines, key) &&
           std::getline(lines, base64))
        vectors.push_back({Widen(id), Widen(password), key, base64});
    return vectors;
}

std::string Hex(const uint8_t* bytes, size_t count) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

size_t DecodedLength(const WString& base64) {
    std::string bytes;
    CryptoPP::StringSource(Narrow(base64.GetString()), true,
                           new CryptoPP::Base64Decoder(new CryptoPP::StringSink(bytes)));
    return bytes.size();
}

// Restores the process-wide key after each test.
class MachineKeyTest : public testing::Test {
protected:
    ~MachineKeyTest() override { InitMachineKeyFromId(L"1234QUORVEL-PCtester"); }
};

}  // namespace

TEST_F(MachineKeyTest, MatchesIndependentKnownAnswers) {
    const std::vector<KeyVector> vectors = LoadVectors();
    ASSERT_EQ(3u, vectors.size()) << "machine_key_vectors.txt missing from the build folder";
    for (const KeyVector& vector : vectors) {
        ASSERT_TRUE(InitMachineKeyFromId(vector.machineId.c_str()));
        EXPECT_EQ(vector.keyHex, Hex(g_machineKey.key, 32)) << vector.keyHex;
        if (vector.base64 == "-") continue;
        WString stored;
        ASSERT_TRUE(EncryptWithMachineKey(vector.password.c_str(), stored));
        EXPECT_EQ(vector.base64, Narrow(stored.GetString()));
        WString plain;
        ASSERT_TRUE(DecryptWithMachineKey(Widen(vector.base64).c_str(), plain));
        EXPECT_EQ(vector.password, plain.GetString());
    }
}

TEST_F(MachineKeyTest, OtherKeysAndDamagedTextsReadBackNothing) {
    ASSERT_TRUE(InitMachineKeyFromId(L"1111OTHER-PCsomeoneelse"));
    WString foreign;
    ASSERT_TRUE(EncryptWithMachineKey(L"secret", foreign));

    ASSERT_TRUE(InitMachineKeyFromId(L"2222QUORVEL-PCplayer"));
    WString first, second;
    ASSERT_TRUE(EncryptWithMachineKey(L"secret", first));
    ASSERT_TRUE(EncryptWithMachineKey(L"secret", second));
    EXPECT_EQ(Narrow(first.GetString()), Narrow(second.GetString()));  // the fixed IV makes it deterministic
    EXPECT_EQ(wcslen(L"2222QUORVEL-PCplayer") + 6, DecodedLength(first));

    const wchar_t* unreadable[] = {foreign.GetString(), L"", L"!!!not base64!!!", L"AAAA"};
    for (const wchar_t* stored : unreadable) {
        WString out(L"unchanged");
        EXPECT_FALSE(DecryptWithMachineKey(stored, out)) << Narrow(stored);
        EXPECT_EQ(L"unchanged", std::wstring(out.GetString()));
    }
    YggdrasilAccount account(foreign, L"Steve", L"uuid", true);
    WString password(L"old");
    account.GetPassword(password);
    EXPECT_TRUE(password.IsEmpty());

    // An empty password round-trips as itself.
    WString empty;
    ASSERT_TRUE(EncryptWithMachineKey(L"", empty));
    WString plain(L"x");
    EXPECT_TRUE(DecryptWithMachineKey(empty, plain));
    EXPECT_TRUE(plain.IsEmpty());
}

TEST_F(MachineKeyTest, CharactersOutsideTheCodePageAreConverted) {
    ASSERT_TRUE(InitMachineKeyFromId(L"42PCuser"));
    // U+0100 is missing from both code pages the tests run under (1252, 936).
    const wchar_t password[] = L"p\u0100w";
    WString stored, plain;
    ASSERT_TRUE(EncryptWithMachineKey(password, stored));
    ASSERT_TRUE(DecryptWithMachineKey(stored, plain));
    char ansi[8] = {};
    WideCharToMultiByte(CP_ACP, 0, password, -1, ansi, sizeof ansi, nullptr, nullptr);
    WString expected;
    expected.AssignAnsi(ansi, static_cast<int>(strlen(ansi)));
    EXPECT_EQ(std::wstring(expected.GetString()), plain.GetString());
    EXPECT_NE(std::wstring(password), plain.GetString());
}

TEST_F(MachineKeyTest, RealMachineValuesGiveAKey) {
    ASSERT_TRUE(InitMachineKey());
    EXPECT_TRUE(g_machineKey.ready);
    wchar_t user[257];
    DWORD length = 257;
    ASSERT_TRUE(GetUserNameW(user, &length));
    const std::wstring id = g_machineKey.machineId.GetString();
    EXPECT_EQ(std::wstring(user), id.substr(id.size() - (length - 1)));  // the user name ends the text
    EXPECT_TRUE(iswdigit(id[0]));
}

namespace {

const wchar_t kAccountFile[] = LR"({
    "offline_account_list": [
        {
            "name": "Alex"
        },
        {
            "name": "史蒂夫"
        }
    ],
    "yggdrasil_account_list": [
        {
            "account": "a@example.com",
            "pw": "",
            "name": "Shared",
            "uuid": "uuid-a",
            "rember_pw": false
        },
        {
            "account": "b@example.com",
            "pw": "QUJD",
            "name": "Shared",
            "uuid": "uuid-b",
            "rember_pw": true
        }
    ]
})";

class AccountFile : public MachineKeyTest {
protected:
    AccountFile() {
        path = dir / L"Local\\trelm_account.json";
        store.SetFilePath(path.c_str());
    }

    void LoadText(const wchar_t* text) {
        ASSERT_TRUE(WriteTextFile(path.c_str(), text, true));
        store.Load();
    }

    TempDir dir;
    std::wstring path;
    AccountStore store;
};

}  // namespace

TEST_F(AccountFile, DefaultPathIsInLocalAppData) {
    AccountStore fresh;
    const std::wstring stored = fresh.FilePath().GetString();
    EXPECT_NE(std::wstring::npos, stored.find(L":\\")) << Narrow(stored);
    EXPECT_EQ(L"\\trelm_account.json", stored.substr(stored.size() - 19));
}

TEST_F(AccountFile, RoundTripIsByteStableAndLookupsWork) {
    LoadText(kAccountFile);
    const std::string original = ReadBytes(path);
    ASSERT_EQ(2u, store.offlineNames.size());
    ASSERT_EQ(2u, store.accounts.size());
    EXPECT_STREQ(L"uuid-a", store.FindUuidByPlayerName(L"Shared"));  // the first login name wins
    EXPECT_STREQ(L"", store.FindUuidByPlayerName(L"shared"));
    ASSERT_NE(nullptr, store.FindYggdrasilAccount(L"b@example.com"));
    EXPECT_EQ(nullptr, store.FindYggdrasilAccount(L"B@example.com"));
    EXPECT_TRUE(store.FindYggdrasilAccount(L"b@example.com")->rember_pw);

    ASSERT_TRUE(store.Save());
    EXPECT_EQ(original, ReadBytes(path));
}

TEST_F(AccountFile, FileWithoutByteOrderMarkIsAnsi) {
    // "史蒂夫" under code page 936, "Amélie" under 1252: not UTF-8 either way.
    const wchar_t* name = L"\u53F2\u8482\u592B";
    const auto file = [](const wchar_t* player) {
        return std::wstring(L"{\"yggdrasil_account_list\": [{\"account\": \"a\", \"name\": \"") + player +
               L"\"}]}";
    };
    if (!WriteTextFile(path.c_str(), file(name).c_str(), false)) name = L"Am\u00E9lie";
    ASSERT_TRUE(WriteTextFile(path.c_str(), file(name).c_str(), false));
    store.Load();
    ASSERT_NE(nullptr, store.FindYggdrasilAccount(L"a"));
    EXPECT_EQ(std::wstring(name), store.FindYggdrasilAccount(L"a")->name.GetString());
}

TEST_F(AccountFile, MalformedEntriesAreSkippedOneByOne) {
    LoadText(LR"({"offline_account_list": [{"name": "A"}, {"name": 5}, "B", {"name": "A"}],
        "yggdrasil_account_list": [{"name": "x"}, {"account": 3},
            {"account": "first", "pw": 5, "name": "P1", "rember_pw": "yes"},
            {"account": "first", "name": "P2"}, {"account": "second", "uuid": "u2", "rember_pw": true}]})");
    EXPECT_EQ(1u, store.offlineNames.size());
    ASSERT_EQ(2u, store.accounts.size());
    const YggdrasilAccount* first = store.FindYggdrasilAccount(L"first");
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(L"P1", std::wstring(first->name.GetString()));
    EXPECT_TRUE(first->pw.IsEmpty());
    EXPECT_FALSE(first->rember_pw);
    EXPECT_TRUE(store.FindYggdrasilAccount(L"second")->rember_pw);

    // A file that cannot be read (cut short, not an object) changes nothing
    // and is not written over until it is kept aside.
    for (const wchar_t* text : {L"{\"offline_account_list\": [{\"name\": \"A\"}", L"[]"}) {
        LoadText(text);
        EXPECT_TRUE(store.LoadFailed()) << Narrow(text);
        EXPECT_EQ(2u, store.accounts.size()) << Narrow(text);
        const std::string unread = ReadBytes(path);
        EXPECT_FALSE(store.Save());
        EXPECT_EQ(unread, ReadBytes(path));
    }
    WString kept;
    ASSERT_TRUE(store.KeepUnreadFileAside(&kept));
    EXPECT_EQ(path + L".bad", std::wstring(kept.GetString()));
    EXPECT_TRUE(store.Save());
    // An object of the wrong shape is read: empty lists.
    LoadText(L"{\"offline_account_list\": {}}");
    EXPECT_TRUE(store.offlineNames.empty() && store.accounts.empty());
    // A missing file is a first start: nothing fails, nothing is written by loading.
    store.SetFilePath((dir / L"none.json").c_str());
    store.Load();
    EXPECT_FALSE(store.LoadFailed());
    EXPECT_FALSE(testing_support::Exists(dir / L"none.json"));
}

TEST_F(AccountFile, SetAccountEncryptsAndNullKeepsFields) {
    ASSERT_TRUE(InitMachineKeyFromId(L"77PCuser"));
    const bool remember = true;
    store.SetYggdrasilAccount(L"a@example.com", L"hunter2", L"Steve", L"uuid-1", &remember);
    store.SetYggdrasilAccount(L"a@example.com", nullptr, nullptr, L"uuid-2", nullptr);
    const YggdrasilAccount* account = store.FindYggdrasilAccount(L"a@example.com");
    ASSERT_NE(nullptr, account);
    EXPECT_EQ(L"Steve", std::wstring(account->name.GetString()));
    EXPECT_EQ(L"uuid-2", std::wstring(account->uuid.GetString()));
    EXPECT_TRUE(account->rember_pw);
    EXPECT_EQ(std::string::npos, Narrow(account->pw.GetString()).find("hunter2"));
    WString password;
    account->GetPassword(password);
    EXPECT_EQ(L"hunter2", std::wstring(password.GetString()));

    ASSERT_TRUE(store.Save());
    AccountStore reread;
    reread.SetFilePath(path.c_str());
    reread.Load();
    reread.FindYggdrasilAccount(L"a@example.com")->GetPassword(password);
    EXPECT_EQ(L"hunter2", std::wstring(password.GetString()));

    // Another machine reads the same file back with an empty password.
    ASSERT_TRUE(InitMachineKeyFromId(L"88PCuser"));
    reread.FindYggdrasilAccount(L"a@example.com")->GetPassword(password);
    EXPECT_TRUE(password.IsEmpty());

    // Without a key a new password is not stored at all.
    g_machineKey.ready = false;
    store.SetYggdrasilAccount(L"new@example.com", L"pw", nullptr, nullptr, nullptr);
    EXPECT_TRUE(store.FindYggdrasilAccount(L"new@example.com")->pw.IsEmpty());
}
