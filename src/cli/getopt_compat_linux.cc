#include "cli/getopt_compat.h"

#include <unistd.h>

// glibc permutes operands to the end unless the option string starts with
// '+', and starts over completely when optind is set to 0.
const char GETOPT_NO_PERMUTE[] = "+";

void getopt_restart()
{
    optind = 0;
}
