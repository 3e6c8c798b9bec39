// Growable byte buffer: HTTP bodies fetched into memory, zip entries read
// whole, and server-list packets.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/noncopyable.h"

namespace wendal_ {

class byte_buffer : private noncopyable {
public:
    byte_buffer() = default;
    virtual ~byte_buffer();

    // Grows the block to the smallest power of two >= n (1 when n < 2);
    // false (the buffer unchanged) when that cannot be represented or
    // allocated. Capacity never shrinks.
    bool Reserve(uint32_t n);
    // Writes at the position, advancing it and raising the size past the old
    // end; false (nothing written) when position + count does not fit.
    bool Write(const void* bytes, uint32_t count);
    // Returns the next count bytes and advances, or null (position kept)
    // when fewer remain.
    const uint8_t* Read(uint32_t count);
    // Prepares for a body of known size n: size n, position 0.
    bool Resize(uint32_t n);
    // Drops the content and returns the block.
    void Clear();

    uint8_t* GetData() const { return m_data; }
    uint32_t GetPosition() const { return m_position; }
    void SetPosition(uint32_t position) { m_position = position <= m_size ? position : m_size; }
    uint32_t GetSize() const { return m_size; }
    uint32_t GetCapacity() const { return m_capacity; }

private:
    uint8_t* m_data = nullptr;
    uint32_t m_position = 0;
    uint32_t m_size = 0;
    uint32_t m_capacity = 0;
};

// The HTTP library's write callback for bodies fetched into memory; 0,
// which fails the transfer, when the buffer cannot hold the bytes.
size_t WriteToByteBuffer(void* data, size_t size, size_t count, byte_buffer* buffer);

}  // namespace wendal_
