#ifndef LIDGLOW_LCM_USB_COMPAT_H
#define LIDGLOW_LCM_USB_COMPAT_H

#include <usb.h>

// Whether a kernel driver holds the interface, asked before it is claimed.
// FreeBSD's libusb accepts any claim and only this query shows uhid there;
// on Linux the query would name our own usbfs claim once we hold one.
bool lcm_driver_attached(usb_dev_handle *handle, int interface);

#endif
