#include "decode.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using vdisplay::bytes;
using vdisplay::transfer_mode;

// Headers written out from the display's packet format, byte by byte.
bytes frame_packet(transfer_mode mode, unsigned index, unsigned count)
{
    bytes p(272, 0);
    p[0] = 0x55;
    p[1] = 0xAA;
    p[3] = 0x80;
    p[4] = 0x01;
    p[5] = 0x01;
    p[7] = 0x01;
    if (mode == transfer_mode::static_frame) {
        p[2] = static_cast<unsigned char>(0x10 + index);
    } else if (mode == transfer_mode::flashing) {
        p[2] = 0x10;
        p[7] = 0x00;
        p[8] = 0xFF;
    } else {
        p[2] = 0x40;
        p[4] = static_cast<unsigned char>(count);
        p[5] = static_cast<unsigned char>(index + 1);
        p[8] = 0xFF;
    }
    return p;
}

std::vector<bytes> frame_packets(transfer_mode mode, unsigned count)
{
    std::vector<bytes> packets;
    for (unsigned i = 0; i < count; ++i) {
        if (mode == transfer_mode::flashing && i == 1)
            packets.emplace_back(272, 0);
        else
            packets.push_back(frame_packet(mode, i, count));
    }
    return packets;
}

struct pixel_case {
    const char *name;
    transfer_mode mode;
    unsigned packets;
    unsigned packet;
    unsigned offset;
    unsigned char value;
    unsigned width, height;
    unsigned row, column;
};

void PrintTo(const pixel_case &c, std::ostream *os)
{
    *os << c.name;
}

class DecodePixel : public testing::TestWithParam<pixel_case> {};

TEST_P(DecodePixel, OneByteLightsOnePixel)
{
    const pixel_case &c = GetParam();
    std::vector<bytes> packets = frame_packets(c.mode, c.packets);
    packets[c.packet][c.offset] = c.value;

    vdisplay::transfer t = vdisplay::decode_packets(packets);

    EXPECT_EQ(t.mode, c.mode);
    EXPECT_FALSE(t.bad_header);
    EXPECT_FALSE(t.wrong_count);
    EXPECT_TRUE(t.problems.empty()) << t.problems.front();
    ASSERT_EQ(t.width, c.width);
    ASSERT_EQ(t.height, c.height);
    ASSERT_EQ(t.picture.size(), c.height);
    for (unsigned r = 0; r < c.height; ++r)
        for (unsigned col = 0; col < c.width; ++col)
            ASSERT_EQ(t.picture[r][col], r == c.row && col == c.column ? '#' : '.')
                << "row " << r << " column " << col;
}

INSTANTIATE_TEST_SUITE_P(
    Positions, DecodePixel,
    testing::Values(
        pixel_case{"top_left", transfer_mode::static_frame, 2, 0, 143, 0x01, 128, 32, 0, 0},
        pixel_case{"row9_col5", transfer_mode::static_frame, 2, 0, 266, 0x02, 128, 32, 9, 5},
        pixel_case{"bottom_right", transfer_mode::static_frame, 2, 1, 144, 0x80, 128, 32, 31, 127},
        pixel_case{"lower_half_left", transfer_mode::static_frame, 2, 1, 143, 0x01, 128, 32, 16, 0},
        pixel_case{"top_right", transfer_mode::static_frame, 2, 0, 16, 0x01, 128, 32, 0, 127},
        pixel_case{"flashing_row15", transfer_mode::flashing, 2, 0, 207, 0x80, 128, 16, 15, 64},
        pixel_case{"rolling_second_strip", transfer_mode::rolling, 4, 3, 71, 0x10, 256, 32, 20, 200},
        pixel_case{"rolling_widest_corner", transfer_mode::rolling, 28, 27, 144, 0x80, 1792, 32, 31,
                   1791}),
    [](const testing::TestParamInfo<pixel_case> &info) { return std::string(info.param.name); });

