// The growable byte buffer that bodies and zip entries are read into.
#include <gtest/gtest.h>

#include <cstring>

#include "core/byte_buffer.h"

namespace {

using wendal_::byte_buffer;

TEST(ByteBuffer, CapacityIsTheNextPowerOfTwoAndKeepsTheData) {
    struct {
        uint32_t ask, capacity;
    } cases[] = {{0, 1}, {1, 1}, {2, 2}, {3, 4}, {1000, 1024}, {1024, 1024}, {1025, 2048}};
    for (const auto& c : cases) {
        byte_buffer b;
        ASSERT_TRUE(b.Reserve(c.ask)) << c.ask;
        EXPECT_EQ(c.capacity, b.GetCapacity()) << c.ask;
    }
    byte_buffer b;
    std::string bytes(1024, 'x');
    bytes[1023] = 'y';
    ASSERT_TRUE(b.Write(bytes.data(), 1024));
    ASSERT_EQ(1024u, b.GetCapacity());
    ASSERT_TRUE(b.Write("z", 1));
    EXPECT_EQ(2048u, b.GetCapacity());
    EXPECT_EQ(0, memcmp(b.GetData(), bytes.data(), 1024));
    EXPECT_EQ('z', b.GetData()[1024]);
    b.Reserve(10);  // never shrinks
    EXPECT_EQ(2048u, b.GetCapacity());
}

TEST(ByteBuffer, WritesInsideOverwriteAndReadsStopAtTheSize) {
    byte_buffer b;
    b.Write("abcdef", 6);
    b.SetPosition(2);
    b.Write("XY", 2);
    EXPECT_EQ(6u, b.GetSize());  // inside the data: no growth
    b.Write("1234", 4);
    EXPECT_EQ(8u, b.GetSize());  // past the old end
    EXPECT_EQ(0, memcmp(b.GetData(), "abXY1234", 8));
    b.SetPosition(5);
    EXPECT_EQ(nullptr, b.Read(4));
    EXPECT_EQ(5u, b.GetPosition());  // a failed read does not move
    const uint8_t* rest = b.Read(3);
    ASSERT_NE(nullptr, rest);
    EXPECT_EQ(0, memcmp(rest, "234", 3));
    EXPECT_EQ(nullptr, b.Read(1));
}

TEST(ByteBuffer, SizesThatCannotBeRepresentedAreRefused) {
    byte_buffer b;
    // The next power of two above 2^31 does not fit 32 bits: refused, nothing allocated.
    EXPECT_FALSE(b.Reserve(0x80000001u));
    EXPECT_FALSE(b.Resize(0xFFFFFFFFu));
    EXPECT_EQ(0u, b.GetCapacity());
    EXPECT_EQ(nullptr, b.GetData());
    b.Write("abc", 3);
    EXPECT_FALSE(b.Write("x", 0xFFFFFFFFu));  // position + count wraps around
    EXPECT_EQ(3u, b.GetSize());
    // A block a 32-bit process cannot hold fails like one that cannot be
    // represented: the caller is told, nothing is thrown.
    EXPECT_FALSE(b.Reserve(0x80000000u));
    EXPECT_EQ(3u, b.GetSize());
    // The HTTP write callback refuses such a body instead of writing past the block.
    EXPECT_EQ(0u, wendal_::WriteToByteBuffer(const_cast<char*>("x"), 0x10000, 0x10000, &b));
    char body[] = "body";
    EXPECT_EQ(4u, wendal_::WriteToByteBuffer(body, 1, 4, &b));
    EXPECT_EQ(7u, b.GetSize());
}

}  // namespace
