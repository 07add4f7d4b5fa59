#include "lcm/device.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "lcm/usb_compat.h"

namespace {

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
    // A kernel driver shows only through the query on FreeBSD, where any
    // claim succeeds; elsewhere the claim itself is refused.
    if (lcm_driver_attached(handle, LCM_INTERFACE))
        return refuse_busy(handle, EBUSY);
    if (usb_claim_interface(handle, LCM_INTERFACE) < 0)
        return refuse_busy(handle, errno);
    return handle;
}

int lcm_close(usb_dev_handle *handle)
{
    usb_release_interface(handle, LCM_INTERFACE);
    usb_close(handle);
    return 0;
}
