#ifndef LIDGLOW_VDISPLAY_DECODE_H
#define LIDGLOW_VDISPLAY_DECODE_H

// Reads the event record written by vdisplay and turns the bulk writes it
// contains back into what the display would show, with the program's own
// packet decoder (lcm/unpack.h), which is written from the display's packet
// format alone and not from the packer.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "lcm/display_size.h"
#include "lcm/unpack.h"

namespace vdisplay {

using bytes = std::vector<unsigned char>;

// One line of the record. Fields that a kind does not use stay at their
// initial values.
struct event {
    long long time_us = 0;
    std::string node;      // "001/002"
    std::string kind;      // claim, claim-refused, release, freed, bulk, bulk-failed, open, close, ...
    unsigned interface = 0;  // claim, claim-refused, release, release-refused, freed
    unsigned endpoint = 0;   // bulk, bulk-failed, bulk-in
    std::size_t length = 0;  // bulk, bulk-failed, bulk-in
    int error = 0;           // bulk-failed
    bytes data;              // bulk
    std::string detail;      // everything after the kind, as written
};

// Parses a whole record. Returns false and describes the first bad line in
// error; events then holds the lines before it.
bool parse_log(std::string_view text, std::vector<event> &events, std::string &error);

// Reads and parses a record file.
bool parse_log_file(const std::string &path, std::vector<event> &events, std::string &error);

using transfer_mode = lcm_mode;

const char *mode_name(transfer_mode mode);

constexpr std::size_t COMMAND_PACKET_SIZE = 17;
constexpr std::size_t FRAME_PACKET_SIZE = 272;
constexpr unsigned DISPLAY_WIDTH = LCM_WIDTH;
constexpr unsigned DISPLAY_HEIGHT = LCM_HEIGHT;

// A group of consecutive writes to one node that form one command or one
// frame.
struct transfer {
    transfer_mode mode = transfer_mode::unknown;
    std::string node;
    long long first_time_us = 0;
    long long last_time_us = 0;
    unsigned char command_byte = 0;  // command: 0xAF on, 0xAE off
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::string> picture;  // height rows of width chars, '#' set, '.' clear
    std::vector<bytes> packets;        // as written, in order
    std::vector<std::size_t> events;   // the packets' indexes in the event list
    std::size_t expected_packets = 0;
    bool bad_header = false;   // a header or padding byte is not what the mode needs
    bool wrong_count = false;  // fewer or more packets than the header announces
    bool failed = false;       // a write failed before the transfer was complete
    std::vector<std::string> problems;  // readable reasons for the flags above
};

// Decodes one transfer from its packets alone.
transfer decode_packets(const std::vector<bytes> &packets);

// Groups the bulk writes of each node into transfers, in the order of their
// first packet. A write to endpoint 2 continues the open transfer of its node
// while that transfer expects more packets; the node's claim, release or
// freeing, a failed write, or another write ends it. A claim refused to
// another client does not, since the holder's transfer goes on.
std::vector<transfer> decode_transfers(const std::vector<event> &events);

// The picture of a transfer as text lines drawn with Unicode half blocks,
// two pixel rows per line, a set pixel drawn lit; wide frames are cut into
// strips of 128 columns.
std::string draw_picture(const transfer &t);

// The human-readable account that vdisplay --show prints.
std::string describe(const std::vector<event> &events);

std::string to_hex(const bytes &data);

}  // namespace vdisplay

#endif
