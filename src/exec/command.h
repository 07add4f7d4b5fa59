#ifndef LIDGLOW_EXEC_COMMAND_H
#define LIDGLOW_EXEC_COMMAND_H

#include <cstddef>

#include "render/text.h"

constexpr std::size_t COMMAND_TEXT_SIZE = 1024;

// White space skipped before the first line, at most: a command that writes
// blank lines without end, such as yes '', has printed nothing after these
// bytes, one pipe's worth.
constexpr std::size_t COMMAND_BLANK_MAX = 65536;

// The line shown last: the daemon's change detection compares with it.
extern char last_text[COMMAND_TEXT_SIZE];

// Reads the first non-blank line of a shell command's output into text, as
// the display would show it. Needs no display, so that callers can leave it
// to others while the command runs.
int read_command_line(const char *command, char (&text)[COMMAND_TEXT_SIZE]);

// Shows a line that read_command_line gave. With change detection, a line
// equal to the one shown last is not sent again.
int show_command_line(const char *text, int display_flags, const font_spec &font,
                      bool change_detection);

// Both of the above, on the display held all along.
int show_command(const char *command, int display_flags, const font_spec &font,
                 bool change_detection);

#endif
