#include "lcm/device.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/clock.h"
#include "lcm/usb_compat.h"

namespace {

// Another run of the program holds the display only for a send, and the
// daemon for one poll's send, so a claim refused as busy is tried again
// for this long before the display counts as held for good.
constexpr long BUSY_WAIT_MS = 2000;
constexpr long BUSY_RETRY_MS = 50;

// Claims interface 0, returning 0 or the errno of the refusal. A kernel
// driver shows only through the query on FreeBSD, where any claim
// succeeds; elsewhere the claim itself is refused. On Linux the query also
// names usbfs while another process holds the claim.
int claim(usb_dev_handle *handle)
{
    if (lcm_driver_attached(handle, LCM_INTERFACE))
        return EBUSY;
    if (usb_claim_interface(handle, LCM_INTERFACE) < 0)
        return errno != 0 ? errno : EBUSY;
    return 0;
}

// Whoever holds the interface keeps it; our handle must not linger. The
// daemon still wants the errno of the refusal for its record.
usb_dev_handle *refuse_busy(usb_dev_handle *handle, int error)
{
    usb_close(handle);
    std::fputs("\"kldunload uhid\" and try again.\n", stderr);
    errno = error;
    return nullptr;
}

} // namespace

usb_dev_handle *display_handle = nullptr;

struct usb_device *lcm_find()
{
    usb_init();
    usb_find_busses();
    usb_find_devices();
    for (struct usb_bus *bus = usb_get_busses(); bus != nullptr; bus = bus->next) {
        for (struct usb_device *device = bus->devices; device != nullptr; device = device->next) {
            if (device->descriptor.idVendor == LCM_VENDOR_ID &&
                device->descriptor.idProduct == LCM_PRODUCT_ID)
                return device;
        }
    }
    std::fputs("Could not find any ASUS LCM device!\n", stderr);
    return nullptr;
}

usb_dev_handle *lcm_open(struct usb_device *device)
{
    usb_dev_handle *handle = device != nullptr ? usb_open(device) : nullptr;
    if (handle == nullptr) {
        const int saved_errno = errno;
        std::fprintf(stderr, "Could not open USB device: %s\n", std::strerror(saved_errno));
        errno = saved_errno;
        return nullptr;
    }
    const deadline limit = deadline_after(duration_ms(BUSY_WAIT_MS));
    for (;;) {
        errno = 0;
        const int refusal = claim(handle);
        if (refusal == 0)
            return handle;
        if (refusal != EBUSY || deadline_passed(limit))
            return refuse_busy(handle, refusal);
        // A signal does not cut the pause short: the wait is bounded, and
        // the daemon acts on its signals once the open has returned.
        sleep_whole(duration_ms(BUSY_RETRY_MS));
    }
}

int lcm_close(usb_dev_handle *handle)
{
    usb_release_interface(handle, LCM_INTERFACE);
    usb_close(handle);
    return 0;
}
