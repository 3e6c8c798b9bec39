// The harness the other test binaries stand on: the scripted HTTP server as
// libcurl sees it, and the fake Java and unpack200 as CreateProcessW sees them.
#include <winsock2.h>
#include <windows.h>

#include <gdiplus.h>

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/support/FakeJava.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestPaths.h"

using testing_support::FakeJavaHome;
using testing_support::FakeUnpacker;
using testing_support::GeneratedBytes;
using testing_support::TempDir;
using testing_support::TestHttpServer;

namespace {

struct Fetched {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string body;
};

size_t Collect(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

Fetched Fetch(const std::string& url, const std::string* postBody = nullptr) {
    Fetched fetched;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 60000L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &fetched.body);
    if (postBody) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, postBody->c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(postBody->size()));
    }
    fetched.code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &fetched.status);
    curl_easy_cleanup(curl);
    return fetched;
}

// A child with both output streams captured through pipes, each drained by
// its own thread so a full pipe can never stall the child.
class CapturedProcess {
public:
    CapturedProcess(const std::wstring& exe, std::wstring commandLine, const std::wstring& folder,
                    const std::wstring& extraVariable = std::wstring()) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE outWrite = nullptr, errWrite = nullptr;
        CreatePipe(&m_out.pipe, &outWrite, &inherit, 0);
        CreatePipe(&m_err.pipe, &errWrite, &inherit, 0);
        SetHandleInformation(m_out.pipe, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(m_err.pipe, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = outWrite;
        startup.hStdError = errWrite;
        const std::wstring environment = EnvironmentWith(extraVariable);
        m_started = CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                   const_cast<wchar_t*>(environment.c_str()), folder.c_str(), &startup, &m_info);
        CloseHandle(outWrite);
        CloseHandle(errWrite);
        for (Stream* stream : {&m_out, &m_err}) stream->reader = CreateThread(nullptr, 0, Drain, stream, 0, nullptr);
    }

    ~CapturedProcess() {
        if (m_started && WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(m_info.hProcess, 1);
        Finish();
        for (Stream* stream : {&m_out, &m_err}) {
            CloseHandle(stream->reader);
            CloseHandle(stream->pipe);
        }
        if (m_started) {
            CloseHandle(m_info.hProcess);
            CloseHandle(m_info.hThread);
        }
    }

    bool Started() const { return m_started; }
    HANDLE Process() const { return m_info.hProcess; }

    // Waits (bounded) for the exit and then for both streams to end; a
    // stream some other process still holds open is cut and reported.
    DWORD Finish() {
        DWORD code = STILL_ACTIVE;
        if (m_started && WaitForSingleObject(m_info.hProcess, 60000) == WAIT_OBJECT_0) {
            GetExitCodeProcess(m_info.hProcess, &code);
        }
        for (Stream* stream : {&m_out, &m_err}) {
            if (WaitForSingleObject(stream->reader, 10000) == WAIT_TIMEOUT) {
                m_streamsEnded = false;
                CancelSynchronousIo(stream->reader);
                WaitForSingleObject(stream->reader, INFINITE);
            }
        }
        return code;
    }
    const std::string& Out() const { return m_out.text; }
    const std::string& Err() const { return m_err.text; }
    bool StreamsEnded() const { return m_streamsEnded; }

private:
    struct Stream {
        HANDLE pipe = nullptr;
        HANDLE reader = nullptr;
        std::string text;
    };

    static DWORD WINAPI Drain(void* context) {
        Stream* stream = static_cast<Stream*>(context);
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(stream->pipe, buffer, sizeof buffer, &read, nullptr) && read > 0) stream->text.append(buffer, read);
        return 0;
    }

    static std::wstring EnvironmentWith(const std::wstring& variable) {
        std::wstring block;
        wchar_t* current = GetEnvironmentStringsW();
        for (const wchar_t* entry = current; *entry; entry += wcslen(entry) + 1) block.append(entry).push_back(L'\0');
        FreeEnvironmentStringsW(current);
        if (!variable.empty()) block.append(variable).push_back(L'\0');
        block.push_back(L'\0');
        return block;
    }

    BOOL m_started = FALSE;
    PROCESS_INFORMATION m_info{};
    Stream m_out, m_err;
    bool m_streamsEnded = true;
};

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

}  // namespace

// ---------------------------------------------------------------- HTTP server

