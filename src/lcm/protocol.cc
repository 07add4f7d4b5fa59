#include "lcm/protocol.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ctime>

#include "lcm/display_flags.h"
#include "lcm/packet.h"

namespace {

struct free_closer {
    void operator()(unsigned char *p) const { std::free(p); }
};

// Linux's libusb 0.1 returns a negated errno and sets errno too. FreeBSD's
// returns a negated errno without setting it, or -1 when no transfer could
// be set up at all. A failed write must never read as 0 or as the wrong
// error; values no errno could have count as -1.
int write_status(int result, int error)
{
    if (result < -1 && result > -4096)
        return -result;
    return error != 0 ? error : EIO;
}

// The display needs the pause after every write; a signal must not cut it
// short.
void pause_after_write()
{
    struct timespec left = {0, static_cast<long>(LCM_PAUSE_US) * 1000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

// Some usb.h declare the buffer const and others not, so the buffer handed
// over is always a mutable one.
int write_packet(usb_dev_handle *handle, unsigned char *bytes, std::size_t size)
{
    errno = 0;
    const int result = usb_bulk_write(handle, LCM_ENDPOINT, reinterpret_cast<char *>(bytes),
                                      static_cast<int>(size), LCM_TIMEOUT_MS);
    if (result < 0)
        return write_status(result, errno);
    pause_after_write();
    return 0;
}

} // namespace

int lcm_command(usb_dev_handle *handle, unsigned char command_byte)
{
    unsigned char packet[LCM_COMMAND_SIZE];
    lcm_pack_command(packet, command_byte);
    return write_packet(handle, packet, sizeof packet);
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
        const int status = write_packet(handle, buffer.get() + p * LCM_PACKET_SIZE, LCM_PACKET_SIZE);
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
        return lcm_send_frame(handle, 0, 128, 32, nullptr);
    case CONTROL_FILL:
        return lcm_send_frame(handle, DISPLAY_NEGATIVE, 128, 32, nullptr);
    default:
        return EINVAL;
    }
}
