#include "services/McNetworkPacket.h"

#include <new>
#include <stdexcept>

namespace mcmotd {

namespace {

const uint32_t kInitialCapacity = 0x2000;
const int kMaxVarIntBytes = 5;

[[noreturn]] void ThrowOutOfRange() { throw std::overflow_error("buffer out of range"); }

}  // namespace

mc_network_packet::mc_network_packet() { Reserve(kInitialCapacity); }

void mc_network_packet::Append(const void* bytes, uint32_t count) {
    // Only a packet past 4 GiB could fail here; ours are a few bytes long.
    if (!Write(bytes, count)) throw std::bad_alloc();
}

const uint8_t* mc_network_packet::Take(uint32_t count) {
    const uint8_t* data = Read(count);
    if (!data) ThrowOutOfRange();
    return data;
}

void mc_network_packet::WriteVarInt(uint32_t value) {
    uint8_t bytes[kMaxVarIntBytes];
    uint32_t count = 0;
    do {
        uint8_t group = value & 0x7F;
        value >>= 7;
        if (value) group |= 0x80;
        bytes[count++] = group;
    } while (value);
    Append(bytes, count);
}

void mc_network_packet::WriteString(const char* text, uint32_t length) {
    WriteVarInt(length);
    Append(text, length);
}

void mc_network_packet::WriteUInt16BE(uint16_t value) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    Append(bytes, 2);
}

void mc_network_packet::WriteInt64BE(int64_t value) {
    uint8_t bytes[8];
    const uint64_t bits = static_cast<uint64_t>(value);
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    Append(bytes, 8);
}

uint32_t mc_network_packet::ReadVarInt() {
    uint32_t value = 0;
    for (int i = 0; i < kMaxVarIntBytes; ++i) {
        const uint8_t byte = *Take(1);
        value |= static_cast<uint32_t>(byte & 0x7F) << (7 * i);
        if (!(byte & 0x80)) return value;
    }
    ThrowOutOfRange();
}

int64_t mc_network_packet::ReadInt64BE() {
    const uint8_t* bytes = Take(8);
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = (bits << 8) | bytes[i];
    return static_cast<int64_t>(bits);
}

uint32_t mc_network_packet::ReadBytes(const uint8_t*& data) {
    const uint32_t length = ReadVarInt();
    if (length == 0) ThrowOutOfRange();
    data = Take(length);
    return length;
}

}  // namespace mcmotd
