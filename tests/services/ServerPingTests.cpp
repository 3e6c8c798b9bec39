#include <winsock2.h>
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "services/ServerPing.h"
#include "tests/services/StatusServer.h"
#include "tests/support/TestPaths.h"

using namespace mcmotd;

namespace {

class ServerPing : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WSADATA data;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::Ok, Gdiplus::GdiplusStartup(&s_gdiplus, &input, nullptr));
        s_server = new testing_support::TestStatusServer();
        s_started = s_server->Start();
    }
    static void TearDownTestSuite() {
        delete s_server;
        Gdiplus::GdiplusShutdown(s_gdiplus);
        WSACleanup();
    }
    void SetUp() override { ASSERT_TRUE(s_started) << s_server->LastError(); }

    static WString Address(const char* script, const char* host = "127.0.0.1") {
        WString address;
        address.Format(L"%S:%d", host, s_server->Port(script));
        return address;
    }

    static ULONG_PTR s_gdiplus;
    static testing_support::TestStatusServer* s_server;
    static bool s_started;
};

ULONG_PTR ServerPing::s_gdiplus = 0;
testing_support::TestStatusServer* ServerPing::s_server = nullptr;
bool ServerPing::s_started = false;

const int kNotParsed = -1;

struct ScriptCase {
    const char* script;
    int result;        // of QueryServerStatus
    int parseResult;   // of ParseServerStatus, or kNotParsed
    bool icon;
    uint32_t minMs, maxMs;  // bounds of the whole query
    int minLatency, maxLatency;  // of an answered query
};

const int kAnyLatency = 0;
const int kStepLatency = 3999;

// Timing bounds: a step that waits for its 4000 ms limit takes that long on
// any machine, so an answer that must come at once is checked to end below
// it (kPrompt): a wrong reader that waited for more bytes, or for a pong it
// missed, still ends with the same code, but not as soon. Time-outs take
// one step limit, and end before a second one would have passed.
const uint32_t kPrompt = 3900;
const uint32_t kOneWait = 7900;
const ScriptCase kScripts[] = {
    {"normal", kPingOk, kPingOk, true, 0, kPrompt, kAnyLatency, kStepLatency},
    {"starting", kPingOk, kPingServerStarting, false, 0, kPrompt, kAnyLatency, kStepLatency},
    {"packet_id_1", kPingMalformed, kNotParsed, false, 0, kPrompt, kAnyLatency, kStepLatency},
    // A VarInt has at most five bytes: these answers, whole but for a sixth
    // byte, are refused at once, not taken.
    {"length_6_bytes", kPingTransferFailed, kNotParsed, false, 0, kPrompt, kAnyLatency, kStepLatency},
    {"packet_id_6_bytes", kPingMalformed, kNotParsed, false, 0, kPrompt, kAnyLatency, kStepLatency},
    // Refused before anything is allocated or waited for.
    {"length_huge", kPingTransferFailed, kNotParsed, false, 0, kPrompt, kAnyLatency, kStepLatency},
    {"length_over_max", kPingTransferFailed, kNotParsed, false, 0, kPrompt, kAnyLatency, kStepLatency},
    {"length_max", kPingOk, kPingOk, false, 0, kPrompt, kAnyLatency, kStepLatency},
    // The game's own limit on the status text.
    {"text_over_max", kPingMalformed, kNotParsed, false, 0, kPrompt, kAnyLatency, kStepLatency},
    // Without a pong the figure is the status answer's round trip, which
    // these two servers hold back 50 ms; the wrong pong, were its id not
    // checked, would make it 100 s (or the ping's own round trip).
    {"close_before_pong", kPingOk, kPingOk, true, 0, kPrompt, 40, 10000},
    {"wrong_pong", kPingOk, kPingOk, true, 0, kPrompt, 40, 10000},
    {"favicon_no_comma", kPingOk, kPingOk, false, 0, kPrompt, kAnyLatency, kStepLatency},
    {"favicon_bad_base64", kPingOk, kPingOk, false, 0, kPrompt, kAnyLatency, kStepLatency},
    // Only the write set is watched, so a refusal also ends at the limit.
    {"never_accepts", kPingConnectFailed, kNotParsed, false, 3900, kOneWait, kAnyLatency, kStepLatency},
    {"refused", kPingConnectFailed, kNotParsed, false, 3900, kOneWait, kAnyLatency, kStepLatency},
};

