#ifndef LIDGLOW_DECODE_PROGRAM_PATH_H
#define LIDGLOW_DECODE_PROGRAM_PATH_H

#include <string>

// The file of the running program as the kernel knows it, every symbolic
// link resolved; empty, with errno set, when the kernel cannot tell.
std::string running_program_path();

#endif
