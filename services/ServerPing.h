// The client side of the game's server-list status protocol over TCP: the
// server-status control asks a game server for its status JSON and latency
// from its own worker thread. Winsock must have been started.
#pragma once

#include <winsock2.h>

#include <cstdint>

#include "core/WString.h"
#include "services/McNetworkPacket.h"
#include "services/ServerStatus.h"

namespace mcmotd {

// Each step of the exchange gets this long.
const uint32_t kStepLimitMs = 4000;
// The protocol's largest packet: three VarInt bytes of length.
const uint32_t kMaxPacketLength = 2097151;
// The protocol's longest status text, in UTF-16 units (and four bytes each
// at most); a longer one is a malformed answer.
const uint32_t kMaxStatusTextLength = 32767;

// Another thread stops an exchange by setting *abort to non-zero; every
// step sees it within 100 ms. A null abort pointer never aborts.
typedef const volatile uint32_t* AbortFlag;

bool ConnectWithTimeout(SOCKET socket, const sockaddr_in& address, AbortFlag abort);
bool SendAll(SOCKET socket, const uint8_t* bytes, uint32_t count, AbortFlag abort);
bool RecvExact(SOCKET socket, uint8_t* buffer, uint32_t count, uint32_t limitMs, AbortFlag abort);
bool SendPacket(SOCKET socket, const mc_network_packet& packet, AbortFlag abort);
// Lengths above kMaxPacketLength fail like a bad length VarInt, before
// anything is allocated for them.
bool RecvPacket(SOCKET socket, mc_network_packet& packet, AbortFlag abort);

// Finds host's IPv4 address (GetAddrInfoW); false when there is none. It
// may take as long as the resolver does.
typedef bool (*HostLookup)(const wchar_t* host, in_addr* addr);
// Puts lookup in the place of GetAddrInfoW (null puts it back), for tests
// of a slow resolver.
void SetHostLookup(HostLookup lookup);

// The functions below return the PingResult codes of ServerStatus.h.
// "host[:port]", the port 25565 when there is no colon; a dotted IPv4
// literal needs no lookup. A name is looked up on a thread of its own that
// is left behind once abort is set: the resolver cannot see the flag, and a
// slow one must not hold up whoever waits for the caller. False then too.
bool ParseServerAddress(const WString& address, in_addr& addr, uint16_t& portNetworkOrder,
                        AbortFlag abort = nullptr);
int PingServer(in_addr addr, uint16_t portNetworkOrder, WString& json, int& latencyMs, AbortFlag abort);
int QueryServerStatus(const WString& address, WString& json, int& latencyMs, AbortFlag abort);

}  // namespace mcmotd
