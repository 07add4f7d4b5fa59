#ifndef LIDGLOW_CLI_DESCRIPTORS_H
#define LIDGLOW_CLI_DESCRIPTORS_H

// Opens /dev/null on each of the standard descriptors 0 to 2 that is
// closed. Otherwise the next file opened (the display, the pid file) would
// take that number and reach commands and messages as a standard stream.
// Returns false when one could not be opened.
bool open_standard_descriptors();

#endif
