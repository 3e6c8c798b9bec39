// Sign-in against a local server that answers "/authenticate" as scripted.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "core/Endpoints.h"
#include "launcher/YggdrasilAuthenticate.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/VerifiedTlsRoots.h"
#include "tests/support/WaitUntil.h"

namespace {

using testing_support::Narrow;
using testing_support::TestHttpServer;
using trelm::launcher::YggdrasilAuthenticate;

void PointSignInAt(const std::string& base) {
    testing_support::TempDir dir;
    testing_support::WriteBytes(dir / L"endpoints.json", "{\"authentication\": \"" + base + "\"}");
    WString message;
    ASSERT_TRUE(trelm::LoadEndpointOverridesFromFile((dir / L"endpoints.json").c_str(), &message))
        << Narrow(message.GetString());
}

class Authenticate : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Start()) << server.LastError();
        PointSignInAt(server.BaseUrl());
    }
    void TearDown() override { PointSignInAt("https://authserver.mojang.com"); }

    TestHttpServer server;
    YggdrasilAuthenticate client;
    WString token = L"t", id = L"i", name = L"n";
};

TEST_F(Authenticate, ValidAnswerFillsTheProfileAndTheRequestIsExact) {
    ASSERT_TRUE(server.SetRoutes(R"({"/authenticate": {"body":
        "{\"accessToken\":\"tok-1\",\"clientToken\":\"c\",\"selectedProfile\":{\"id\":\"0123abcd\",\"name\":\"玩家\"}}"}})"));
    // A quote, a backslash, a control character and text outside any ANSI
    // code page must reach the server as typed.
    ASSERT_TRUE(client.Authenticate(L"user@example.com", L"p\"a\\s\ts密码é€", &token, &id, &name))
        << Narrow(client.Message().GetString());
    EXPECT_EQ(0, client.Result());
    EXPECT_EQ("OK", Narrow(client.Message().GetString()));
    EXPECT_EQ("tok-1", Narrow(token.GetString()));
    EXPECT_EQ("0123abcd", Narrow(id.GetString()));
    EXPECT_EQ("玩家", Narrow(name.GetString()));

    const auto requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("POST", requests[0].method);
    EXPECT_EQ("/authenticate", requests[0].path);
    EXPECT_EQ("application/json", requests[0].Header("Content-Type"));
    EXPECT_EQ("", requests[0].Header("Expect"));
    EXPECT_EQ("{\"agent\":{\"name\":\"Minecraft\",\"version\":1},\"username\":\"user@example.com\","
              "\"password\":\"p\\\"a\\\\s\\ts密码é€\"}",
              requests[0].body);
    // A name that reads like a placeholder is sent as typed, the password
    // stays in its own field.
    EXPECT_EQ("{\"agent\":{\"name\":\"Minecraft\",\"version\":1},\"username\":\"${password}\",\"password\":\"pw\"}",
              YggdrasilAuthenticate::BuildRequestBody(L"${password}", L"pw"));
}

TEST_F(Authenticate, EachFailureHasItsResultAndMessage) {
    struct Case {
        const char* route;
        int result;
        const char* message;  // null: any text
    };
    const Case cases[] = {
        {R"({"status": 403, "body": "{\"error\":\"ForbiddenOperationException\",\"errorMessage\":\"Invalid credentials.\"}"})",
         3, "detail:\r\nerror:ForbiddenOperationException\r\nerrorMessage:Invalid credentials."},
        {R"({"body": "{\"cause\":\"c\",\"accessToken\":\"x\",\"error\":\"e\"}"})", 3, "detail:\r\nerror:e\r\ncause:c"},
        // An account without a game profile.
        {R"({"body": "{\"accessToken\":\"x\",\"availableProfiles\":[]}"})", 3, "detail:"},
        {R"({"status": 502, "body": "<html>Bad gateway</html>"})", 2, "返回的数据不是有效的Json"},
        {R"({"body": "[1,2]"})", 2, "返回的数据不是有效的Json"},
        {R"({"generate": 10485760})", 1, nullptr},
        {R"({"generate": 10485760, "content_length": null, "chunked": true})", 1, nullptr},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(server.SetRoutes(std::string("{\"/authenticate\": ") + c.route + "}"));
        EXPECT_FALSE(client.Authenticate(L"u", L"p", &token, &id, &name)) << c.route;
        EXPECT_EQ(c.result, client.Result()) << c.route;
        const std::string message = Narrow(client.Message().GetString());
        EXPECT_EQ(c.message != nullptr ? c.message : message, message) << c.route;
        EXPECT_FALSE(message.empty()) << c.route;
        EXPECT_EQ("t", Narrow(token.GetString()));  // outputs untouched
    }
}

TEST_F(Authenticate, AbortFromAnotherThreadEndsASlowAnswer) {
    ASSERT_TRUE(server.SetRoutes(R"({"/authenticate": {"delay_ms": 60000, "body": "{}"}})"));
    // Aborted once the request is at the server, so the sign-in has begun
    // (it clears the flag as it starts) and now waits for the answer.
    std::thread aborter([this] {
        testing_support::WaitUntil([this] { return !server.Requests().empty(); });
        client.Abort();
    });
    EXPECT_FALSE(client.Authenticate(L"u", L"p", &token, &id, &name));
    aborter.join();
    EXPECT_EQ(1, client.Result());
    // The abort's own failure, not the transfer's 10 s time-out.
    EXPECT_EQ("Callback aborted", Narrow(client.Message().GetString()));
}

// The password travels only to a server whose certificate a trusted CA
// signed: the same server is refused when another CA is the one trusted,
// and nothing reaches it.
TEST(AuthenticateTls, ServerSignedByAnotherAuthorityIsRefused) {
    TestHttpServer server;
    ASSERT_TRUE(server.Start(TestHttpServer::Scheme::Https)) << server.LastError();
    ASSERT_TRUE(server.SetRoutes(R"({"/authenticate": {"body": "{\"accessToken\":\"x\",\"selectedProfile\":{\"id\":\"i\",\"name\":\"n\"}}"}})"));
    PointSignInAt(server.BaseUrl());
    WString token, id, name;
    {
        testing_support::VerifiedTlsRoots roots(server.OtherCaFile());
        YggdrasilAuthenticate client;
        EXPECT_FALSE(client.Authenticate(L"u", L"secret", &token, &id, &name));
        EXPECT_EQ(1, client.Result()) << Narrow(client.Message().GetString());
        EXPECT_EQ(0u, server.Requests().size());
    }
    {
        testing_support::VerifiedTlsRoots roots(server.CaFile());
        YggdrasilAuthenticate client;
        EXPECT_TRUE(client.Authenticate(L"u", L"secret", &token, &id, &name)) << Narrow(client.Message().GetString());
    }
    PointSignInAt("https://authserver.mojang.com");
}

}  // namespace
