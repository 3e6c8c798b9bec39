#include "tests/services/StatusServer.h"

#include <winsock2.h>
#include <windows.h>

#include <rapidjson/document.h>

#include <cstdlib>

#include "services/ServerPing.h"
#include "tests/support/TestPaths.h"

namespace testing_support {

namespace {

const ULONGLONG kStartLimitMs = 30000;

// A host path: the host's Python reads it.
std::wstring ScriptPath() {
    const char* source = std::getenv("QUORVEL_SOURCE_DIR");
    std::string path = source && *source ? std::string(source) + "/tests/services/" : std::string(__FILE__);
    if (!(source && *source)) path.erase(path.find_last_of("/\\") + 1);
    return Widen(path + "status_server.py");
}

HANDLE g_resolverRelease = NULL;

bool SlowLookup(const wchar_t*, in_addr* addr) {
    WaitForSingleObject(g_resolverRelease, 20000);
    addr->s_addr = htonl(INADDR_LOOPBACK);
    return true;
}

}  // namespace

SlowResolver::SlowResolver() {
    if (!g_resolverRelease) g_resolverRelease = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(g_resolverRelease);
    mcmotd::SetHostLookup(&SlowLookup);
}

SlowResolver::~SlowResolver() {
    mcmotd::SetHostLookup(nullptr);
    SetEvent(g_resolverRelease);
}

TestStatusServer::TestStatusServer() : m_lifeline(INVALID_SOCKET) {}

TestStatusServer::~TestStatusServer() {
    if (m_lifeline != INVALID_SOCKET) closesocket(static_cast<SOCKET>(m_lifeline));
    if (!m_dir) return;
    // The server removes its port file as its last act.
    const std::wstring portFile = *m_dir / L"ports.json";
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (GetFileAttributesW(portFile.c_str()) != INVALID_FILE_ATTRIBUTES && GetTickCount64() < deadline) Sleep(20);
}

bool TestStatusServer::Start() {
    m_dir.reset(new TempDir());
    const std::string hostDir = WindowsToHostPath(m_dir->Path());
    if (hostDir.empty()) {
        m_error = "no host path for the temporary folder (not running under Wine?)";
        return false;
    }
    // Wine runs a host program named by its Z: path but hands out no
    // process handle for it, so the server watches the lifeline instead.
    const char* chosen = std::getenv("QUORVEL_PYTHON");
    const std::wstring python = HostToWindowsPath(chosen && *chosen ? chosen : "/usr/bin/python3");
    std::wstring command = L"\"" + python + L"\" \"" + ScriptPath() + L"\" --port-file \"" +
                           Widen(hostDir) + L"/ports.json\" --log \"" + Widen(hostDir) + L"/server.log\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(python.c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        m_dir->Path().c_str(), &startup, &process)) {
        m_error = "cannot start " + Narrow(python);
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    rapidjson::Document ports;
    const ULONGLONG deadline = GetTickCount64() + kStartLimitMs;
    while (GetTickCount64() < deadline) {
        ports.Parse(ReadBytes(*m_dir / L"ports.json").c_str());
        if (!ports.HasParseError() && ports.IsObject()) break;
        Sleep(20);
    }
    if (ports.HasParseError() || !ports.IsObject()) {
        m_error = "the status server did not start; its log:\n" + ReadBytes(*m_dir / L"server.log");
        return false;
    }
    for (const auto& script : ports["scripts"].GetObject()) m_ports[script.name.GetString()] = script.value.GetInt();

    static const bool winsockReady = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    const SOCKET lifeline = winsockReady ? socket(AF_INET, SOCK_STREAM, IPPROTO_TCP) : INVALID_SOCKET;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(ports["control"].GetInt()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (lifeline == INVALID_SOCKET || connect(lifeline, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (lifeline != INVALID_SOCKET) closesocket(lifeline);
        m_error = "cannot reach the status server's control port";
        return false;
    }
    // Children the tests start must not keep the server alive.
    SetHandleInformation(reinterpret_cast<HANDLE>(lifeline), HANDLE_FLAG_INHERIT, 0);
    m_lifeline = lifeline;
    return true;
}

bool TestStatusServer::LogHolds(const std::string& text) const {
    return ReadBytes(*m_dir / L"server.log").find(text) != std::string::npos;
}

int TestStatusServer::Port(const std::string& script) const {
    const auto found = m_ports.find(script);
    return found == m_ports.end() ? 0 : found->second;
}

}  // namespace testing_support
