#include "lcm/device.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

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
    if (usb_claim_interface(handle, LCM_INTERFACE) < 0) {
        // Whoever holds the interface keeps it; our handle must not linger.
        // The caller may still want the errno of the refused claim.
        const int saved_errno = errno;
        usb_close(handle);
        std::fputs("\"kldunload uhid\" and try again.\n", stderr);
        errno = saved_errno;
        return nullptr;
    }
    return handle;
}

int lcm_close(usb_dev_handle *handle)
{
    usb_release_interface(handle, LCM_INTERFACE);
    usb_close(handle);
    return 0;
}
