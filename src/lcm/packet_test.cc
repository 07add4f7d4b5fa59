#include "lcm/packet.h"

#include <gtest/gtest.h>

#include <vector>

#include "lcm/display_flags.h"

namespace {

using bytes = std::vector<unsigned char>;

bytes pack(int flags, unsigned width, unsigned height, const unsigned char *frame)
{
    bytes buffer(lcm_packet_count(width) * LCM_PACKET_SIZE, 0);
    lcm_pack_frame(buffer.data(), flags, width, height, frame);
    return buffer;
}

bytes header_of(const bytes &buffer, std::size_t packet)
{
    auto begin = buffer.begin() + static_cast<long>(packet * LCM_PACKET_SIZE);
    return bytes(begin, begin + LCM_HEADER_SIZE);
}

// The data bytes of a packet that are not zero, as (offset, value).
std::vector<std::pair<std::size_t, unsigned>> set_bytes(const bytes &buffer, std::size_t packet)
{
    std::vector<std::pair<std::size_t, unsigned>> found;
    for (std::size_t i = LCM_HEADER_SIZE; i < LCM_PACKET_SIZE; ++i) {
        const unsigned char value = buffer[packet * LCM_PACKET_SIZE + i];
        if (value != 0)
            found.emplace_back(i, value);
    }
    return found;
}

struct pixel_case {
    unsigned row, column;
    std::size_t packet, offset;
    unsigned value;
};

TEST(packet, single_pixels_land_in_their_byte_and_bit)
{
    const pixel_case cases[] = {
        {0, 0, 0, 143, 0x01},   {9, 5, 0, 266, 0x02},    {31, 127, 1, 144, 0x80},
        {0, 127, 0, 16, 0x01},  {7, 0, 0, 143, 0x80},    {8, 0, 0, 271, 0x01},
        {15, 64, 0, 144 + 63, 0x80}, {16, 0, 1, 143, 0x01}, {23, 1, 1, 142, 0x80},
    };
    for (const pixel_case &c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.row << " column " << c.column);
        unsigned char frame[128 * 32] = {};
        frame[c.row * 128 + c.column] = 0xFF;
        const bytes buffer = pack(0, 128, 32, frame);
        ASSERT_EQ(2 * LCM_PACKET_SIZE, buffer.size());
        for (std::size_t p = 0; p < 2; ++p) {
            const auto found = set_bytes(buffer, p);
            if (p == c.packet) {
                ASSERT_EQ(1u, found.size());
                EXPECT_EQ(c.offset, found[0].first);
                EXPECT_EQ(c.value, found[0].second);
            } else {
                EXPECT_TRUE(found.empty());
            }
        }
    }
}

