#include "cli/getopt_compat.h"

#include <unistd.h>

// BSD getopt never permutes and would take a '+' for an option letter.
const char GETOPT_NO_PERMUTE[] = "";

void getopt_restart()
{
    optreset = 1;
    optind = 1;
}
