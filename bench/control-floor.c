/*
 * control-floor: the least a control run such as `lidglow -b` must do, as a
 * yardstick for lidglow's own: find the display, claim it, send the two
 * packets of a blank frame, let it go (see floor.h).
 *
 * usage: control-floor
 */
#include <stdio.h>

#include "floor.h"

int main(void)
{
    struct usb_device *device = find_display();
    if (!device) {
        fputs("control-floor: no display\n", stderr);
        return 1;
    }
    usb_dev_handle *handle = claim_display(device);
    if (!handle) {
        fputs("control-floor: cannot claim the display\n", stderr);
        return 1;
    }
    if (send_packets(handle, 0xFF) != 0) {
        fputs("control-floor: write failed\n", stderr);
        return 1;
    }
    let_go(handle);
    return 0;
}