struct anomaly_case {
    const char *name;
    std::vector<bytes> packets;
    transfer_mode mode;
    bool bad_header;
    bool wrong_count;
};

std::vector<bytes> changed(std::vector<bytes> packets, unsigned packet, unsigned offset,
                           unsigned char value)
{
    packets[packet][offset] = value;
    return packets;
}

bytes command(unsigned char code)
{
    bytes p(17, 0);
    p[0] = 0x55;
    p[1] = 0xAA;
    p[2] = 0x20;
    p[6] = 0x01;
    p[16] = code;
    return p;
}

void PrintTo(const anomaly_case &c, std::ostream *os)
{
    *os << c.name;
}

class DecodeAnomaly : public testing::TestWithParam<anomaly_case> {};

TEST_P(DecodeAnomaly, IsFlagged)
{
    const anomaly_case &c = GetParam();
    vdisplay::transfer t = vdisplay::decode_packets(c.packets);
    EXPECT_EQ(t.mode, c.mode);
    EXPECT_EQ(t.bad_header, c.bad_header);
    EXPECT_EQ(t.wrong_count, c.wrong_count);
    EXPECT_EQ(t.problems.empty(), !c.bad_header && !c.wrong_count);
}

INSTANTIATE_TEST_SUITE_P(
    Packets, DecodeAnomaly,
    testing::Values(
        anomaly_case{"command_on", {command(0xAF)}, transfer_mode::command, false, false},
        anomaly_case{"command_unknown_byte", {command(0x00)}, transfer_mode::command, true, false},
        anomaly_case{"command_bad_byte6", {changed({command(0xAE)}, 0, 6, 0)}, transfer_mode::command,
                     true, false},
        anomaly_case{"static_one_packet", {frame_packet(transfer_mode::static_frame, 0, 2)},
                     transfer_mode::static_frame, false, true},
        anomaly_case{"static_second_type_byte",
                     changed(frame_packets(transfer_mode::static_frame, 2), 1, 2, 0x10),
                     transfer_mode::static_frame, true, false},
        anomaly_case{"static_header_tail",
                     changed(frame_packets(transfer_mode::static_frame, 2), 0, 12, 1),
                     transfer_mode::static_frame, true, false},
        anomaly_case{"flashing_padding_not_zero",
                     changed(frame_packets(transfer_mode::flashing, 2), 1, 100, 1),
                     transfer_mode::flashing, true, false},
        anomaly_case{"rolling_odd_count", frame_packets(transfer_mode::rolling, 3),
                     transfer_mode::rolling, true, false},
        anomaly_case{"rolling_number_byte",
                     changed(frame_packets(transfer_mode::rolling, 4), 2, 5, 2),
                     transfer_mode::rolling, true, false},
        anomaly_case{"rolling_short", {frame_packet(transfer_mode::rolling, 0, 4)},
                     transfer_mode::rolling, false, true},
        anomaly_case{"bad_magic", changed(frame_packets(transfer_mode::static_frame, 2), 0, 0, 0x54),
                     transfer_mode::unknown, true, true},
        anomaly_case{"odd_size", {bytes(100, 0x55)}, transfer_mode::unknown, true, false}),
    [](const testing::TestParamInfo<anomaly_case> &info) { return std::string(info.param.name); });

std::string bulk_line(long long time, const char *node, const bytes &packet)
{
    return std::to_string(time) + " " + node + " bulk 0x02 " + std::to_string(packet.size()) + " " +
           vdisplay::to_hex(packet) + "\n";
}

