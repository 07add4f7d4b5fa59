#include "lcm/protocol.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "lcm/display_flags.h"
#include "lcm/display_size.h"
#include "lcm/packet.h"
#include "lcm/writer.h"

namespace {

struct free_closer {
    void operator()(unsigned char *p) const { std::free(p); }
};

} // namespace

int lcm_command(usb_dev_handle *handle, unsigned char command_byte)
{
    unsigned char packet[LCM_COMMAND_SIZE];
    lcm_pack_command(packet, command_byte);
    return lcm_write_packet(handle, packet, sizeof packet);
}

int lcm_send_frame(usb_dev_handle *handle, int display_flags, unsigned width,
                   unsigned height, const unsigned char *frame)
{
    const std::size_t count = lcm_packet_count(width);
    std::unique_ptr<unsigned char, free_closer> buffer(
        static_cast<unsigned char *>(std::calloc(count ? count : 1, LCM_PACKET_SIZE)));
    if (!buffer) {
        std::fputs("Out of memory!\n", stderr);
        return ENOMEM;
    }
    lcm_pack_frame(buffer.get(), display_flags, width, height, frame);
    for (std::size_t p = 0; p < count; ++p) {
        const int status = lcm_write_packet(handle, buffer.get() + p * LCM_PACKET_SIZE, LCM_PACKET_SIZE);
        if (status != 0)
            return status;
    }
    return 0;
}

int lcm_control(usb_dev_handle *handle, int control_flags)
{
    switch (control_flags) {
    case CONTROL_ENABLE:
        return lcm_command(handle, LCM_COMMAND_ON);
    case CONTROL_DISABLE:
        return lcm_command(handle, LCM_COMMAND_OFF);
    case CONTROL_BLANK:
        return lcm_send_frame(handle, 0, LCM_WIDTH, LCM_HEIGHT, nullptr);
    case CONTROL_FILL:
        return lcm_send_frame(handle, DISPLAY_NEGATIVE, LCM_WIDTH, LCM_HEIGHT, nullptr);
    default:
        return EINVAL;
    }
}
