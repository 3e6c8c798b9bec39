// The server address table and its override file.
#include <gtest/gtest.h>

#include <string>

#include "core/Endpoints.h"
#include "tests/support/TestPaths.h"

namespace {

using trelm::Endpoint;
using trelm::EndpointBase;
using testing_support::TempDir;
using testing_support::WriteBytes;

// Puts the built-in addresses back so other tests see the defaults.
const char kDefaults[] =
    "{\"version_manifest\":\"https://launchermeta.mojang.com\",\"libraries\":\"https://libraries.minecraft.net\","
    "\"assets\":\"http://resources.download.minecraft.net\",\"legacy_store\":\"https://s3.amazonaws.com\","
    "\"forge_maven\":\"http://files.minecraftforge.net\",\"mirror_maven\":\"http://bmclapi2.bangbang93.com\","
    "\"mirror\":\"http://bmclapi2.bangbang93.com\",\"authentication\":\"https://authserver.mojang.com\","
    "\"liteloader\":\"http://dl.liteloader.com\"}";

class EndpointsTest : public testing::Test {
protected:
    void TearDown() override {
        WriteBytes(dir / L"defaults.json", kDefaults);
        WString message;
        ASSERT_TRUE(trelm::LoadEndpointOverridesFromFile((dir / L"defaults.json").c_str(), &message));
    }
    bool Load(const std::string& json, WString* message) {
        WriteBytes(dir / L"endpoints.json", json);
        return trelm::LoadEndpointOverridesFromFile((dir / L"endpoints.json").c_str(), message);
    }
    TempDir dir;
};

TEST_F(EndpointsTest, DefaultsKeepTheSchemeOfEachRole) {
    EXPECT_EQ(0, EndpointBase(Endpoint::Libraries).Find(L"https://"));
    EXPECT_EQ(0, EndpointBase(Endpoint::LegacyStore).Find(L"https://"));
    EXPECT_EQ(0, EndpointBase(Endpoint::Authentication).Find(L"https://"));
    EXPECT_EQ(0, EndpointBase(Endpoint::Assets).Find(L"http://"));
    EXPECT_EQ(0, EndpointBase(Endpoint::ForgeMaven).Find(L"http://"));
    EXPECT_EQ(0, EndpointBase(Endpoint::Mirror).Find(L"http://"));
    for (int i = 0; i < static_cast<int>(Endpoint::Count); ++i) {
        const WString& base = EndpointBase(static_cast<Endpoint>(i));
        if (base.GetLength()) {
            EXPECT_NE(L'/', base[base.GetLength() - 1]) << i;
        }
    }
}

TEST_F(EndpointsTest, OverrideFileReplacesOnlyTheNamedRoles) {
    const WString mirror = EndpointBase(Endpoint::Mirror);
    WString message;
    ASSERT_TRUE(Load("\xef\xbb\xbf{\"libraries\": \"http://127.0.0.1:8080/\", \"update\": \"https://127.0.0.1:9/\"}",
                     &message));
    EXPECT_TRUE(EndpointBase(Endpoint::Libraries) == L"http://127.0.0.1:8080");
    EXPECT_TRUE(EndpointBase(Endpoint::Update) == L"https://127.0.0.1:9");
    EXPECT_TRUE(EndpointBase(Endpoint::Mirror) == mirror);
}

// The password and the update list travel only over TLS; plain http is
// left to servers on this machine, where the tests run theirs.
TEST_F(EndpointsTest, SignInAndUpdateRefusePlainHttpBeyondThisMachine) {
    const struct {
        const char* role;
        const char* base;
        bool accepted;
    } cases[] = {
        {"authentication", "http://authserver.example", false}, {"update", "http://updates.example:8080", false},
        {"authentication", "HTTP://authserver.example", false},
        {"authentication", "http://127.0.0.1:80@evil.example", false},
        {"update", "http://127.0.0.1.evil.example", false}, {"update", "http://localhost.evil.example", false},
        {"update", "http://127.0.0.256", false},
        {"authentication", "https://authserver.example", true}, {"authentication", "http://127.0.0.1:8080", true},
        {"update", "http://127.9.0.1", true}, {"update", "http://localhost:81/", true},
        {"update", "http://[::1]:81", true}, {"libraries", "http://libraries.example", true},
    };
    for (const auto& c : cases) {
        const WString authentication = EndpointBase(Endpoint::Authentication);
        WString message;
        const std::string json = std::string("{\"") + c.role + "\": \"" + c.base + "\"}";
        EXPECT_EQ(c.accepted, Load(json, &message)) << json;
        if (!c.accepted) {
            EXPECT_NE(std::wstring::npos, std::wstring(message.GetString()).find(L"https")) << json;
            EXPECT_TRUE(EndpointBase(Endpoint::Authentication) == authentication) << json;
        }
    }
}

TEST_F(EndpointsTest, ABadFileChangesNothing) {
    const WString libraries = EndpointBase(Endpoint::Libraries);
    const char* bad[] = {
        "{\"libraries\": \"http://127.0.0.1:1\", \"assets\": \"ftp://x\"}",  // one bad entry spoils the file
        "{\"libraries\": \"http://127.0.0.1:1\", \"mirors\": \"http://x\"}",  // misspelt role
        "{\"libraries\": 8080}",
        "{\"libraries\": \"http://\"}",
        "[\"http://127.0.0.1:1\"]",
        "{\"libraries\": \"http://127.0.0.1:1\"",  // truncated
    };
    for (const char* json : bad) {
        WString message;
        EXPECT_FALSE(Load(json, &message)) << json;
        EXPECT_GT(message.GetLength(), 0) << json;
        EXPECT_TRUE(EndpointBase(Endpoint::Libraries) == libraries) << json;
    }
    WString message;
    EXPECT_FALSE(trelm::LoadEndpointOverridesFromFile((dir / L"missing.json").c_str(), &message));
}

}  // namespace
