// A scripted HTTP(S) server on 127.0.0.1 for tests running under Wine: the
// host's Python runs tests/support/http_server.py, and the test steers it
// through that server's control port (route format: README.md beside it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

class TempDir;

struct RecordedRequest {
    std::string method;
    std::string target;  // path and query, as sent
    std::string path;    // without the query
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    std::string Header(const std::string& name) const;  // any case; empty when absent
};

class TestHttpServer {
public:
    enum class Scheme { Http, Https };

    TestHttpServer();
    ~TestHttpServer();  // Stop()
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    // Starts the server and waits (bounded) until it listens; on failure
    // LastError() says why, with the server's own log when there is one.
    bool Start(Scheme scheme = Scheme::Http);
    // Asks the server to quit and waits (bounded) until it has.
    void Stop();
    const std::string& LastError() const { return m_error; }

    std::string BaseUrl() const;  // "http://127.0.0.1:PORT", no slash at the end
    // With HTTPS: the PEM file of the CA that signed the server's
    // certificate, and of another CA that did not.
    std::wstring CaFile() const;
    std::wstring OtherCaFile() const;
    std::string Url(const std::string& path) const { return BaseUrl() + path; }
    int Port() const { return m_port; }

    // Adds or replaces routes: a JSON object {path: route}.
    bool SetRoutes(const std::string& json);
    // Requests seen for `path` (query left out); -1 when the server cannot say.
    int Hits(const std::string& path);
    std::vector<RecordedRequest> Requests();
    int Connections();  // accepted on the route port; -1 on failure
    // Forgets routes, hits and recorded requests.
    bool Reset();

private:
    bool Control(const char* method, const std::string& path, const std::string& body, std::string& reply);
    bool LaunchPython(Scheme scheme);
    bool WaitForPorts();
    bool OpenLifeline();
    std::string ServerLog() const;

    std::unique_ptr<TempDir> m_dir;
    std::string m_hostDir;
    std::string m_error;
    bool m_https = false;
    int m_port = 0;
    int m_controlPort = 0;
    uintptr_t m_lifeline = ~uintptr_t(0);
};

// The bytes a "generate" body holds from `offset` on: byte i is i % 251.
std::string GeneratedBytes(size_t offset, size_t count);
// `text` as a JSON string literal, quotes included.
std::string JsonQuote(const std::string& text);

}  // namespace testing_support
