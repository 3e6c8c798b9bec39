// The scripted game-server status endpoint (status_server.py beside this
// file), run by the host's Python on 127.0.0.1: one port per script.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace testing_support {

class TempDir;

class TestStatusServer {
public:
    TestStatusServer();
    ~TestStatusServer();  // stops the server
    TestStatusServer(const TestStatusServer&) = delete;
    TestStatusServer& operator=(const TestStatusServer&) = delete;

    // Starts the server and waits (bounded) until it listens; on failure
    // LastError() says why.
    bool Start();
    const std::string& LastError() const { return m_error; }
    // The port that plays the script; 0 for an unknown name.
    int Port(const std::string& script) const;
    // Whether the server's log holds text by now.
    bool LogHolds(const std::string& text) const;

private:
    std::unique_ptr<TempDir> m_dir;
    std::map<std::string, int> m_ports;
    std::string m_error;
    uintptr_t m_lifeline;
};

// Puts a resolver that answers (127.0.0.1) only once released, or after
// 20 s, in the place of the real one while it lives: a slow name lookup.
class SlowResolver {
public:
    SlowResolver();
    ~SlowResolver();  // the real resolver again; every lookup still waiting ends
    SlowResolver(const SlowResolver&) = delete;
    SlowResolver& operator=(const SlowResolver&) = delete;
};

}  // namespace testing_support
