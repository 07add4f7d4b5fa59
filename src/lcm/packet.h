#ifndef LIDGLOW_LCM_PACKET_H
#define LIDGLOW_LCM_PACKET_H

#include <cstddef>

// The display's two packets. Packing is pure: bytes in, bytes out.
constexpr std::size_t LCM_COMMAND_SIZE = 17;
constexpr std::size_t LCM_PACKET_SIZE = 272;
constexpr std::size_t LCM_HEADER_SIZE = 16;
constexpr unsigned char LCM_COMMAND_ON = 0xAF;
constexpr unsigned char LCM_COMMAND_OFF = 0xAE;

// Fills out[LCM_COMMAND_SIZE] with the command packet for command_byte.
void lcm_pack_command(unsigned char *out, unsigned char command_byte);

// Number of frame packets for a frame of the given width.
std::size_t lcm_packet_count(unsigned width);

// Packs a frame (width x height bytes, row by row, nonzero = set) into
// buffer, which holds lcm_packet_count(width) zeroed packets. With no frame
// it packs the blank frame, or the filled one when DISPLAY_NEGATIVE is set.
void lcm_pack_frame(unsigned char *buffer, int display_flags, unsigned width,
                    unsigned height, const unsigned char *frame);

#endif