TEST(packet, headers_of_each_mode)
{
    unsigned char frame[1792 * 32] = {};
    struct header_case {
        int flags;
        unsigned width, height;
        std::size_t packet;
        bytes header;
    };
    const header_case cases[] = {
        {0, 128, 32, 0, {0x55, 0xAA, 0x10, 0x80, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
        {0, 128, 32, 1, {0x55, 0xAA, 0x11, 0x80, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
        // Flags other than the mode bits change nothing.
        {DISPLAY_NEGATIVE | DISPLAY_FLIP, 128, 32, 1,
         {0x55, 0xAA, 0x11, 0x80, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
        {DISPLAY_FLASH, 128, 16, 0, {0x55, 0xAA, 0x10, 0x80, 1, 1, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0}},
        {DISPLAY_ROLL, 256, 32, 0, {0x55, 0xAA, 0x40, 0x80, 4, 1, 0, 1, 0xFF, 0, 0, 0, 0, 0, 0, 0}},
        {DISPLAY_ROLL, 256, 32, 3, {0x55, 0xAA, 0x40, 0x80, 4, 4, 0, 1, 0xFF, 0, 0, 0, 0, 0, 0, 0}},
        {DISPLAY_ROLL, 1792, 32, 27,
         {0x55, 0xAA, 0x40, 0x80, 28, 28, 0, 1, 0xFF, 0, 0, 0, 0, 0, 0, 0}},
        {DISPLAY_ROLL, 128, 32, 1, {0x55, 0xAA, 0x40, 0x80, 2, 2, 0, 1, 0xFF, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const header_case &c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags << " width " << c.width
                                        << " packet " << c.packet);
        const bytes buffer = pack(c.flags, c.width, c.height, frame);
        EXPECT_EQ(c.width / 64 * LCM_PACKET_SIZE, buffer.size());
        EXPECT_EQ(c.header, header_of(buffer, c.packet));
    }
}

TEST(packet, rolling_packets_cover_their_rows_and_columns)
{
    // One pixel in each quarter of a 256-wide frame shows which packet
    // carries which rows and columns.
    std::vector<unsigned char> frame(256 * 32, 0);
    frame[0 * 256 + 0] = 1;     // packet 0: rows 0-15, columns 0-127
    frame[16 * 256 + 0] = 1;    // packet 1: rows 16-31, columns 0-127
    frame[0 * 256 + 128] = 1;   // packet 2: rows 0-15, columns 128-255
    frame[31 * 256 + 255] = 1;  // packet 3: rows 16-31, columns 128-255
    const bytes buffer = pack(DISPLAY_ROLL, 256, 32, frame.data());
    const std::vector<std::pair<std::size_t, unsigned>> expected[] = {
        {{143, 0x01}}, {{143, 0x01}}, {{143, 0x01}}, {{144, 0x80}}};
    for (std::size_t p = 0; p < 4; ++p)
        EXPECT_EQ(expected[p], set_bytes(buffer, p)) << "packet " << p;
}

TEST(packet, flashing_leaves_the_second_packet_zero)
{
    std::vector<unsigned char> frame(128 * 16, 0xFF);
    const bytes buffer = pack(DISPLAY_FLASH, 128, 16, frame.data());
    ASSERT_EQ(2 * LCM_PACKET_SIZE, buffer.size());
    for (std::size_t i = LCM_HEADER_SIZE; i < LCM_PACKET_SIZE; ++i)
        ASSERT_EQ(0xFF, buffer[i]) << i;
    for (std::size_t i = LCM_PACKET_SIZE; i < 2 * LCM_PACKET_SIZE; ++i)
        ASSERT_EQ(0, buffer[i]) << i;
}

TEST(packet, blank_and_filled_frames)
{
    const bytes blank_header[] = {
        {0x55, 0xAA, 0x10, 0x80, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0},
        {0x55, 0xAA, 0x11, 0x80, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    struct blank_case {
        int flags;
        unsigned char data;
    };
    // The mode bits do not matter for the blank and filled frames.
    const blank_case cases[] = {{0, 0xFF}, {DISPLAY_NEGATIVE, 0x00}, {DISPLAY_ROLL, 0xFF},
                                {DISPLAY_FLASH | DISPLAY_NEGATIVE, 0x00}};
    for (const blank_case &c : cases) {
        SCOPED_TRACE(c.flags);
        const bytes buffer = pack(c.flags, 128, 32, nullptr);
        for (std::size_t p = 0; p < 2; ++p) {
            EXPECT_EQ(blank_header[p], header_of(buffer, p));
            for (std::size_t i = LCM_HEADER_SIZE; i < LCM_PACKET_SIZE; ++i)
                ASSERT_EQ(c.data, buffer[p * LCM_PACKET_SIZE + i]);
        }
    }
}

TEST(packet, command_packet)
{
    unsigned char packet[LCM_COMMAND_SIZE];
    lcm_pack_command(packet, LCM_COMMAND_ON);
    const bytes on = {0x55, 0xAA, 0x20, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xAF};
    EXPECT_EQ(on, bytes(packet, packet + LCM_COMMAND_SIZE));
    lcm_pack_command(packet, LCM_COMMAND_OFF);
    EXPECT_EQ(0xAE, packet[16]);
}

TEST(packet, packet_counts)
{
    EXPECT_EQ(0u, lcm_packet_count(0));
    EXPECT_EQ(0u, lcm_packet_count(63));
    EXPECT_EQ(2u, lcm_packet_count(128));
    EXPECT_EQ(28u, lcm_packet_count(1792));
}

} // namespace
