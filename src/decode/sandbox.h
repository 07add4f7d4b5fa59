#ifndef LIDGLOW_DECODE_SANDBOX_H
#define LIDGLOW_DECODE_SANDBOX_H

// Takes from the calling process whatever the platform can take without a
// policy of its own, once every file it needs is open. False, with errno
// set, when the platform offers a sandbox and entering it failed.
bool sandbox_enter();

#endif
