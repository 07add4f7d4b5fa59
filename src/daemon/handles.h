#ifndef LIDGLOW_DAEMON_HANDLES_H
#define LIDGLOW_DAEMON_HANDLES_H

#include <SDL_ttf.h>
#include <usb.h>

struct pidfh;

// The process-wide handles: each is a single slot, empty when not held.
extern usb_dev_handle *display_handle;
extern struct pidfh *pid_handle;
extern TTF_Font *font_handle;

// Releases the font, the pid file (deleting it) and the display, each only
// if held, and empties each slot; a second call does nothing.
void release_all();

#endif
