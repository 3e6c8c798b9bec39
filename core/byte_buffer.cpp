#include "core/byte_buffer.h"

#include <cstdlib>
#include <cstring>

namespace wendal_ {

byte_buffer::~byte_buffer() { std::free(m_data); }

bool byte_buffer::Reserve(uint32_t n) {
    if (m_capacity >= n && m_capacity > 0) return true;  // an empty buffer always gets a block
    if (n > 0x80000000u) return false;  // the next power of two would not fit 32 bits
    uint32_t capacity = 1;
    while (capacity < n) capacity <<= 1;
    // Refused, not thrown: the HTTP library's write callbacks grow buffers,
    // and no exception may unwind through its C frames.
    uint8_t* block = static_cast<uint8_t*>(std::malloc(capacity));
    if (!block) return false;
    if (m_size) std::memcpy(block, m_data, m_size);
    std::free(m_data);
    m_data = block;
    m_capacity = capacity;
    return true;
}

bool byte_buffer::Write(const void* bytes, uint32_t count) {
    if (count > UINT32_MAX - m_position) return false;
    if (!Reserve(m_position + count)) return false;
    if (count) std::memcpy(m_data + m_position, bytes, count);
    m_position += count;
    if (m_position > m_size) m_size = m_position;
    return true;
}

const uint8_t* byte_buffer::Read(uint32_t count) {
    if (m_size - m_position < count) return nullptr;
    const uint8_t* at = m_data + m_position;
    m_position += count;
    return at;
}

bool byte_buffer::Resize(uint32_t n) {
    if (!Reserve(n)) return false;
    m_size = n;
    m_position = 0;
    return true;
}

void byte_buffer::Clear() {
    std::free(m_data);
    m_data = nullptr;
    m_position = m_size = m_capacity = 0;
}

size_t WriteToByteBuffer(void* data, size_t size, size_t count, byte_buffer* buffer) {
    const uint64_t bytes = static_cast<uint64_t>(size) * count;
    if (bytes > UINT32_MAX || !buffer->Write(data, static_cast<uint32_t>(bytes))) return 0;
    return static_cast<size_t>(bytes);
}

}  // namespace wendal_
