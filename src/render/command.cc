#include "render/command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

char last_text[COMMAND_TEXT_SIZE];

namespace {

// The space class of the POSIX locale; bytes above 0x7F never count, so
// UTF-8 output passes through unchanged.
bool is_white_space(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

struct pipe_closer {
    void operator()(std::FILE *pipe) const { pclose(pipe); }
};

} // namespace

int show_command(const char *command, int display_flags, const font_spec &font,
                 bool change_detection)
{
    char text[COMMAND_TEXT_SIZE];
    std::size_t n = 0;
    {
        std::unique_ptr<std::FILE, pipe_closer> pipe(popen(command, "r"));
        if (!pipe) {
            std::fputs("Failed to execute command!\n", stderr);
            return 2;
        }
        while (n < COMMAND_TEXT_SIZE - 1) {
            errno = 0;
            const int c = std::fgetc(pipe.get());
            if (c == EOF) {
                // A signal for the daemon may interrupt the read; the
                // output is not over then.
                if (std::ferror(pipe.get()) && errno == EINTR) {
                    std::clearerr(pipe.get());
                    continue;
                }
                break;
            }
            if (is_white_space(c) && n == 0)
                continue;
            if (c == '\n')
                break;
            text[n++] = is_white_space(c) ? ' ' : static_cast<char>(c);
        }
        // Leaving the block closes the pipe and waits for the command.
    }
    if (n == 0) {
        std::fputs("Nothing returned by the command!\n", stderr);
        return 22;
    }
    text[n] = '\0';

    if (change_detection) {
        if (std::strcmp(text, last_text) == 0)
            return 0;
        std::memcpy(last_text, text, std::strlen(text) + 1);
    }
    return show_text(text, display_flags, font);
}
