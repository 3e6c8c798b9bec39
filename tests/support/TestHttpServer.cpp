#include "tests/support/TestHttpServer.h"

#include <winsock2.h>
#include <windows.h>

#include <curl/curl.h>
#include <rapidjson/document.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "tests/support/TestPaths.h"

namespace testing_support {

namespace {

// Python, openssl and a first start of the interpreter under load.
const DWORD kStartLimitMs = 30000;
const DWORD kStopLimitMs = 10000;

std::string HostPythonPath() {
    const char* chosen = std::getenv("QUORVEL_PYTHON");
    return chosen && *chosen ? chosen : "/usr/bin/python3";
}

std::string ServerScriptPath() {
    const char* source = std::getenv("QUORVEL_SOURCE_DIR");
    if (source && *source) return std::string(source) + "/tests/support/http_server.py";
    // Started by hand, outside ctest: this file sits beside the script.
    std::string here = __FILE__;
    return here.substr(0, here.find_last_of("/\\") + 1) + "http_server.py";
}

std::wstring QuoteArgument(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

size_t AppendToString(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

std::string DecodeBase64(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    for (char c : text) {
        const size_t value = alphabet.find(c);
        if (value == std::string::npos) continue;  // padding
        buffer = (buffer << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

}  // namespace

std::string RecordedRequest::Header(const std::string& name) const {
    for (const auto& header : headers) {
        if (EqualsIgnoringCase(header.first, name)) return header.second;
    }
    return std::string();
}

TestHttpServer::TestHttpServer() = default;

TestHttpServer::~TestHttpServer() { Stop(); }

bool TestHttpServer::Start(Scheme scheme) {
    if (m_dir) {
        m_error = "the server is already started";
        return false;
    }
    InitCurlOnce();
    m_https = scheme == Scheme::Https;
    m_dir.reset(new TempDir());
    m_hostDir = WindowsToHostPath(m_dir->Path());
    if (m_hostDir.empty()) {
        m_error = "no host path for " + Narrow(m_dir->Path()) + " (not running under Wine?)";
        return false;
    }
    if (!m_hostDir.empty() && m_hostDir.back() != '/') m_hostDir += '/';
    return LaunchPython(scheme) && WaitForPorts() && OpenLifeline();
}

bool TestHttpServer::LaunchPython(Scheme scheme) {
    // Wine starts a host program given by its Z: path: arguments, folder and
    // environment pass, but there is no process handle to wait on or kill.
    // The server therefore ends itself when the lifeline socket closes.
    const std::wstring python = HostToWindowsPath(HostPythonPath());
    std::wstring command = QuoteArgument(python) + L" " + QuoteArgument(Widen(ServerScriptPath())) +
                           L" --port-file " + QuoteArgument(Widen(m_hostDir + "ports.json")) + L" --log " +
                           QuoteArgument(Widen(m_hostDir + "server.log")) + L" --work-dir " +
                           QuoteArgument(Widen(m_hostDir + "tls"));
    if (scheme == Scheme::Https) command += L" --https";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(python.c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        m_dir->Path().c_str(), &startup, &process)) {
        m_error = "cannot start " + Narrow(python) + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
    return true;
}

bool TestHttpServer::WaitForPorts() {
    const std::wstring portFile = m_dir->Path() + L"ports.json";
    const ULONGLONG deadline = GetTickCount64() + kStartLimitMs;
    while (GetTickCount64() < deadline) {
        // The server renames the file into place, so it is whole once seen.
        if (GetFileAttributesW(portFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
            rapidjson::Document ports;
            ports.Parse(ReadBytes(portFile).c_str());
            if (!ports.HasParseError() && ports.IsObject() && ports.HasMember("port") && ports.HasMember("control")) {
                m_port = ports["port"].GetInt();
                m_controlPort = ports["control"].GetInt();
                return true;
            }
        }
        if (ServerLog().find("Traceback") != std::string::npos) break;
        Sleep(20);
    }
    m_error = "the HTTP server did not start; its log:\n" + ServerLog();
    return false;
}

bool TestHttpServer::OpenLifeline() {
    static const bool winsockReady = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)winsockReady;
    SOCKET lifeline = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (lifeline == INVALID_SOCKET) {
        m_error = "cannot make a socket";
        return false;
    }
    // Children the test starts must not keep the server alive.
    SetHandleInformation(reinterpret_cast<HANDLE>(lifeline), HANDLE_FLAG_INHERIT, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(m_controlPort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const char request[] = "GET /__lifeline HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    if (connect(lifeline, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        send(lifeline, request, sizeof request - 1, 0) != static_cast<int>(sizeof request - 1)) {
        closesocket(lifeline);
        m_error = "cannot reach the control port " + std::to_string(m_controlPort);
        return false;
    }
    m_lifeline = lifeline;
    return true;
}

void TestHttpServer::Stop() {
    if (!m_dir) return;
    if (m_controlPort != 0) {
        std::string reply;
        Control("POST", "/__quit", std::string(), reply);
    }
    if (m_lifeline != ~uintptr_t(0)) {
        closesocket(static_cast<SOCKET>(m_lifeline));
        m_lifeline = ~uintptr_t(0);
    }
    // The server removes its port file as its last act.
    const std::wstring portFile = m_dir->Path() + L"ports.json";
    const ULONGLONG deadline = GetTickCount64() + kStopLimitMs;
    while (GetFileAttributesW(portFile.c_str()) != INVALID_FILE_ATTRIBUTES && GetTickCount64() < deadline) Sleep(20);
    m_dir.reset();
    m_port = m_controlPort = 0;
}

std::string TestHttpServer::BaseUrl() const {
    return std::string(m_https ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_port);
}

// The server makes its certificates in the "tls" folder it is given.
std::wstring TestHttpServer::CaFile() const { return m_dir->Path() + L"tls\\ca.pem"; }

std::wstring TestHttpServer::OtherCaFile() const { return m_dir->Path() + L"tls\\other-ca.pem"; }

bool TestHttpServer::SetRoutes(const std::string& json) {
    std::string reply;
    return Control("POST", "/__routes", json, reply);
}

int TestHttpServer::Hits(const std::string& path) {
    std::string reply;
    if (!Control("GET", "/__hits", std::string(), reply)) return -1;
    rapidjson::Document hits;
    hits.Parse(reply.c_str());
    if (hits.HasParseError() || !hits.IsObject()) return -1;
    const auto found = hits.FindMember(path.c_str());
    return found == hits.MemberEnd() ? 0 : found->value.GetInt();
}

std::vector<RecordedRequest> TestHttpServer::Requests() {
    std::vector<RecordedRequest> requests;
    std::string reply;
    if (!Control("GET", "/__requests", std::string(), reply)) return requests;
    rapidjson::Document list;
    list.Parse(reply.c_str());
    if (list.HasParseError() || !list.IsArray()) return requests;
    for (const auto& item : list.GetArray()) {
        RecordedRequest request;
        request.method = item["method"].GetString();
        request.target = item["target"].GetString();
        request.path = item["path"].GetString();
        for (const auto& header : item["headers"].GetArray()) {
            request.headers.emplace_back(header[0].GetString(), header[1].GetString());
        }
        request.body = DecodeBase64(item["body_base64"].GetString());
        requests.push_back(request);
    }
    return requests;
}

int TestHttpServer::Connections() {
    std::string reply;
    if (!Control("GET", "/__stats", std::string(), reply)) return -1;
    rapidjson::Document stats;
    stats.Parse(reply.c_str());
    if (stats.HasParseError() || !stats.IsObject() || !stats.HasMember("connections")) return -1;
    return stats["connections"].GetInt();
}

bool TestHttpServer::Reset() {
    std::string reply;
    return Control("POST", "/__reset", std::string(), reply);
}

bool TestHttpServer::Control(const char* method, const std::string& path, const std::string& body,
                             std::string& reply) {
    if (m_controlPort == 0) {
        m_error = "the server is not running";
        return false;
    }
    CURL* curl = curl_easy_init();
    const std::string url = "http://127.0.0.1:" + std::to_string(m_controlPort) + path;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXY, "");  // a proxy from the environment must not see test traffic
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, 5000L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 15000L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendToString);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
    if (std::string(method) == "POST") {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    }
    const CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK || status != 200) {
        m_error = std::string(method) + " " + path + ": " +
                  (result != CURLE_OK ? curl_easy_strerror(result) : "HTTP " + std::to_string(status) + " " + reply);
        return false;
    }
    return true;
}

std::string TestHttpServer::ServerLog() const {
    return m_dir ? ReadBytes(m_dir->Path() + L"server.log") : std::string();
}

std::string GeneratedBytes(size_t offset, size_t count) {
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((offset + i) % 251);
    return bytes;
}

std::string JsonQuote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace testing_support
