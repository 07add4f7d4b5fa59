// A stand-in for SDL_image's loader, linked only into the tests' copy of
// lidglow-decode. The "picture" is a line "probe WHAT [ARGUMENT]" naming
// something a hostile picture could make a decoder try; the stand-in tries
// it where SDL_image would decode, inside every layer of containment, and
// its error names what came of it: "probe WHAT: done" or the reason it
// failed. A system call filter may kill it before it can say anything.

#include <SDL_image.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int LAST_FD = 63;

// lidglow, noted while the stand-in may still ask.
pid_t caller = 0;

std::string outcome(bool done)
{
    return done ? "done" : std::strerror(errno);
}

std::string try_create(const std::string &path)
{
    return outcome(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644) >= 0);
}

std::string try_connect(const std::string &port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return outcome(false);
    struct sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(std::atoi(port.c_str())));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return outcome(connect(fd, reinterpret_cast<struct sockaddr *>(&address), sizeof address) == 0);
}

std::string try_fork()
{
    const pid_t pid = fork();
    if (pid == 0) {
        pause();
        _exit(0);
    }
    return outcome(pid > 0);
}

// Types "touch PATH" and a line end into every terminal within reach.
std::string try_typing(const std::string &path)
{
    const std::string text = "touch " + path + "\n";
    const int tty = open("/dev/tty", O_RDWR | O_NOCTTY);
    std::string result = "/dev/tty " + outcome(tty >= 0);
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO, tty}) {
        if (fd < 0)
            continue;
        bool typed = true;
        for (char c : text)
            typed = typed && ioctl(fd, TIOCSTI, &c) == 0;
        result += ", TIOCSTI on " + std::to_string(fd) + " " + outcome(typed);
    }
    return result;
}

// Attaches to lidglow, then copies its descriptors.
std::string try_ptrace()
{
    const bool attached = ptrace(PTRACE_ATTACH, caller, nullptr, nullptr) == 0;
    std::string result = "attach " + outcome(attached);
    if (attached) {
        waitpid(caller, nullptr, 0);
        ptrace(PTRACE_DETACH, caller, nullptr, nullptr);
    }
    const long pidfd = syscall(SYS_pidfd_open, caller, 0);
    int copied = 0;
    for (int fd = 0; pidfd >= 0 && fd <= LAST_FD; ++fd)
        copied += syscall(SYS_pidfd_getfd, pidfd, fd, 0) >= 0;
    return result + ", pidfd " + outcome(pidfd >= 0) + ", " + std::to_string(copied) + " copied";
}

// Looks a path up the ways that fstat takes too, with AT_EMPTY_PATH.
std::string try_stat(const std::string &path)
{
    struct stat status;
    const bool looked = syscall(SYS_newfstatat, AT_FDCWD, path.c_str(), &status, AT_EMPTY_PATH) == 0;
    std::string result = "newfstatat " + outcome(looked);
    struct statx extended;
    return result + ", statx " +
           outcome(syscall(SYS_statx, AT_FDCWD, path.c_str(), AT_EMPTY_PATH, STATX_BASIC_STATS, &extended) == 0);
}

// fstat as the system call, which the C library may make as a lookup of an
// empty path instead.
int plain_fstat(int fd, struct stat *status)
{
    return static_cast<int>(syscall(SYS_fstat, fd, status));
}

std::string try_kill()
{
    return outcome(kill(caller, SIGKILL) == 0);
}

std::string try_read(const std::string &path)
{
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return outcome(false);
    char text[64] = {};
    if (read(fd, text, sizeof text - 1) < 0)
        return outcome(false);
    std::string line = text;
    return "read " + line.substr(0, line.find('\n'));
}

// Every open descriptor and what it is: c for a character device with its
// numbers, pipe or file.
std::string list_descriptors()
{
    std::string result;
    for (int fd = 0; fd <= LAST_FD; ++fd) {
        struct stat status;
        if (plain_fstat(fd, &status) != 0)
            continue;
        result += (result.empty() ? "" : " ") + std::to_string(fd) + ":";
        if (S_ISCHR(status.st_mode))
            result += "c" + std::to_string(major(status.st_rdev)) + "," + std::to_string(minor(status.st_rdev));
        else if (S_ISFIFO(status.st_mode))
            result += "pipe";
        else if (S_ISREG(status.st_mode))
            result += "file";
        else
            result += "other";
    }
    return result;
}

// The picture, seen without moving its descriptor: the decoder has it open
// as its only regular file.
std::string picture_text()
{
    for (int fd = 0; fd <= LAST_FD; ++fd) {
        struct stat status;
        char text[256] = {};
        if (plain_fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && pread(fd, text, sizeof text - 1, 0) > 0)
            return text;
    }
    return "";
}

} // namespace

// Runs before the sandbox. For "probe descendant" it starts a process that
// holds the reply pipe for half a minute, as a decoder on a platform that
// let it start one could.
int IMG_Init(int flags)
{
    caller = getppid();
    if (picture_text().rfind("probe descendant", 0) == 0 && fork() == 0) {
        sleep(30);
        _exit(0);
    }
    return flags;
}

SDL_Surface *IMG_LoadTyped_RW(SDL_RWops *source, int free_source, char *)
{
    // Closed as SDL_image closes it, once the probe is over.
    const struct source_closer {
        SDL_RWops *source;
        int free_source;
        ~source_closer()
        {
            if (free_source)
                SDL_RWclose(source);
        }
    } closer{source, free_source};
    char text[256] = {};
    SDL_RWread(source, text, 1, sizeof text - 1);
    std::string what = text, argument;
    what.erase(what.find_last_not_of('\n') + 1);
    if (what.rfind("probe ", 0) != 0) {
        SDL_SetError("not a probe");
        return nullptr;
    }
    what.erase(0, 6);
    if (const std::size_t space = what.find(' '); space != std::string::npos) {
        argument = what.substr(space + 1);
        what.erase(space);
    }
    // A picture of white pixels.
    if (what == "descendant") {
        SDL_Surface *surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 128, 32, 8, 0, 0, 0, 0);
        if (surface != nullptr) {
            SDL_Color white = {255, 255, 255, 0};
            SDL_SetColors(surface, &white, 0, 1);
            std::memset(surface->pixels, 0, std::size_t(surface->pitch) * surface->h);
        }
        return surface;
    }
    const std::string result = what == "create"        ? try_create(argument)
                               : what == "connect"     ? try_connect(argument)
                               : what == "fork"        ? try_fork()
                               : what == "tty"         ? try_typing(argument)
                               : what == "ptrace"      ? try_ptrace()
                               : what == "kill"        ? try_kill()
                               : what == "read"        ? try_read(argument)
                               : what == "stat"        ? try_stat(argument)
                               : what == "descriptors" ? list_descriptors()
                                                       : "unknown";
    SDL_SetError("probe %s: %s", what.c_str(), result.c_str());
    errno = EINVAL;
    return nullptr;
}
