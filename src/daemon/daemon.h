#ifndef LIDGLOW_DAEMON_DAEMON_H
#define LIDGLOW_DAEMON_DAEMON_H

#include <usb.h>

#include "render/text.h"

// Detaches and shows the command's output every poll_seconds until an
// error ends the loop or SIGTERM ends the daemon.
int run_daemon(const char *command, int display_flags, const font_spec &font,
               struct usb_device *device, const char *pidfile_path,
               int poll_seconds);

#endif
