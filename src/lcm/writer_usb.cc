#include "lcm/writer.h"

#include <cerrno>

#include "base/clock.h"
#include "lcm/protocol.h"

namespace {

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

} // namespace

// Some usb.h declare the buffer const and others not, so the buffer handed
// over is always a mutable one.
int lcm_write_packet(usb_dev_handle *handle, unsigned char *bytes, std::size_t size)
{
    errno = 0;
    const int result = usb_bulk_write(handle, LCM_ENDPOINT, reinterpret_cast<char *>(bytes),
                                      static_cast<int>(size), LCM_TIMEOUT_MS);
    if (result < 0)
        return write_status(result, errno);
    // The display takes a packet whole or not at all: part of one, or none,
    // is a failed transfer that no error explains.
    if (static_cast<std::size_t>(result) != size)
        return EIO;
    // The display needs the pause after every write; a signal must not cut
    // it short.
    sleep_whole(duration_us(LCM_PAUSE_US));
    return 0;
}
