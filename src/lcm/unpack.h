#ifndef LIDGLOW_LCM_UNPACK_H
#define LIDGLOW_LCM_UNPACK_H

// Turns the packets written to the display back into what it shows. This is
// written from the display's packet format alone, not from the packer, so
// that it can check the packer: the preview and the virtual display of the
// tests both draw what it decodes.

#include <cstddef>
#include <string>
#include <vector>

enum class lcm_mode { command, static_frame, flashing, rolling, unknown };

const char *lcm_mode_name(lcm_mode mode);

using lcm_packet = std::vector<unsigned char>;

// One command, or one frame with its pixels.
struct lcm_transfer {
    lcm_mode mode = lcm_mode::unknown;
    std::size_t expected_packets = 0; // as the first packet announces
    unsigned char command_byte = 0;   // command: 0xAF on, 0xAE off
    unsigned width = 0;
    unsigned height = 0;
    std::vector<unsigned char> pixels; // width x height, row by row, 1 set
    bool bad_header = false;  // a header or padding byte is not what the mode needs
    bool wrong_count = false; // fewer or more packets than the header announces
    std::vector<std::string> problems; // readable reasons for the flags above
};

// The mode and the number of packets that a transfer's first packet
// announces.
void lcm_announced(const lcm_packet &first, lcm_mode &mode, std::size_t &expected);

// Decodes one transfer from its packets.
lcm_transfer lcm_unpack(const std::vector<lcm_packet> &packets);

// Cuts packets written one after another into transfers, each as long as
// its first packet announces (a frame packet that cannot continue a
// transfer starts the next), and decodes them.
std::vector<lcm_transfer> lcm_unpack_stream(const std::vector<lcm_packet> &packets);

#endif
