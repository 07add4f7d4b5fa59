#ifndef LIDGLOW_DECODER_PARENT_DEATH_H
#define LIDGLOW_DECODER_PARENT_DEATH_H

#include <sys/types.h>

// Has the kernel kill the calling process when its parent ends. False when
// that cannot be asked for, or when the parent has ended already.
bool die_with_parent(pid_t parent);

#endif
