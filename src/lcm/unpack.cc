#include "lcm/unpack.h"

namespace {

constexpr unsigned char MAGIC_0 = 0x55;
constexpr unsigned char MAGIC_1 = 0xAA;
constexpr std::size_t COMMAND_SIZE = 17;
constexpr std::size_t PACKET_SIZE = 272;
constexpr std::size_t HEADER_SIZE = 16;
// The display's size again, and not lcm/display_size.h: this decoder is
// written from the packet format alone so that it checks the packer, and
// a wrong size shared with the packer would pass that check unseen.
constexpr unsigned BAND_SIZE = 128;
constexpr unsigned SCREEN_WIDTH = 128;
constexpr unsigned SCREEN_HEIGHT = 32;
constexpr std::size_t MAX_ROLLING_PACKETS = 28;

bool header_tail_clear(const lcm_packet &p)
{
    for (std::size_t i = 9; i < HEADER_SIZE; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

// Checks one frame packet against the header that its position needs.
void check_frame_header(lcm_transfer &t, std::size_t index, const lcm_packet &p)
{
    auto complain = [&](const std::string &what) {
        t.bad_header = true;
        t.problems.push_back("packet " + std::to_string(index) + ": " + what);
    };
    if (p.size() != PACKET_SIZE) {
        complain("length " + std::to_string(p.size()) + ", not 272");
        return;
    }
    if (t.mode == lcm_mode::flashing && index == 1) {
        for (unsigned char b : p)
            if (b != 0) {
                complain("the flashing mode's second packet is not all zero");
                return;
            }
        return;
    }
    // Bytes 7 and 8 are known only by the values each mode needs: byte 7
    // is 0 when the frame flashes (steady), byte 8 is 0xFF when it flashes
    // or rolls (animated).
    unsigned char type = 0, count = 1, number = 1, steady = 1, animated = 0;
    switch (t.mode) {
    case lcm_mode::static_frame:
        type = static_cast<unsigned char>(0x10 + index);
        break;
    case lcm_mode::flashing:
        type = 0x10;
        steady = 0;
        animated = 0xFF;
        break;
    case lcm_mode::rolling:
        type = 0x40;
        count = static_cast<unsigned char>(t.expected_packets);
        number = static_cast<unsigned char>(index + 1);
        animated = 0xFF;
        break;
    default:
        return;
    }
    if (p[0] != MAGIC_0 || p[1] != MAGIC_1)
        complain("bad magic");
    if (p[2] != type)
        complain("type byte " + std::to_string(p[2]) + ", expected " + std::to_string(type));
    if (p[3] != 0x80)
        complain("byte 3 is not 0x80");
    if (p[4] != count)
        complain("packet count byte " + std::to_string(p[4]) + ", expected " + std::to_string(count));
    if (p[5] != number)
        complain("packet number byte " + std::to_string(p[5]) + ", expected " +
                 std::to_string(number));
    if (p[6] != 0)
        complain("byte 6 is not 0");
    if (p[7] != steady)
        complain("byte 7 is " + std::to_string(p[7]) + ", expected " + std::to_string(steady));
    if (p[8] != animated)
        complain("byte 8 is " + std::to_string(p[8]) + ", expected " + std::to_string(animated));
    if (!header_tail_clear(p))
        complain("header bytes 9-15 are not zero");
}

// Copies the pixels of a packet into the picture: the packet holds rows
// r0..r0+15 and columns c0..c0+127, each band byte one column of 8 rows,
// least significant bit on top, the band's rightmost column first.
void unpack_packet(lcm_transfer &t, const lcm_packet &packet, unsigned r0, unsigned c0)
{
    if (packet.size() != PACKET_SIZE)
        return;
    for (unsigned band = 0; band < 2; ++band) {
        for (unsigned m = 0; m < BAND_SIZE; ++m) {
            const unsigned char value = packet[HEADER_SIZE + band * BAND_SIZE + m];
            const unsigned column = c0 + 127 - m;
            for (unsigned k = 0; k < 8; ++k) {
                const unsigned row = r0 + band * 8 + k;
                if (row < t.height && column < t.width && (value >> k) & 1)
                    t.pixels[static_cast<std::size_t>(row) * t.width + column] = 1;
            }
        }
    }
}

void unpack_command(lcm_transfer &t, const lcm_packet &p)
{
    static const unsigned char EXPECTED[16] = {0x55, 0xAA, 0x20, 0, 0, 0, 1, 0,
                                               0,    0,    0,    0, 0, 0, 0, 0};
    for (std::size_t i = 0; i < 16; ++i)
        if (p[i] != EXPECTED[i]) {
            t.bad_header = true;
            t.problems.push_back("command byte " + std::to_string(i) + " is " + std::to_string(p[i]));
        }
    t.command_byte = p[16];
    if (t.command_byte != 0xAF && t.command_byte != 0xAE) {
        t.bad_header = true;
        t.problems.push_back("unknown command " + std::to_string(t.command_byte));
    }
}

} // namespace

const char *lcm_mode_name(lcm_mode mode)
{
    switch (mode) {
    case lcm_mode::command:
        return "command";
    case lcm_mode::static_frame:
        return "static";
    case lcm_mode::flashing:
        return "flashing";
    case lcm_mode::rolling:
        return "rolling";
    case lcm_mode::unknown:
        break;
    }
    return "unknown";
}

void lcm_announced(const lcm_packet &first, lcm_mode &mode, std::size_t &expected)
{
    mode = lcm_mode::unknown;
    expected = 1;
    if (first.size() == COMMAND_SIZE) {
        mode = lcm_mode::command;
    } else if (first.size() == PACKET_SIZE && first[0] == MAGIC_0 && first[1] == MAGIC_1) {
        if (first[2] == 0x10 && first[7] == 0 && first[8] == 0xFF) {
            mode = lcm_mode::flashing;
            expected = 2;
        } else if (first[2] == 0x10) {
            mode = lcm_mode::static_frame;
            expected = 2;
        } else if (first[2] == 0x40) {
            mode = lcm_mode::rolling;
            expected = first[4] != 0 ? first[4] : 1;
        }
    }
}

lcm_transfer lcm_unpack(const std::vector<lcm_packet> &packets)
{
    lcm_transfer t;
    if (packets.empty()) {
        t.wrong_count = true;
        t.problems.push_back("no packets");
        return t;
    }
    lcm_announced(packets.front(), t.mode, t.expected_packets);
    switch (t.mode) {
    case lcm_mode::command:
        unpack_command(t, packets.front());
        break;
    case lcm_mode::static_frame:
        t.width = SCREEN_WIDTH;
        t.height = SCREEN_HEIGHT;
        break;
    case lcm_mode::flashing:
        t.width = SCREEN_WIDTH;
        t.height = SCREEN_HEIGHT / 2;
        break;
    case lcm_mode::rolling:
        if (t.expected_packets % 2 != 0 || t.expected_packets > MAX_ROLLING_PACKETS) {
            t.bad_header = true;
            t.problems.push_back("rolling packet count " + std::to_string(t.expected_packets) +
                                 " is not an even number up to 28");
        }
        t.width = static_cast<unsigned>(t.expected_packets / 2) * SCREEN_WIDTH;
        t.height = SCREEN_HEIGHT;
        break;
    case lcm_mode::unknown:
        t.bad_header = true;
        t.problems.push_back("first packet (" + std::to_string(packets.front().size()) +
                             " bytes) is neither a command nor a frame packet");
        break;
    }
    if (packets.size() != t.expected_packets) {
        t.wrong_count = true;
        t.problems.push_back(std::to_string(packets.size()) + " packets, expected " +
                             std::to_string(t.expected_packets));
    }
    if (t.mode == lcm_mode::command || t.mode == lcm_mode::unknown)
        return t;

    t.pixels.assign(static_cast<std::size_t>(t.width) * t.height, 0);
    for (std::size_t p = 0; p < packets.size(); ++p) {
        check_frame_header(t, p, packets[p]);
        if (t.mode == lcm_mode::flashing && p > 0)
            continue;
        unpack_packet(t, packets[p], 16 * static_cast<unsigned>(p % 2),
                      SCREEN_WIDTH * static_cast<unsigned>(p / 2));
    }
    return t;
}

std::vector<lcm_transfer> lcm_unpack_stream(const std::vector<lcm_packet> &packets)
{
    std::vector<lcm_transfer> transfers;
    std::vector<lcm_packet> current;
    std::size_t expected = 0;
    for (const lcm_packet &packet : packets) {
        if (current.empty() || current.size() >= expected || packet.size() != PACKET_SIZE) {
            if (!current.empty())
                transfers.push_back(lcm_unpack(current));
            current.clear();
            lcm_mode mode;
            lcm_announced(packet, mode, expected);
        }
        current.push_back(packet);
    }
    if (!current.empty())
        transfers.push_back(lcm_unpack(current));
    return transfers;
}