TEST(HttpServerTest, ServesASequenceOneResponsePerHitAndRepeatsTheLast) {
    TestHttpServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    ASSERT_TRUE(server.SetRoutes(R"({"/v/file.bin": {"responses": [
        {"status": 404}, {"status": 404}, {"status": 200, "body": "payload"}]}})"))
        << server.LastError();

    const long expected[] = {404, 404, 200, 200};
    for (long status : expected) {
        const Fetched fetched = Fetch(server.Url("/v/file.bin?attempt"));
        ASSERT_EQ(CURLE_OK, fetched.code) << curl_easy_strerror(fetched.code);
        EXPECT_EQ(status, fetched.status);
        if (status == 200) {
            EXPECT_EQ("payload", fetched.body);
        }
    }
    EXPECT_EQ(4, server.Hits("/v/file.bin"));  // the query is not part of the key
    EXPECT_EQ(0, server.Hits("/v/other.bin"));
}

TEST(HttpServerTest, RedirectIsFollowedToItsTarget) {
    TestHttpServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    ASSERT_TRUE(server.SetRoutes(R"({"/old": {"redirect": "/new"}, "/new": {"generate": 1000}})"))
        << server.LastError();

    const Fetched fetched = Fetch(server.Url("/old"));

    ASSERT_EQ(CURLE_OK, fetched.code) << curl_easy_strerror(fetched.code);
    EXPECT_EQ(200, fetched.status);
    EXPECT_EQ(GeneratedBytes(0, 1000), fetched.body);
    EXPECT_EQ(1, server.Hits("/old"));
    EXPECT_EQ(1, server.Hits("/new"));
}

TEST(HttpServerTest, TruncatedBodyIsReportedByCurlAsPartial) {
    TestHttpServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    ASSERT_TRUE(server.SetRoutes(R"({"/cut": {"generate": 1000, "truncate_at": 100}})")) << server.LastError();

    const Fetched fetched = Fetch(server.Url("/cut"));

    EXPECT_EQ(CURLE_PARTIAL_FILE, fetched.code) << curl_easy_strerror(fetched.code);
    EXPECT_EQ(GeneratedBytes(0, 100), fetched.body);
}

TEST(HttpServerTest, PostBodyAndHeadersAreRecordedForLaterChecks) {
    TestHttpServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    ASSERT_TRUE(server.SetRoutes(R"({"/authenticate": {"body": "{\"accessToken\": \"t\"}",
        "headers": {"Content-Type": "application/json"}}})"))
        << server.LastError();
    const std::string sent = "{\"username\": \"玩家\", \"password\": \"p w\"}";

    const Fetched fetched = Fetch(server.Url("/authenticate"), &sent);

    ASSERT_EQ(CURLE_OK, fetched.code) << curl_easy_strerror(fetched.code);
    EXPECT_EQ("{\"accessToken\": \"t\"}", fetched.body);
    const auto requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("POST", requests[0].method);
    EXPECT_EQ(sent, requests[0].body);
    EXPECT_EQ(std::to_string(sent.size()), requests[0].Header("content-length"));
}

TEST(HttpServerTest, MistypedRouteIsRefusedRatherThanIgnored) {
    TestHttpServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();

    EXPECT_FALSE(server.SetRoutes(R"({"/x": {"status": 200, "trunacte_at": 5}})"));
    EXPECT_NE(std::string::npos, server.LastError().find("trunacte_at")) << server.LastError();
}

TEST(HttpServerTest, NothingListensOnceTheServerIsGone) {
    std::string url;
    {
        TestHttpServer server;
        ASSERT_TRUE(server.Start()) << server.LastError();
        url = server.Url("/");
        ASSERT_EQ(CURLE_OK, Fetch(url).code);
    }
    EXPECT_EQ(CURLE_COULDNT_CONNECT, Fetch(url).code);
}

// The unchecked fetch game files use; the checked one is proven with a CA
// file of the test's own where the launcher makes it (VerifiedTlsRoots.h).
TEST(HttpServerTest, HttpsServesWithCertificateChecksOff) {
    TestHttpServer server;
    ASSERT_TRUE(server.Start(TestHttpServer::Scheme::Https)) << server.LastError();
    ASSERT_TRUE(server.SetRoutes(R"({"/secure": {"body": "over tls"}})")) << server.LastError();
    ASSERT_EQ(0u, server.BaseUrl().find("https://"));

    const Fetched fetched = Fetch(server.Url("/secure"));

    ASSERT_EQ(CURLE_OK, fetched.code) << curl_easy_strerror(fetched.code);
    EXPECT_EQ("over tls", fetched.body);
    EXPECT_EQ(1, server.Hits("/secure"));
}

// ---------------------------------------------------------------- fake Java

