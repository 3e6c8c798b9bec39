// The server address table and its override file.
#include <gtest/gtest.h>

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
