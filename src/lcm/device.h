#ifndef LIDGLOW_LCM_DEVICE_H
#define LIDGLOW_LCM_DEVICE_H

#include <usb.h>

constexpr int LCM_VENDOR_ID = 0x0B05;
constexpr int LCM_PRODUCT_ID = 0x1726;
constexpr int LCM_INTERFACE = 0;

// Searches every bus for the display; the record stays valid for the life
// of the process. Prints a message and returns nullptr when there is none.
struct usb_device *lcm_find();

// Opens the display and claims its interface. A claim refused as busy, by
// another process or a kernel driver, is tried again for about 2 seconds.
// Prints a message and returns nullptr on failure, with errno saying why;
// nothing stays open then.
usb_dev_handle *lcm_open(struct usb_device *device);

// Releases the interface and closes the handle. What the two calls report
// is ignored: the handle is gone either way, and a display that went away
// has nothing left to release. The result, 0, says nothing.
int lcm_close(usb_dev_handle *handle);

// The process-wide display: opened at start, closed and reopened around
// the daemon's pauses; empty when not held.
extern usb_dev_handle *display_handle;

#endif