TEST(FakeJavaTest, RecordsItsExactStartAndWritesTheScriptedStreams) {
    FakeJavaHome java;
    java.SetScript("stdout=[main/INFO]: Setting user: 玩家\n"
                   "stderr.raw=half a \n"
                   "stdout=second\n"
                   "stderr=line\n"
                   "exit=3\n");
    TempDir work;
    const std::wstring folder = work / L"游戏 dir";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring commandLine =
        Quoted(java.JavaExe()) + L" -Xmx1G \"-Dtitle=a \\\"quoted\\\" value\" 中文 C:\\tail\\ \"end\\\\\"";

    CapturedProcess child(java.JavaExe(), commandLine, folder, L"QUORVEL_FAKE_CHECK=值=1");
    ASSERT_TRUE(child.Started()) << GetLastError();
    EXPECT_EQ(3u, child.Finish());
    EXPECT_TRUE(child.StreamsEnded());

    EXPECT_EQ("[main/INFO]: Setting user: 玩家\r\nsecond\r\n", child.Out());
    EXPECT_EQ("half a line\r\n", child.Err());
    const auto runs = java.Runs();
    ASSERT_EQ(1u, runs.size());
    EXPECT_EQ(commandLine, runs[0].commandLine);
    EXPECT_EQ(folder, runs[0].workingDir);
    EXPECT_EQ(java.JavaExe(), runs[0].module);
    EXPECT_EQ("pipe", runs[0].stdoutKind);
    std::wstring value;
    ASSERT_TRUE(runs[0].Env(L"quorvel_fake_check", &value));
    EXPECT_EQ(L"值=1", value);
}

TEST(FakeJavaTest, GuiBuildAnswersWaitForInputIdleAndWritesToInheritedHandles) {
    FakeJavaHome java;
    TempDir work;
    const std::wstring go = work / L"go";
    java.SetScript("window=1\nstdout=ready\nwaitfile=" + testing_support::Narrow(go) + "\nexit=-1\n");

    CapturedProcess child(java.JavawExe(), Quoted(java.JavawExe()) + L" -cp x", work.Path());
    ASSERT_TRUE(child.Started()) << GetLastError();

    EXPECT_EQ(0u, WaitForInputIdle(child.Process(), 30000));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(child.Process(), 0)) << "it waits for the file";
    testing_support::WriteBytes(go, "");
    EXPECT_EQ(0xFFFFFFFFu, child.Finish());
    EXPECT_TRUE(child.StreamsEnded()) << "a process outlived the fake with its output pipe";
    EXPECT_EQ("ready\r\n", child.Out());
}

// ---------------------------------------------------------------- fake unpack200

TEST(FakeUnpackerTest, CopiesThePackToTheJarAndExitsAsScripted) {
    FakeUnpacker unpacker;
    unpacker.SetScript("copy\nexit=5\n");
    TempDir work;
    testing_support::WriteBytes(work / L"lib.jar.pack", std::string("pack\0bytes", 10));
    const std::wstring commandLine = Quoted(unpacker.Exe()) + L" \"lib.jar.pack\" \"lib.jar\"";

    CapturedProcess child(unpacker.Exe(), commandLine, work.Path());
    ASSERT_TRUE(child.Started()) << GetLastError();
    EXPECT_EQ(5u, child.Finish());

    EXPECT_EQ(std::string("pack\0bytes", 10), testing_support::ReadBytes(work / L"lib.jar"));
    const auto runs = unpacker.Runs();
    ASSERT_EQ(1u, runs.size());
    EXPECT_EQ(commandLine, runs[0].commandLine);
    EXPECT_EQ(work.Path().substr(0, work.Path().size() - 1), runs[0].workingDir);
}

TEST(FakeUnpackerTest, MissingPackFailsWithExitCodeTwoAndAMessage) {
    FakeUnpacker unpacker;
    unpacker.SetScript("copy\n");
    TempDir work;

    CapturedProcess child(unpacker.Exe(), Quoted(unpacker.Exe()) + L" \"absent.pack\" \"out.jar\"", work.Path());
    ASSERT_TRUE(child.Started()) << GetLastError();

    EXPECT_EQ(2u, child.Finish());
    EXPECT_NE(std::string::npos, child.Err().find("absent.pack")) << child.Err();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((work / L"out.jar").c_str()));
}

namespace {

// The test prefix must map the UI's fonts to installed ones: without the
// replacements GDI+ finds neither family and silently draws no text at all.
TEST(WinePrefix, UiFontFamiliesResolve) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    ASSERT_EQ(Gdiplus::Ok, Gdiplus::GdiplusStartup(&token, &input, nullptr));
    for (const wchar_t* name : {L"微软雅黑", L"Consolas"}) {
        Gdiplus::GpFontFamily* family = nullptr;
        EXPECT_EQ(Gdiplus::Ok, Gdiplus::DllExports::GdipCreateFontFamilyFromName(name, nullptr, &family))
            << testing_support::Narrow(name);
        if (family) Gdiplus::DllExports::GdipDeleteFontFamily(family);
    }
    Gdiplus::GdiplusShutdown(token);
}

}  // namespace
