/*
 * poll-floor: the least a daemon poll must do, as a yardstick for lidglow's
 * own polls. Each poll runs the command through the shell with popen, reads
 * its first line and closes the pipe, then claims the display, sends the two
 * packets of a static frame when the line has changed, and lets it go (see
 * floor.h). It polls until it is killed.
 *
 * Like the daemon it runs in a session of its own: where the scheduler
 * groups processes by session (Linux's autogroups), a busy machine would
 * otherwise share the CPU out to the two differently.
 *
 * usage: poll-floor COMMAND
 */
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "floor.h"

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

        usb_dev_handle *handle = claim_display(device);
        if (!handle) {
            fputs("poll-floor: cannot claim the display\n", stderr);
            return 1;
        }
        if (strcmp(line, last) != 0) {
            strcpy(last, line);
            if (send_packets(handle, 0) != 0) {
                fputs("poll-floor: write failed\n", stderr);
                return 1;
            }
        }
        let_go(handle);
    }
}
