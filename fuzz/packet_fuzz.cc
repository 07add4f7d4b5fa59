// Packet packing: frames of any width up to 4096 columns and any height
// up to 64 rows, with any display flags, and the blank frame. Every packet
// in the buffer is either untouched or starts with the packet signature.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "input.h"
#include "lcm/packet.h"

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

    unsigned char command[LCM_COMMAND_SIZE];
    const unsigned char command_byte = static_cast<unsigned char>(flags);
    lcm_pack_command(command, command_byte);
    if (command[0] != 0x55 || command[1] != 0xAA || command[LCM_COMMAND_SIZE - 1] != command_byte)
        std::abort();
    return 0;
}
