#include "decoder/decoder_program.h"

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <SDL_image.h>

#include "base/exit_status.h"
#include "decoder/decode_reply.h"
#include "decoder/parent_death.h"
#include "decoder/picture_guard.h"
#include "decoder/sandbox.h"
#include "render/frame.h"

namespace {

constexpr const char *UNPRIVILEGED_USER = "nobody";

// A fault must end the child by its signal, so that the parent can tell a
// crash: a sanitizer runtime would catch these signals and exit instead,
// and a caller may have left some of them ignored or blocked.
void restore_default_signals()
{
    const int fatal[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS, SIGTRAP, SIGXCPU, SIGPIPE};
    for (int number : fatal)
        signal(number, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

// Whatever descriptor the decoder was started with besides its reply stays
// out of its reach.
void close_other_descriptors(int keep)
{
    const int first = STDERR_FILENO + 1;
    for (int fd = first; fd < keep; ++fd)
        close(fd);
    closefrom(keep < first ? first : keep + 1);
}

[[noreturn]] void send_reply(int reply_fd, const decode_reply &reply)
{
    const std::string bytes = encode_reply(reply);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(reply_fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            _exit(1);
        done += static_cast<std::size_t>(written);
    }
    _exit(0);
}

[[noreturn]] void send_failure(int reply_fd, int status, const std::string &line)
{
    decode_reply reply;
    reply.status = status;
    reply.message = line;
    send_reply(reply_fd, reply);
}

// SDL's line for a failure, and where SDL has none, the error's own; the
// parent has no other way to show one.
[[noreturn]] void send_sdl_failure(int reply_fd, int status, const char *path)
{
    const std::string line = SDL_GetError();
    send_failure(reply_fd, status, line.empty() ? decode_failure_line(path, std::strerror(status)) : line);
}

// A failed system call: its errno is the status.
[[noreturn]] void send_system_failure(int reply_fd, const char *path, const char *what)
{
    const int status = errno_status();
    send_failure(reply_fd, status, decode_failure_line(path, std::string(what) + ": " + std::strerror(status)));
}

// Where root's decoder makes the directory that becomes its root. Nobody
// but root may rename or remove a directory of root's in it.
constexpr char EMPTY_ROOT_TEMPLATE[] = "/tmp/lidglow-decode.XXXXXX";

// Makes the root of the file system a fresh directory that is removed at
// once, before anything can be put in it: no name leads anywhere from it,
// and none can be made in it, should every other layer fail. Root only.
bool enter_empty_root(std::string &why)
{
    struct stat parent;
    if (lstat("/tmp", &parent) != 0 || !S_ISDIR(parent.st_mode) || parent.st_uid != 0 ||
        ((parent.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (parent.st_mode & S_ISVTX) == 0)) {
        errno = EPERM;
        why = "cannot make an empty root directory in /tmp: others could replace it";
        return false;
    }
    char directory[sizeof EMPTY_ROOT_TEMPLATE];
    std::memcpy(directory, EMPTY_ROOT_TEMPLATE, sizeof directory);
    if (mkdtemp(directory) == nullptr) {
        why = std::string("cannot make an empty root directory: ") + std::strerror(errno);
        return false;
    }
    const bool inside = chdir(directory) == 0;
    const int error = errno;
    // Ours, made just now and still empty.
    rmdir(directory);
    if (!inside || chroot(".") != 0 || chdir("/") != 0) {
        if (!inside)
            errno = error;
        why = std::string("cannot change root to an empty directory: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// Takes the unprivileged user and its group for good, with an empty
// directory as the root: the user is looked up first, while the user
// database can still be read.
bool drop_root(std::string &why)
{
    errno = 0;
    const struct passwd *user = getpwnam(UNPRIVILEGED_USER);
    if (user == nullptr) {
        why = std::string("there is no user ") + UNPRIVILEGED_USER + " to decode as";
        return false;
    }
    const uid_t uid = user->pw_uid;
    const gid_t gid = user->pw_gid;
    if (!enter_empty_root(why))
        return false;
    if (setgroups(1, &gid) != 0 || setgid(gid) != 0 || setuid(uid) != 0) {
        why = std::string("cannot give up root: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// Lowers a limit, never raising one that the caller set lower already.
bool lower_limit(int resource, rlim_t soft, rlim_t hard)
{
    struct rlimit limit;
    if (getrlimit(resource, &limit) != 0)
        return false;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < hard)
        hard = limit.rlim_max;
    limit.rlim_cur = soft < hard ? soft : hard;
    limit.rlim_max = hard;
    return setrlimit(resource, &limit) == 0;
}

// The soft CPU limit sends SIGXCPU; the hard one, a second later, kills a
// child that survived it. A crashing decoder leaves no core file, writes no
// file and, without root, starts no process.
bool set_limits()
{
    if (!lower_limit(RLIMIT_CPU, DECODER_CPU_SECONDS, DECODER_CPU_SECONDS + 1) ||
        !lower_limit(RLIMIT_CORE, 0, 0) || !lower_limit(RLIMIT_FSIZE, 0, 0) ||
        !lower_limit(RLIMIT_NPROC, 0, 0))
        return false;
    if (!DECODER_ADDRESS_LIMITED)
        return true;
    const rlim_t bytes = rlim_t(DECODER_MEMORY_MIB) << 20;
    return lower_limit(RLIMIT_AS, bytes, bytes);
}

} // namespace

void decoder_program_main(const char *path, int display_flags, int reply_fd, pid_t parent)
{
    restore_default_signals();
    close_other_descriptors(reply_fd);

    // Opened as IMG_Load opens it, before root is given up, so that the
    // messages and the type hint stay the same: some formats, such as TGA,
    // are known only by the file name's extension.
    errno = 0;
    SDL_RWops *source = SDL_RWFromFile(path, "rb");
    if (source == nullptr)
        send_sdl_failure(reply_fd, errno_status(), path);
    const char *dot = std::strrchr(path, '.');
    std::string type = dot != nullptr ? dot + 1 : "";

    // Decoder libraries that SDL_image loads on demand must be in before
    // the sandbox closes the file system.
    IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG | IMG_INIT_TIF | IMG_INIT_WEBP);

    std::string why;
    if (geteuid() == 0 && !drop_root(why))
        send_failure(reply_fd, errno_status(), decode_failure_line(path, why));
    // Giving up root cancelled the parent-death signal.
    if (!die_with_parent(parent))
        _exit(1);
    if (!set_limits())
        send_system_failure(reply_fd, path, "cannot limit the decoder");
    if (!sandbox_enter(reply_fd))
        send_system_failure(reply_fd, path, "cannot enter the sandbox");
    if (!picture_header_safe(source, why) || !picture_within_sdl_limits(source, why))
        send_failure(reply_fd, EINVAL, decode_failure_line(path, why));

    errno = 0;
    const surface_owner surface(IMG_LoadTyped_RW(source, 1, dot != nullptr ? &type[0] : nullptr));
    if (!surface) {
        const int status = errno_status();
        // Within the address limit a failed allocation is the limit's doing.
        if (DECODER_ADDRESS_LIMITED && status == ENOMEM)
            send_failure(reply_fd, ENOMEM,
                         decode_failure_line(path, "the decoder ran out of memory (limit " +
                                                       std::to_string(DECODER_MEMORY_MIB) + " MiB)"));
        send_sdl_failure(reply_fd, status, path);
    }
    if (surface->w <= 0 || surface->h <= 0)
        send_failure(reply_fd, EINVAL, "Cannot show a picture without pixels");

    // frame_from_surface would print its failures, to /dev/null here.
    if (!frame_surface_readable(surface.get(), why))
        send_failure(reply_fd, EINVAL, why);
    const frame_bytes frame = frame_from_surface(surface.get(), display_flags);
    if (!frame)
        send_failure(reply_fd, ENOMEM, "Out of memory!");
    decode_reply reply;
    const frame_size size = frame_geometry(display_flags, surface->w);
    reply.width = size.width;
    reply.height = size.height;
    reply.frame.assign(frame.get(), frame.get() + std::size_t(size.width) * size.height);
    reply.source_width = static_cast<unsigned>(surface->w);
    reply.source_height = static_cast<unsigned>(surface->h);
    const transparent_pixels transparent = frame_transparency(surface.get(), display_flags);
    reply.transparent_set = transparent.set;
    reply.transparent_clear = transparent.clear;
    send_reply(reply_fd, reply);
}
