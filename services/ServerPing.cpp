#include "services/ServerPing.h"

#include <ws2tcpip.h>

#include <process.h>

#include <stdexcept>

namespace mcmotd {

namespace {

const uint32_t kPollStepMs = 100;
const int kProtocolVersion = 47;
const uint32_t kDefaultPort = 25565;

bool Aborted(AbortFlag abort) { return abort != nullptr && *abort != 0; }

// Milliseconds left before deadline, 0 when it has passed.
uint32_t TimeLeft(ULONGLONG deadline) {
    const ULONGLONG now = GetTickCount64();
    return now < deadline ? static_cast<uint32_t>(deadline - now) : 0;
}

// 1 when the socket is ready for the direction asked, 0 after waiting
// at most stepMs, -1 when select fails.
int WaitReady(SOCKET socket, bool forWrite, uint32_t stepMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval wait;
    wait.tv_sec = 0;
    wait.tv_usec = static_cast<long>((stepMs < kPollStepMs ? stepMs : kPollStepMs) * 1000);
    const int ready = select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, nullptr, &wait);
    if (ready == SOCKET_ERROR) return -1;
    return ready > 0 ? 1 : 0;
}

class SocketCloser {
public:
    explicit SocketCloser(SOCKET socket) : m_socket(socket) {}
    ~SocketCloser() { closesocket(m_socket); }
    SocketCloser(const SocketCloser&) = delete;
    SocketCloser& operator=(const SocketCloser&) = delete;

private:
    SOCKET m_socket;
};

void BuildHandshake(mc_network_packet& packet) {
    // The server ignores where the client thinks it connected to; the game
    // itself sends these fixed values too.
    static const char kHost[] = "localhost";
    packet.Resize(0);
    packet.WriteVarInt(0);
    packet.WriteVarInt(kProtocolVersion);
    packet.WriteString(kHost, sizeof kHost - 1);
    packet.WriteUInt16BE(static_cast<uint16_t>(kDefaultPort));
    packet.WriteVarInt(1);
}

// The status text of a received response packet; false when it is malformed.
bool ReadStatusResponse(mc_network_packet& packet, WString& json) {
    try {
        if (packet.ReadVarInt() != 0) return false;
        const uint8_t* text = nullptr;
        const uint32_t length = packet.ReadBytes(text);
        // The game's own client reads no longer status text either; none of
        // it is kept.
        if (length > kMaxStatusTextLength * 4) return false;
        WString decoded;
        decoded.AssignMultiByte(CP_UTF8, reinterpret_cast<const char*>(text), static_cast<int>(length));
        if (decoded.GetLength() > static_cast<int>(kMaxStatusTextLength)) return false;
        json = static_cast<WString&&>(decoded);
        return true;
    } catch (const std::overflow_error&) {
        return false;
    }
}

// Replaces latencyMs with the round trip of a ping; any failure keeps it.
void MeasurePing(SOCKET socket, mc_network_packet& packet, int& latencyMs, AbortFlag abort) {
    packet.Resize(0);
    packet.WriteVarInt(1);
    packet.WriteInt64BE(static_cast<int64_t>(GetTickCount64()));
    if (!SendPacket(socket, packet, abort) || !RecvPacket(socket, packet, abort)) return;
    try {
        if (packet.ReadVarInt() != 1) return;
        const uint32_t sent = static_cast<uint32_t>(packet.ReadInt64BE());
        latencyMs = static_cast<int>(static_cast<uint32_t>(GetTickCount64()) - sent);
    } catch (const std::overflow_error&) {
    }
}

// Moves count bytes one way within limitMs; a send() or recv() result below
// 1 (an error or a closed connection) fails.
bool TransferAll(SOCKET socket, char* bytes, uint32_t count, uint32_t limitMs, bool sending, AbortFlag abort) {
    const ULONGLONG deadline = GetTickCount64() + limitMs;
    uint32_t done = 0;
    while (done < count) {
        const uint32_t left = TimeLeft(deadline);
        if (left == 0 || Aborted(abort)) return false;
        const int ready = WaitReady(socket, sending, left);
        if (ready < 0) return false;
        if (ready == 0) continue;
        const int rest = static_cast<int>(count - done);
        const int result = sending ? send(socket, bytes + done, rest, 0) : recv(socket, bytes + done, rest, 0);
        if (result < 1) return false;
        done += static_cast<uint32_t>(result);
    }
    return true;
}

}  // namespace

