#ifndef LIDGLOW_CLI_DISPATCH_H
#define LIDGLOW_CLI_DISPATCH_H

#include <usb.h>

#include "cli/cmdline.h"

#include "render/text.h"

// The font and the poll period that the request asks for, defaults filled in.
font_spec request_font(const cmdline &request);
int request_poll_seconds(const cmdline &request);

// Whether the mode needs the display: every one but -k, which only signals
// the daemon.
bool request_needs_display(const cmdline &request);

// Fills in the defaults and runs the one mode the request asks for, on the
// display already held in display_handle (none for -k). Returns the mode's
// status.
int run_mode(const cmdline &request, struct usb_device *device);

#endif
