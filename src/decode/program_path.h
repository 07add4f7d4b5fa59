#ifndef LIDGLOW_DECODE_PROGRAM_PATH_H
#define LIDGLOW_DECODE_PROGRAM_PATH_H

#include <sys/types.h>

#include <string>

// The file of the running program as the kernel knows it, every symbolic
// link resolved; empty, with errno set, when the kernel cannot tell.
std::string running_program_path();

// Has the kernel kill the calling process when its parent ends. False when
// that cannot be asked for, or when the parent has ended already.
bool die_with_parent(pid_t parent);

#endif
