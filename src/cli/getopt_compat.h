#ifndef LIDGLOW_CLI_GETOPT_COMPAT_H
#define LIDGLOW_CLI_GETOPT_COMPAT_H

// What the platform's getopt needs in front of the option letters so that
// parsing stops at the first operand.
extern const char GETOPT_NO_PERMUTE[];

// Makes the next getopt call start over at argv[1].
void getopt_restart();

#endif
