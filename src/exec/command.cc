#include "exec/command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/exit_status.h"
#include "exec/runner.h"
#include "render/utf8.h"

char last_text[COMMAND_TEXT_SIZE];

namespace {

// The space class of the POSIX locale; bytes above 0x7F never count, so
// UTF-8 output passes through unchanged.
bool is_white_space(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads the first non-blank line of the command's output into text: white
// space before it is skipped, white space within it becomes spaces, and at
// most COMMAND_TEXT_SIZE - 1 bytes are kept. The rest of the output is not
// read, nor more than COMMAND_BLANK_MAX bytes of white space before the
// line. Returns 0, 2 when the command cannot be started, or EINTR when a
// stop was requested.
int read_first_line(const char *command, char *text, std::size_t &n)
{
    command_run run;
    if (!start_command(command, run)) {
        std::fputs("Failed to execute command!\n", stderr);
        return STATUS_NOT_FOUND;
    }
    char buffer[4096];
    std::size_t skipped = 0;
    bool line_done = false;
    while (!line_done) {
        const long got = read_command_output(run, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (long i = 0; i < got && !line_done; ++i) {
            const unsigned char c = static_cast<unsigned char>(buffer[i]);
            if (is_white_space(c) && n == 0) {
                line_done = ++skipped == COMMAND_BLANK_MAX;
                continue;
            }
            if (c == '\n') {
                line_done = true;
                break;
            }
            text[n++] = is_white_space(c) ? ' ' : static_cast<char>(c);
            line_done = n == COMMAND_TEXT_SIZE - 1;
        }
    }
    finish_command(run);
    return run.stopped ? EINTR : 0;
}

} // namespace

int read_command_line(const char *command, char (&text)[COMMAND_TEXT_SIZE])
{
    std::size_t n = 0;
    const int status = read_first_line(command, text, n);
    if (status != 0)
        return status;
    // The text as it will be shown: a NUL byte ends it, and a character cut
    // short is dropped, so that change detection compares what the display
    // shows.
    text[n] = '\0';
    text[utf8_whole_length(text)] = '\0';
    // A line that leaves nothing to show is no output, on the first poll as
    // on any later one.
    if (text[0] == '\0') {
        std::fputs("Nothing returned by the command!\n", stderr);
        return STATUS_INVALID;
    }
    return 0;
}

int show_command_line(const char *text, int display_flags, const font_spec &font,
                      bool change_detection)
{
    if (change_detection && std::strcmp(text, last_text) == 0)
        return 0;
    std::memcpy(last_text, text, std::strlen(text) + 1);
    return show_text(text, display_flags, font);
}

int show_command(const char *command, int display_flags, const font_spec &font,
                 bool change_detection)
{
    char text[COMMAND_TEXT_SIZE];
    const int status = read_command_line(command, text);
    if (status != 0)
        return status;
    return show_command_line(text, display_flags, font, change_detection);
}