bool ConnectWithTimeout(SOCKET socket, const sockaddr_in& address, AbortFlag abort) {
    u_long nonBlocking = 1;
    if (ioctlsocket(socket, FIONBIO, &nonBlocking) != 0) return false;
    if (connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return true;
    // A refused connection shows only in the except set, which is not
    // watched: it ends at the time limit like an unanswered one.
    const ULONGLONG deadline = GetTickCount64() + kStepLimitMs;
    while (const uint32_t left = TimeLeft(deadline)) {
        if (Aborted(abort)) return false;
        const int ready = WaitReady(socket, true, left);
        if (ready != 0) return ready > 0;
    }
    return false;
}

bool SendAll(SOCKET socket, const uint8_t* bytes, uint32_t count, AbortFlag abort) {
    // send() only reads the bytes.
    char* data = const_cast<char*>(reinterpret_cast<const char*>(bytes));
    return TransferAll(socket, data, count, kStepLimitMs, true, abort);
}

bool RecvExact(SOCKET socket, uint8_t* buffer, uint32_t count, uint32_t limitMs, AbortFlag abort) {
    return TransferAll(socket, reinterpret_cast<char*>(buffer), count, limitMs, false, abort);
}

bool SendPacket(SOCKET socket, const mc_network_packet& packet, AbortFlag abort) {
    // Length and body in one write: a length sent alone holds the body back
    // until the peer's delayed acknowledgement, 40 ms or more per packet.
    mc_network_packet framed;
    framed.WriteVarInt(packet.GetSize());
    if (!framed.Write(packet.GetData(), packet.GetSize())) return false;
    return SendAll(socket, framed.GetData(), framed.GetSize(), abort);
}

bool RecvPacket(SOCKET socket, mc_network_packet& packet, AbortFlag abort) {
    packet.Resize(0);
    const ULONGLONG deadline = GetTickCount64() + kStepLimitMs;
    uint32_t length = 0;
    for (int i = 0;; ++i) {
        if (i == 5) return false;  // a sixth length byte
        uint8_t byte = 0;
        const uint32_t left = TimeLeft(deadline);
        if (left == 0 || !RecvExact(socket, &byte, 1, left, abort)) return false;
        length |= static_cast<uint32_t>(byte & 0x7F) << (7 * i);
        if (!(byte & 0x80)) break;
    }
    // The length is the server's word: never allocate more than a packet
    // of the protocol can hold.
    if (length > kMaxPacketLength) return false;
    if (!packet.Resize(length)) return false;
    const uint32_t left = TimeLeft(deadline);
    return left > 0 && RecvExact(socket, packet.GetData(), length, left, abort);
}

namespace {

bool LookUpWithGetAddrInfo(const wchar_t* host, in_addr* addr) {
    ADDRINFOW hints{};
    hints.ai_flags = AI_PASSIVE;
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    ADDRINFOW* found = nullptr;
    if (GetAddrInfoW(host, nullptr, &hints, &found) != 0 || !found) return false;
    bool resolved = false;
    if (found->ai_addr && found->ai_addrlen >= sizeof(sockaddr_in)) {
        *addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
        resolved = true;
    }
    FreeAddrInfoW(found);
    return resolved;
}

volatile HostLookup g_hostLookup = &LookUpWithGetAddrInfo;

// One lookup, shared by the thread that runs it and the caller that waits;
// whichever lets go last frees it, so a caller that gave up owes it nothing.
struct LookupJob {
    volatile LONG holders = 2;
    HostLookup lookup;
    WString host;
    in_addr addr{};
    bool found = false;
    HANDLE done = NULL;

    void Release() {
        if (InterlockedDecrement(&holders) != 0) return;
        CloseHandle(done);
        delete this;
    }
};

unsigned __stdcall RunLookup(void* argument) {
    LookupJob* job = static_cast<LookupJob*>(argument);
    job->found = job->lookup(job->host.GetString(), &job->addr);
    SetEvent(job->done);
    job->Release();
    return 0;
}

// The lookup, given up within one poll step of abort being set.
bool LookUpHost(const WString& host, in_addr* addr, AbortFlag abort) {
    const HostLookup lookup = g_hostLookup;
    if (abort == nullptr) return lookup(host.GetString(), addr);
    if (Aborted(abort)) return false;
    // Off this thread, which another may wait for: the resolver cannot be
    // told to stop (GetAddrInfoExCancel is newer than Windows 7).
    LookupJob* job = new LookupJob;
    job->lookup = lookup;
    job->host = host;
    job->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = job->done ? reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &RunLookup, job, 0, nullptr))
                              : NULL;
    if (thread == NULL) {
        if (job->done) CloseHandle(job->done);
        delete job;
        return lookup(host.GetString(), addr);
    }
    CloseHandle(thread);
    while (WaitForSingleObject(job->done, kPollStepMs) == WAIT_TIMEOUT) {
        if (Aborted(abort)) {
            job->Release();
            return false;
        }
    }
    const bool found = job->found;
    if (found) *addr = job->addr;
    job->Release();
    return found;
}