TEST_F(ServerPing, EveryScriptEndsWithItsCode) {
    for (const ScriptCase& test : kScripts) {
        SCOPED_TRACE(test.script);
        const uint32_t abort = 0;
        WString json;
        int latency = -1;
        const ULONGLONG start = GetTickCount64();
        const int result = QueryServerStatus(Address(test.script), json, latency, &abort);
        const ULONGLONG elapsed = GetTickCount64() - start;
        EXPECT_EQ(test.result, result) << ServerStatusText(result);
        EXPECT_GE(elapsed, test.minMs);
        EXPECT_LE(elapsed, test.maxMs);
        if (result == kPingOk) {
            EXPECT_GE(latency, test.minLatency);
            EXPECT_LE(latency, test.maxLatency);
        }
        if (test.parseResult == kNotParsed) continue;
        ServerStatus status;
        Gdiplus::Bitmap* icon = nullptr;
        EXPECT_EQ(test.parseResult, ParseServerStatus(json, status, 31, &icon));
        std::unique_ptr<Gdiplus::Bitmap> owned(icon);
        EXPECT_EQ(test.icon, icon != nullptr);
        if (icon) {
            EXPECT_EQ(64u, icon->GetWidth());
            EXPECT_EQ(32u, icon->GetHeight());
        }
    }
}

// The figure is the ping's round trip, not the 40 ms that TCP's
// small-packet delay adds when a packet goes out in two writes: the length
// alone first, its body held back until the server acknowledges it. The
// server counts the reads each ping took; one write always arrives in one.
TEST_F(ServerPing, LatencyOfAPromptServerIsItsRoundTrip) {
    for (int i = 0; i < 5; ++i) {
        const uint32_t abort = 0;
        WString json;
        int latency = -1;
        ASSERT_EQ(kPingOk, QueryServerStatus(Address("ping_reads"), json, latency, &abort));
        EXPECT_GE(latency, 0);
    }
    EXPECT_TRUE(s_server->LogHolds("ping_reads: 1\n"));
    for (int reads = 2; reads <= 10; ++reads)
        EXPECT_FALSE(s_server->LogHolds("ping_reads: " + std::to_string(reads) + "\n")) << reads << " reads";
}

TEST_F(ServerPing, NormalAnswerByHostName) {
    const uint32_t abort = 0;
    WString json;
    int latency = -1;
    ASSERT_EQ(kPingOk, QueryServerStatus(Address("normal", "localhost"), json, latency, &abort));
    ServerStatus status;
    status.description = L"stale";
    ASSERT_EQ(kPingOk, ParseServerStatus(json, status, kStatusVersion | kStatusPlayerCounts | kStatusPlayerSample |
                                                           kStatusModList, nullptr));
    EXPECT_TRUE(status.description == L"stale");  // not asked for
    EXPECT_TRUE(status.versionName == L"1.12.2");
    EXPECT_EQ(20u, status.playersMax);
    EXPECT_EQ(3u, status.playersOnline);
    ASSERT_EQ(2u, status.sample.size());
    EXPECT_TRUE(status.sample[0].id == L"069a79f4-44e9-4726-a5be-fca90e38aaf5");
    EXPECT_TRUE(status.sample[1].name == L"小明");
    EXPECT_TRUE(status.sample[1].id == L"");  // a number, not a text
    ASSERT_EQ(1u, status.mods.size());
    EXPECT_TRUE(status.mods[0].modid == L"forge");
    EXPECT_TRUE(status.mods[0].version == L"14.23.5");
    ASSERT_EQ(kPingOk, ParseServerStatus(json, status, kStatusDescription, nullptr));
    EXPECT_TRUE(status.description == L"欢迎来到方块世界");
}

TEST_F(ServerPing, AbortFromAnotherThread) {
    // The resolver cannot see the flag: the query leaves a slow lookup behind.
    testing_support::SlowResolver slow;
    for (const WString& address : {Address("stall"), Address("never_accepts"), WString(L"slow.example:25565")}) {
        SCOPED_TRACE(testing_support::Narrow(address.GetString()));
        volatile uint32_t abort = 0;
        std::atomic<ULONGLONG> aborted{0};
        std::thread aborter([&abort, &aborted] {
            Sleep(300);
            aborted = GetTickCount64();
            abort = 1;
        });
        WString json;
        int latency = -1;
        EXPECT_EQ(kPingAborted, QueryServerStatus(address, json, latency, &abort));
        // Seen within a poll step of the flag; one that ran to the step
        // limit (or the 20 s lookup) would end later.
        EXPECT_LT(GetTickCount64() - aborted.load(), 3000u);
        aborter.join();
        EXPECT_EQ(kPingAborted, QueryServerStatus(Address("normal"), json, latency, &abort));
    }
}

TEST(ServerAddress, PortsAndLookups) {
    in_addr addr{};
    uint16_t port = 0;
    ASSERT_TRUE(ParseServerAddress(L"localhost", addr, port));
    EXPECT_EQ(htons(25565), port);
    EXPECT_EQ(htonl(INADDR_LOOPBACK), addr.s_addr);
    port = 0;
    ASSERT_TRUE(ParseServerAddress(L"localhost:25565", addr, port));
    EXPECT_EQ(htons(25565), port);
    ASSERT_TRUE(ParseServerAddress(L"10.1.2.3:1234", addr, port));
    EXPECT_EQ(htons(1234), port);
    EXPECT_EQ(htonl(0x0A010203), addr.s_addr);
    for (const wchar_t* bad : {L"localhost:70000", L"localhost:99999999999", L"localhost:", L"localhost:12a",
                               L"no-such-host.invalid"}) {
        EXPECT_FALSE(ParseServerAddress(bad, addr, port)) << testing_support::Narrow(bad);
    }
    const uint32_t abort = 1;
    WString json;
    int latency = 0;
    EXPECT_EQ(kPingUnresolved, QueryServerStatus(L"localhost:70000", json, latency, &abort));
    EXPECT_TRUE(std::wstring(L"无法解析主机名") == ServerStatusText(kPingUnresolved));
    EXPECT_TRUE(std::wstring(L"未知错误") == ServerStatusText(8));
}

