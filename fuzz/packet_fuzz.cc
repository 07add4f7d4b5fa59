// Packet packing: frames of any width up to 4096 columns and any height
// up to 64 rows, with any display flags, and the blank frame. Every packet
// in the buffer is either untouched or starts with the packet signature.
// Frames of the sizes the program sends are also read back with the
// display's own reading of the packets, lcm_unpack: the mode, the size and
// every pixel must come back, with no header byte out of place.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "input.h"
#include "lcm/display_flags.h"
#include "lcm/packet.h"
#include "lcm/unpack.h"
#include "render/frame.h"

namespace {

std::vector<lcm_packet> packets_of(const std::vector<unsigned char> &buffer, std::size_t count)
{
    std::vector<lcm_packet> packets;
    for (std::size_t p = 0; p < count; ++p)
        packets.emplace_back(buffer.begin() + p * LCM_PACKET_SIZE, buffer.begin() + (p + 1) * LCM_PACKET_SIZE);
    return packets;
}

// A frame of the size that the program sends for the flags and a picture
// of source_width columns.
void check_read_back(fuzz_input &in, int flags, int source_width)
{
    // Both mode bits together never reach the packer.
    if ((flags & DISPLAY_MODE_MASK) == DISPLAY_MODE_MASK)
        flags &= ~DISPLAY_FLASH;
    const frame_size size = frame_geometry(flags, source_width);
    std::vector<unsigned char> frame(std::size_t(size.width) * size.height);
    for (unsigned char &pixel : frame)
        pixel = in.byte() & 1 ? 0xFF : 0x00;
    const std::size_t count = lcm_packet_count(size.width);
    std::vector<unsigned char> buffer(count * LCM_PACKET_SIZE, 0);
    lcm_pack_frame(buffer.data(), flags, size.width, size.height, frame.data());
    const lcm_transfer read = lcm_unpack(packets_of(buffer, count));
    const lcm_mode mode = (flags & DISPLAY_ROLL)    ? lcm_mode::rolling
                          : (flags & DISPLAY_FLASH) ? lcm_mode::flashing
                                                    : lcm_mode::static_frame;
    if (read.mode != mode || read.bad_header || read.wrong_count || read.width != size.width ||
        read.height != size.height || read.pixels.size() != frame.size())
        std::abort();
    for (std::size_t i = 0; i < frame.size(); ++i)
        if ((read.pixels[i] != 0) != (frame[i] != 0))
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz_input in{data, size};
    const int flags = in.byte();
    const unsigned width = in.word() % 4097;
    const unsigned height = in.byte() % 65;
    const bool blank = in.byte() & 1;

    // Exactly the frame's bytes, so that a read past it is caught.
    std::vector<unsigned char> frame(std::size_t(width) * height);
    for (unsigned char &pixel : frame)
        pixel = in.byte();
    std::vector<unsigned char> buffer(lcm_packet_count(width) * LCM_PACKET_SIZE, 0);
    lcm_pack_frame(buffer.data(), flags, width, height, blank ? nullptr : frame.data());
    for (std::size_t p = 0; p < lcm_packet_count(width); ++p) {
        const unsigned char *packet = buffer.data() + p * LCM_PACKET_SIZE;
        bool untouched = true;
        for (std::size_t i = 0; i < LCM_PACKET_SIZE; ++i)
            untouched = untouched && packet[i] == 0;
        if (!untouched && (packet[0] != 0x55 || packet[1] != 0xAA))
            std::abort();
    }

    // The blank and filled frames are two static packets of one value.
    std::vector<unsigned char> blank_buffer(2 * LCM_PACKET_SIZE, 0);
    lcm_pack_frame(blank_buffer.data(), flags, FRAME_WIDTH, FRAME_HEIGHT, nullptr);
    const lcm_transfer blank_read = lcm_unpack(packets_of(blank_buffer, 2));
    const unsigned char shade = (flags & DISPLAY_NEGATIVE) ? 0 : 1;
    if (blank_read.mode != lcm_mode::static_frame || blank_read.bad_header || blank_read.wrong_count)
        std::abort();
    for (unsigned char pixel : blank_read.pixels)
        if (pixel != shade)
            std::abort();

    check_read_back(in, flags, static_cast<int>(in.word() % 2048) + 1);

    unsigned char command[LCM_COMMAND_SIZE];
    const unsigned char command_byte = static_cast<unsigned char>(flags);
    lcm_pack_command(command, command_byte);
    const lcm_transfer command_read = lcm_unpack({lcm_packet(command, command + LCM_COMMAND_SIZE)});
    const bool known = command_byte == LCM_COMMAND_ON || command_byte == LCM_COMMAND_OFF;
    if (command_read.mode != lcm_mode::command || command_read.command_byte != command_byte ||
        command_read.bad_header != !known || command_read.wrong_count)
        std::abort();
    return 0;
}
