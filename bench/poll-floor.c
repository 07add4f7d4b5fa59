/*
 * poll-floor: the least a daemon poll must do, as a yardstick for lidglow's
 * own polls. Each poll runs the command through the shell with popen, reads
 * its first line and closes the pipe, then opens the display, asks whether a
 * kernel driver holds it (on FreeBSD only this query shows uhid), claims it,
 * sends the two packets of a static frame with their pauses when the line
 * has changed, releases and closes it. It polls until it is killed.
 *
 * Like the daemon it runs in a session of its own: where the scheduler
 * groups processes by session (Linux's autogroups), a busy machine would
 * otherwise share the CPU out to the two differently.
 *
 * usage: poll-floor COMMAND
 */
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>
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

static int send_packets(usb_dev_handle *handle)
{
    for (int p = 0; p < 2; ++p) {
        char packet[PACKET_SIZE];
        memset(packet, 0, sizeof packet);
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

int main(int argc, char **argv)
{
    if (argc != 2) {
        fputs("usage: poll-floor COMMAND\n", stderr);
        return 64;
    }
    setsid();
    struct usb_device *device = find_display();
    if (!device) {
        fputs("poll-floor: no display\n", stderr);
        return 1;
    }
    char last[1024] = "";
    for (;;) {
        char line[1024];
        FILE *output = popen(argv[1], "r");
        if (!output || !fgets(line, sizeof line, output)) {
            fputs("poll-floor: no output\n", stderr);
            return 1;
        }
        pclose(output);

        usb_dev_handle *handle = usb_open(device);
        char driver[256];
        if (!handle || usb_get_driver_np(handle, INTERFACE, driver, sizeof driver) == 0 ||
            usb_claim_interface(handle, INTERFACE) < 0) {
            fputs("poll-floor: cannot claim the display\n", stderr);
            return 1;
        }
        if (strcmp(line, last) != 0) {
            strcpy(last, line);
            if (send_packets(handle) != 0) {
                fputs("poll-floor: write failed\n", stderr);
                return 1;
            }
        }
        usb_release_interface(handle, INTERFACE);
        usb_close(handle);
    }
}