TEST(ServerStatusJson, MembersOfTheWrongKind) {
    ServerStatus status;
    EXPECT_EQ(kPingServerStarting,
              ParseServerStatus(L"\"SERVER IS STILL STARTING! Please wait before reconnecting.\"", status, 31, nullptr));
    EXPECT_EQ(kPingBadJson, ParseServerStatus(L"[1, 2]", status, 31, nullptr));
    EXPECT_EQ(kPingBadJson, ParseServerStatus(L"{\"description\": ", status, 31, nullptr));

    Gdiplus::Bitmap* icon = reinterpret_cast<Gdiplus::Bitmap*>(1);
    ASSERT_EQ(kPingOk, ParseServerStatus(L"{\"description\": {\"text\": \"A\", \"extra\": [{\"text\": \"B\"}]},"
                                         L"\"players\": {\"max\": 1e3, \"online\": \"7\", \"sample\": 5},"
                                         L"\"favicon\": \"data:image/png;base64,AAAA\"}",
                                         status, 31, &icon));
    EXPECT_TRUE(status.description == L"A");
    EXPECT_EQ(0u, status.playersMax);
    EXPECT_EQ(0u, status.playersOnline);
    EXPECT_TRUE(status.sample.empty());
    EXPECT_EQ(nullptr, icon);  // valid Base64, but no image
    ASSERT_EQ(kPingOk, ParseServerStatus(L"{\"description\": 5}", status, kStatusDescription, nullptr));
    EXPECT_TRUE(status.description == L"");
    ASSERT_EQ(kPingOk, ParseServerStatus(L"{\"players\": {\"max\": -1, \"online\": -5}}", status, 31, nullptr));
    EXPECT_EQ(0u, status.playersMax);  // shown as a count, never as -5
    EXPECT_EQ(0u, status.playersOnline);
}

// A sample of 10,000 names froze the main window for 48 s: the lists keep
// their first rows, each text its first characters (whole characters).
TEST(ServerStatusJson, ListsAndTheirTextsAreBounded) {
    std::wstring name(kMaxRowTextLength - 1, L'n');
    name += L"\U0001F600";  // a pair that the limit would split
    std::wstring json = L"{\"players\": {\"sample\": [";
    for (int i = 0; i < 150; ++i) json += L"{\"name\": \"" + name + L"\", \"id\": \"" + std::to_wstring(i) + L"\"},";
    json.back() = L']';
    json += L"}, \"modinfo\": {\"modList\": [";
    for (int i = 0; i < 1200; ++i) json += L"{\"modid\": \"m\", \"version\": \"" + std::wstring(100, L'v') + L"\"},";
    json.back() = L']';
    json += L"}}";
    ServerStatus status;
    ASSERT_EQ(kPingOk, ParseServerStatus(json.c_str(), status, 31, nullptr));
    ASSERT_EQ(kMaxSampleRows, status.sample.size());
    EXPECT_TRUE(status.sample[0].name == std::wstring(kMaxRowTextLength - 1, L'n').c_str());
    EXPECT_TRUE(status.sample[99].id == L"99");
    ASSERT_EQ(kMaxModRows, status.mods.size());
    EXPECT_EQ(kMaxRowTextLength, status.mods[0].version.GetLength());
}

// The server scripts cover the reads of a well-formed exchange; these are
// the writes of large values and the reads that must refuse.
TEST(McNetworkPacket, LargeVarIntsAndShortReads) {
    mc_network_packet packet;
    packet.WriteVarInt(0xFFFFFFFF);
    packet.WriteString("ab", 2);
    EXPECT_EQ(5u + 1 + 2, packet.GetSize());
    packet.SetPosition(0);
    EXPECT_EQ(0xFFFFFFFFu, packet.ReadVarInt());
    const uint8_t* data = nullptr;
    EXPECT_EQ(2u, packet.ReadBytes(data));
    EXPECT_THROW(packet.ReadInt64BE(), std::overflow_error);

    for (const char* bytes : {"\x80\x80\x80\x80\x80\x01", "\x00", "\x03" "ab"}) {
        packet.Resize(0);
        packet.Write(bytes, static_cast<uint32_t>(std::strlen(bytes) + (bytes[0] == 0)));
        packet.SetPosition(0);
        EXPECT_THROW(packet.ReadBytes(data), std::overflow_error);
    }
}

}  // namespace
