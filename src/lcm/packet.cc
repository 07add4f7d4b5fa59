#include "lcm/packet.h"

#include <cstring>

#include "lcm/display_flags.h"
#include "lcm/display_size.h"

namespace {

constexpr unsigned BAND_ROWS = 8;
constexpr unsigned BAND_COLUMNS = LCM_WIDTH;
constexpr unsigned PACKET_ROWS = 16;

// The header's bytes (doc/PROTOCOL.md). Bytes 3, 6, 7 and 8 are known only
// by the values that each kind of packet needs; their names say what
// those values have in common, not what the display makes of them.
constexpr std::size_t MAGIC_AT = 0;        // 0x55 0xAA
constexpr std::size_t TYPE_AT = 2;         // command, static, flashing or rolling
constexpr std::size_t CONSTANT_AT = 3;     // 0x80 in every frame packet
constexpr std::size_t COUNT_AT = 4;        // the rolling transfer's packets, else 1
constexpr std::size_t NUMBER_AT = 5;       // the rolling packet's number from 1, else 1
constexpr std::size_t IS_COMMAND_AT = 6;   // 1 in a command packet, 0 in a frame packet
constexpr std::size_t STEADY_AT = 7;       // 1, but 0 in a flashing frame
constexpr std::size_t ANIMATED_AT = 8;     // 0xFF in a flashing or rolling frame, else 0
constexpr std::size_t COMMAND_BYTE_AT = 16;

constexpr unsigned char MAGIC[] = {0x55, 0xAA};
constexpr unsigned char TYPE_COMMAND = 0x20;
constexpr unsigned char TYPE_STATIC = 0x10; // plus the packet's index
constexpr unsigned char TYPE_FLASHING = 0x10;
constexpr unsigned char TYPE_ROLLING = 0x40;
constexpr unsigned char CONSTANT = 0x80;
constexpr unsigned char ANIMATED = 0xFF;

void pack_magic(unsigned char *packet)
{
    packet[MAGIC_AT] = MAGIC[0];
    packet[MAGIC_AT + 1] = MAGIC[1];
}

void pack_header(unsigned char *packet, int mode, std::size_t index, std::size_t count)
{
    pack_magic(packet);
    packet[CONSTANT_AT] = CONSTANT;
    packet[IS_COMMAND_AT] = 0;
    if (mode == DISPLAY_ROLL) {
        packet[TYPE_AT] = TYPE_ROLLING;
        packet[COUNT_AT] = static_cast<unsigned char>(count);
        packet[NUMBER_AT] = static_cast<unsigned char>(index + 1);
        packet[STEADY_AT] = 1;
        packet[ANIMATED_AT] = ANIMATED;
    } else if (mode == DISPLAY_FLASH) {
        packet[TYPE_AT] = TYPE_FLASHING;
        packet[COUNT_AT] = 1;
        packet[NUMBER_AT] = 1;
        packet[STEADY_AT] = 0;
        packet[ANIMATED_AT] = ANIMATED;
    } else {
        packet[TYPE_AT] = static_cast<unsigned char>(TYPE_STATIC + index);
        packet[COUNT_AT] = 1;
        packet[NUMBER_AT] = 1;
        packet[STEADY_AT] = 1;
        packet[ANIMATED_AT] = 0;
    }
}

// Each band byte is one column of eight rows, least significant bit on top,
// and a band runs from its rightmost column to its leftmost.
void pack_data(unsigned char *packet, std::size_t index, unsigned width,
               unsigned height, const unsigned char *frame)
{
    const unsigned r0 = PACKET_ROWS * static_cast<unsigned>(index % 2);
    const unsigned c0 = BAND_COLUMNS * static_cast<unsigned>(index / 2);
    for (unsigned band = 0; band < 2; ++band) {
        unsigned char *out = packet + LCM_HEADER_SIZE + band * BAND_COLUMNS;
        const unsigned first_row = r0 + band * BAND_ROWS;
        for (unsigned m = 0; m < BAND_COLUMNS; ++m) {
            const unsigned column = c0 + BAND_COLUMNS - 1 - m;
            if (column >= width)
                continue;
            unsigned char bits = 0;
            for (unsigned k = 0; k < BAND_ROWS; ++k) {
                const unsigned row = first_row + k;
                if (row < height && frame[static_cast<std::size_t>(row) * width + column])
                    bits |= static_cast<unsigned char>(1u << k);
            }
            out[m] = bits;
        }
    }
}

} // namespace

void lcm_pack_command(unsigned char *out, unsigned char command_byte)
{
    std::memset(out, 0, LCM_COMMAND_SIZE);
    pack_magic(out);
    out[TYPE_AT] = TYPE_COMMAND;
    out[IS_COMMAND_AT] = 1;
    out[COMMAND_BYTE_AT] = command_byte;
}

std::size_t lcm_packet_count(unsigned width)
{
    return width / 64;
}

void lcm_pack_frame(unsigned char *buffer, int display_flags, unsigned width,
                    unsigned height, const unsigned char *frame)
{
    const std::size_t count = lcm_packet_count(width);
    if (frame == nullptr) {
        // The blank and filled frames are always two static packets.
        const unsigned char fill = (display_flags & DISPLAY_NEGATIVE) ? 0x00 : 0xFF;
        for (std::size_t p = 0; p < 2 && p < count; ++p) {
            unsigned char *packet = buffer + p * LCM_PACKET_SIZE;
            pack_header(packet, 0, p, count);
            std::memset(packet + LCM_HEADER_SIZE, fill, LCM_PACKET_SIZE - LCM_HEADER_SIZE);
        }
        return;
    }
    const int mode = display_flags & DISPLAY_MODE_MASK;
    std::size_t filled = static_cast<std::size_t>(width / BAND_COLUMNS) * (height / PACKET_ROWS);
    if (filled > count)
        filled = count;
    for (std::size_t p = 0; p < filled; ++p) {
        unsigned char *packet = buffer + p * LCM_PACKET_SIZE;
        pack_header(packet, mode, p, count);
        pack_data(packet, p, width, height, frame);
    }
}
