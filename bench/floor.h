/*
 * What both yardsticks do with the display, no more than lidglow must:
 * find it, open it, ask whether a kernel driver holds it (on FreeBSD only
 * this query shows uhid), claim it, send the two packets of a frame with
 * their pauses, release and close it.
 */
#ifndef BENCH_FLOOR_H
#define BENCH_FLOOR_H

#include <string.h>
#include <time.h>
#include <usb.h>

#define VENDOR_ID 0x0B05
#define PRODUCT_ID 0x1726
#define INTERFACE 0
#define ENDPOINT 2
#define TIMEOUT_MS 1000
#define PACKET_SIZE 272
#define PAUSE_NS 1000000L

static struct usb_device *find_display(void)
{
    usb_init();
    usb_find_busses();
    usb_find_devices();
    for (struct usb_bus *bus = usb_get_busses(); bus; bus = bus->next)
        for (struct usb_device *device = bus->devices; device; device = device->next)
            if (device->descriptor.idVendor == VENDOR_ID &&
                device->descriptor.idProduct == PRODUCT_ID)
                return device;
    return NULL;
}

/* The open and claimed display, or NULL. */
static usb_dev_handle *claim_display(struct usb_device *device)
{
    usb_dev_handle *handle = usb_open(device);
    char driver[256];
    if (!handle || usb_get_driver_np(handle, INTERFACE, driver, sizeof driver) == 0 ||
        usb_claim_interface(handle, INTERFACE) < 0)
        return NULL;
    return handle;
}

static void let_go(usb_dev_handle *handle)
{
    usb_release_interface(handle, INTERFACE);
    usb_close(handle);
}

/* The two packets of a static frame, every pixel byte set to pixels. */
static int send_packets(usb_dev_handle *handle, int pixels)
{
    for (int p = 0; p < 2; ++p) {
        char packet[PACKET_SIZE];
        memset(packet, pixels, sizeof packet);
        memset(packet, 0, 16);
        packet[0] = 0x55;
        packet[1] = (char)0xAA;
        packet[2] = (char)(0x10 + p);
        packet[3] = (char)0x80;
        packet[4] = 0x01;
        packet[5] = 0x01;
        packet[7] = 0x01;
        if (usb_bulk_write(handle, ENDPOINT, packet, PACKET_SIZE, TIMEOUT_MS) < 0)
            return -1;
        struct timespec pause = {0, PAUSE_NS};
        nanosleep(&pause, NULL);
    }
    return 0;
}

#endif
