#include "lcm/usb_compat.h"

// FreeBSD's libusb 0.1 layer takes the name's size as int and answers 0 only
// when a driver is attached to the interface.
bool lcm_driver_attached(usb_dev_handle *handle, int interface)
{
    char name[256] = "";
    return usb_get_driver_np(handle, interface, name, static_cast<int>(sizeof name)) == 0;
}
