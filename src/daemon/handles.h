#ifndef LIDGLOW_DAEMON_HANDLES_H
#define LIDGLOW_DAEMON_HANDLES_H

struct pidfh;

// The pid file's slot. The display's slot lives with the device code and
// the font's with the font code; this room is the lowest that sees all
// three, so release_all lives here too.
extern struct pidfh *pid_handle;

// Releases the font, the pid file (deleting it) and the display, each only
// if held, and empties each slot; a second call does nothing.
void release_all();

#endif