// kPingOk, kPingUnresolved, or kPingAborted when the lookup was given up.
int ResolveServerAddress(const WString& address, in_addr& addr, uint16_t& portNetworkOrder, AbortFlag abort) {
    WString host = address;
    uint32_t port = kDefaultPort;
    const int colon = address.ReverseFind(L':');
    if (colon >= 0) {
        const wchar_t* digits = address.GetString() + colon + 1;
        if (*digits == L'\0') return kPingUnresolved;
        port = 0;
        for (; *digits; ++digits) {
            if (*digits < L'0' || *digits > L'9') return kPingUnresolved;
            port = port * 10 + static_cast<uint32_t>(*digits - L'0');
            if (port > 65535) return kPingUnresolved;
        }
        host = address.Left(colon);
    }
    portNetworkOrder = htons(static_cast<u_short>(port));
    if (InetPtonW(AF_INET, host.GetString(), &addr) == 1) return kPingOk;
    if (LookUpHost(host, &addr, abort)) return kPingOk;
    return Aborted(abort) ? kPingAborted : kPingUnresolved;
}

}  // namespace

void SetHostLookup(HostLookup lookup) { g_hostLookup = lookup ? lookup : &LookUpWithGetAddrInfo; }

bool ParseServerAddress(const WString& address, in_addr& addr, uint16_t& portNetworkOrder, AbortFlag abort) {
    return ResolveServerAddress(address, addr, portNetworkOrder, abort) == kPingOk;
}

int PingServer(in_addr addr, uint16_t portNetworkOrder, WString& json, int& latencyMs, AbortFlag abort) {
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) return kPingConnectFailed;
    SocketCloser closer(socket);
    // Each packet is one small write that waits for an answer: sent at once,
    // the round trip is the server's, not TCP's small-packet delay.
    const BOOL noDelay = TRUE;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr = addr;
    target.sin_port = portNetworkOrder;
    if (!ConnectWithTimeout(socket, target, abort) || Aborted(abort))
        return Aborted(abort) ? kPingAborted : kPingConnectFailed;

    mc_network_packet packet;
    BuildHandshake(packet);
    bool transferred = SendPacket(socket, packet, abort);
    const ULONGLONG requestSent = GetTickCount64();
    if (transferred) {
        packet.Resize(0);
        packet.WriteVarInt(0);
        transferred = SendPacket(socket, packet, abort) && RecvPacket(socket, packet, abort);
    }
    if (!transferred) return Aborted(abort) ? kPingAborted : kPingTransferFailed;

    const ULONGLONG answered = GetTickCount64();
    if (!ReadStatusResponse(packet, json)) return kPingMalformed;
    latencyMs = static_cast<int>(answered - requestSent);
    MeasurePing(socket, packet, latencyMs, abort);
    return kPingOk;
}

int QueryServerStatus(const WString& address, WString& json, int& latencyMs, AbortFlag abort) {
    in_addr addr{};
    uint16_t port = 0;
    const int resolved = ResolveServerAddress(address, addr, port, abort);
    if (resolved != kPingOk) return resolved;
    if (Aborted(abort)) return kPingAborted;
    return PingServer(addr, port, json, latencyMs, abort);
}

}  // namespace mcmotd
