#include "lcm/usb_compat.h"

// Linux's libusb 0.1 and libusb-compat take the name's size as unsigned.
bool lcm_driver_attached(usb_dev_handle *handle, int interface)
{
    char name[256] = "";
    return usb_get_driver_np(handle, interface, name, static_cast<unsigned>(sizeof name)) == 0;
}