// Splitting the writes into transfers: by count, by other events, by node;
// another client's refused claim leaves the holder's transfer whole.
TEST(DecodeTransfers, GroupsWritesByHeaderAndEvents)
{
    std::vector<bytes> frame = frame_packets(transfer_mode::static_frame, 2);
    std::string log = "100 001/002 claim 0\n" + bulk_line(200, "001/002", command(0xAF)) +
                      bulk_line(1300, "001/002", frame[0]) + bulk_line(1400, "001/003", frame[0]) +
                      "2000 001/002 claim-refused 0\n" + bulk_line(2400, "001/002", frame[1]) + bulk_line(3500, "001/002", frame[0]) +
                      bulk_line(4600, "001/002", frame[1]) + "4700 001/003 bulk-failed 0x02 272 19\n" +
                      bulk_line(4800, "001/002", frame[0]) + "5900 001/002 release 0\n";
    std::vector<vdisplay::event> events;
    std::string error;
    ASSERT_TRUE(vdisplay::parse_log(log, events, error)) << error;
    std::vector<vdisplay::transfer> t = vdisplay::decode_transfers(events);

    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[0].mode, transfer_mode::command);
    EXPECT_EQ(t[0].command_byte, 0xAF);
    EXPECT_EQ(t[1].node, "001/002");
    EXPECT_EQ(t[1].packets.size(), 2u);
    EXPECT_EQ(t[1].first_time_us, 1300);
    EXPECT_EQ(t[1].last_time_us, 2400);
    EXPECT_FALSE(t[1].wrong_count);
    EXPECT_EQ(t[2].node, "001/003");
    EXPECT_TRUE(t[2].failed);
    EXPECT_TRUE(t[2].wrong_count);
    EXPECT_EQ(t[3].packets.size(), 2u);
    EXPECT_FALSE(t[3].wrong_count);
    EXPECT_EQ(t[4].packets.size(), 1u);  // cut short by the release
    EXPECT_TRUE(t[4].wrong_count);
    EXPECT_FALSE(t[4].failed);
}

struct line_case {
    const char *name;
    const char *line;
    bool ok;
};

void PrintTo(const line_case &c, std::ostream *os)
{
    *os << c.name;
}

class ParseLine : public testing::TestWithParam<line_case> {};

TEST_P(ParseLine, AcceptsOnlyWellFormedLines)
{
    std::vector<vdisplay::event> events;
    std::string error;
    EXPECT_EQ(vdisplay::parse_log(GetParam().line, events, error), GetParam().ok) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseLine,
    testing::Values(line_case{"claim", "12 001/002 claim 0", true},
                    line_case{"bulk", "12 001/002 bulk 0x02 2 55aa", true},
                    line_case{"bulk_length_mismatch", "12 001/002 bulk 0x02 3 55aa", false},
                    line_case{"bulk_upper_case_hex", "12 001/002 bulk 0x02 2 55AA", false},
                    line_case{"bulk_odd_hex", "12 001/002 bulk 0x02 1 5", false},
                    line_case{"bulk_failed", "12 001/002 bulk-failed 0x02 272 19", true},
                    line_case{"claim_without_interface", "12 001/002 claim", false},
                    line_case{"freed", "12 001/002 freed 0", true},
                    line_case{"freed_without_interface", "12 001/002 freed", false},
                    line_case{"no_time", "001/002 claim 0", false},
                    line_case{"unknown_kind_kept", "12 001/002 ioctl-unknown 0x5501", true}),
    [](const testing::TestParamInfo<line_case> &info) { return std::string(info.param.name); });

TEST(ParseLog, KeepsTheFieldsOfEachKind)
{
    std::vector<vdisplay::event> events;
    std::string error;
    ASSERT_TRUE(vdisplay::parse_log("5 001/003 bulk 0x02 2 00ff\n\n9 002/002 bulk-failed 0x02 17 19\n",
                                    events, error));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].time_us, 5);
    EXPECT_EQ(events[0].node, "001/003");
    EXPECT_EQ(events[0].endpoint, 2u);
    EXPECT_EQ(events[0].data, (bytes{0x00, 0xFF}));
    EXPECT_EQ(events[1].kind, "bulk-failed");
    EXPECT_EQ(events[1].length, 17u);
    EXPECT_EQ(events[1].error, 19);
}

}  // namespace
