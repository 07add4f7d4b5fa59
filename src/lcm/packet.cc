#include "lcm/packet.h"

#include <cstring>

#include "lcm/display_flags.h"
#include "lcm/display_size.h"

namespace {

constexpr unsigned BAND_ROWS = 8;
constexpr unsigned BAND_COLUMNS = LCM_WIDTH;
constexpr unsigned PACKET_ROWS = 16;

void pack_header(unsigned char *packet, int mode, std::size_t index, std::size_t count)
{
    packet[0] = 0x55;
    packet[1] = 0xAA;
    packet[3] = 0x80;
    packet[6] = 0x00;
    if (mode == DISPLAY_ROLL) {
        packet[2] = 0x40;
        packet[4] = static_cast<unsigned char>(count);
        packet[5] = static_cast<unsigned char>(index + 1);
        packet[7] = 0x01;
        packet[8] = 0xFF;
    } else if (mode == DISPLAY_FLASH) {
        packet[2] = 0x10;
        packet[4] = 0x01;
        packet[5] = 0x01;
        packet[7] = 0x00;
        packet[8] = 0xFF;
    } else {
        packet[2] = static_cast<unsigned char>(0x10 + index);
        packet[4] = 0x01;
        packet[5] = 0x01;
        packet[7] = 0x01;
        packet[8] = 0x00;
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
    out[0] = 0x55;
    out[1] = 0xAA;
    out[2] = 0x20;
    out[6] = 0x01;
    out[16] = command_byte;
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
