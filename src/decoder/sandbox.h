#ifndef LIDGLOW_DECODER_SANDBOX_H
#define LIDGLOW_DECODER_SANDBOX_H

// Takes from the calling process whatever the platform can take once every
// file it needs is open: afterwards it reads what it holds open, writes to
// reply_fd and its standard descriptors, uses memory and exits. A layer that
// the kernel lacks is left out; false, with errno set, when one that it
// offers could not be entered.
bool sandbox_enter(int reply_fd);

#endif
