// One packet of the game's server-list status protocol: VarInt-framed
// fields read and written on top of the launcher's byte buffer.
#pragma once

#include <cstdint>

#include "core/byte_buffer.h"

namespace mcmotd {

class mc_network_packet : public wendal_::byte_buffer {
public:
    // Room for every packet of an ordinary exchange, so it seldom grows.
    mc_network_packet();

    void WriteVarInt(uint32_t value);
    // VarInt byte count, then the bytes.
    void WriteString(const char* text, uint32_t length);
    void WriteUInt16BE(uint16_t value);
    void WriteInt64BE(int64_t value);

    // The reads raise std::overflow_error("buffer out of range") when the
    // packet ends first; a VarInt of more than 5 bytes raises it too.
    uint32_t ReadVarInt();
    int64_t ReadInt64BE();
    // A VarInt length and that many bytes, pointed to inside the packet; a
    // length of 0 raises the error as well.
    uint32_t ReadBytes(const uint8_t*& data);

private:
    void Append(const void* bytes, uint32_t count);
    const uint8_t* Take(uint32_t count);
};

}  // namespace mcmotd
