// lidglow-decode: decodes one picture for lidglow and lidglow-preview. It is
// a program of its own so that the decoder starts in a fresh address space:
// it holds no copy of its caller's memory, and the caller never loads
// SDL_image. The caller starts it as
//   lidglow-decode CALLER-PID DISPLAY-FLAGS FILE
// with /dev/null as its standard descriptors, the reply pipe as descriptor
// 3 and an empty environment.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "decoder/decoder_program.h"
#include "decoder/parent_death.h"

namespace {

constexpr int STATUS_USAGE = 64;

bool read_number(const char *text, long &value)
{
    char *end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= 0;
}

} // namespace

int main(int argc, char **argv)
{
    long parent = 0, display_flags = 0;
    if (argc != 4 || !read_number(argv[1], parent) || !read_number(argv[2], display_flags) ||
        fcntl(DECODER_REPLY_FD, F_GETFD) < 0) {
        std::fputs("lidglow-decode decodes pictures for lidglow and is started by it\n", stderr);
        return STATUS_USAGE;
    }
    // Nobody would read the reply.
    if (!die_with_parent(static_cast<pid_t>(parent)))
        _exit(1);
    // Without a controlling terminal nothing can be typed into one.
    setsid();
    decoder_program_main(argv[3], static_cast<int>(display_flags), DECODER_REPLY_FD,
                     static_cast<pid_t>(parent));
}
