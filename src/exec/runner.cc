#include "exec/runner.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

// Declared by no header on FreeBSD.
extern "C" char **environ;

namespace {

// How long a command may take to end after SIGTERM before it is killed.
constexpr long STOP_GRACE_NS = 1000000000L;

// Without the daemon's handlers no SIGCHLD ends a wait, so a wait for output
// looks at the shell this often.
constexpr struct timespec CHILD_CHECK = {0, 100000000L};

// What the pipe holds when the shell's end cannot be counted: its usual
// capacity.
constexpr long PIPE_CAPACITY = 65536;

struct timespec now()
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t;
}

long nanoseconds_between(const struct timespec &from, const struct timespec &to)
{
    return (to.tv_sec - from.tv_sec) * 1000000000L + (to.tv_nsec - from.tv_nsec);
}

// The spawn's settings, released when it has been made.
struct spawn_setup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    bool ready;

    spawn_setup()
    {
        ready = posix_spawn_file_actions_init(&actions) == 0;
        if (ready && posix_spawnattr_init(&attributes) != 0) {
            posix_spawn_file_actions_destroy(&actions);
            ready = false;
        }
    }
    ~spawn_setup()
    {
        if (ready) {
            posix_spawnattr_destroy(&attributes);
            posix_spawn_file_actions_destroy(&actions);
        }
    }
    spawn_setup(const spawn_setup &) = delete;
    spawn_setup &operator=(const spawn_setup &) = delete;
};

// Starts /bin/sh -c command with output as its standard output. A forked
// copy of a process that maps SDL, FreeType and the font would cost more
// than the command itself; posix_spawn starts the child with vfork
// semantics and does in it what the command needs before exec: its own
// process group under the daemon's handlers, every signal at its default
// action and none blocked, and nothing open but 0, 1 and 2. We resume only
// once it has exec'd, so its group exists before anyone may signal it.
//
// The signals are reset whatever we inherited: a service manager may start
// us with SIGPIPE ignored, and a command that ignores it writes on into a
// closed pipe forever, while our own handlers must never reach it.
pid_t spawn_shell(const char *command, int output, const command_run &run)
{
    spawn_setup setup;
    if (!setup.ready)
        return -1;
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    bool ok = posix_spawnattr_setsigmask(&setup.attributes, &none) == 0 &&
              posix_spawnattr_setsigdefault(&setup.attributes, &all) == 0;
    if (run.block.active) {
        flags |= POSIX_SPAWN_SETPGROUP;
        ok = ok && posix_spawnattr_setpgroup(&setup.attributes, 0) == 0;
    }
    ok = ok && posix_spawnattr_setflags(&setup.attributes, flags) == 0
         && posix_spawn_file_actions_adddup2(&setup.actions, output, STDOUT_FILENO) == 0
         && posix_spawn_file_actions_addclosefrom_np(&setup.actions, STDERR_FILENO + 1) == 0;
    if (!ok)
        return -1;
    char shell_name[] = "sh";
    char option[] = "-c";
    char *const argv[] = {shell_name, option, const_cast<char *>(command), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, "/bin/sh", &setup.actions, &setup.attributes, argv, environ) != 0)
        return -1;
    return pid;
}

// True once the child has been reaped (or cannot be waited for).
bool reaped(pid_t pid)
{
    int status;
    const pid_t result = waitpid(pid, &status, WNOHANG);
    return result == pid || (result < 0 && errno != EINTR);
}

// Ends the command's whole process group: SIGTERM, a grace, then SIGKILL
// for whatever is left of it.
void end_group(command_run &run)
{
    kill(-run.pid, SIGTERM);
    const struct timespec start = now();
    bool done = reaped(run.pid);
    while (!done) {
        const long left = STOP_GRACE_NS - nanoseconds_between(start, now());
        if (left <= 0)
            break;
        const struct timespec timeout = {left / 1000000000L, left % 1000000000L};
        wait_for_signal(run.block, -1, &timeout);
        done = reaped(run.pid);
    }
    kill(-run.pid, SIGKILL);
    int status;
    if (!done)
        while (waitpid(run.pid, &status, 0) < 0 && errno == EINTR) {
        }
}

// True when a read of fd would not block: data, or the end of the output.
bool output_ready(int fd)
{
    struct pollfd watched = {fd, POLLIN, 0};
    return poll(&watched, 1, 0) > 0;
}

// The bytes the pipe holds now.
long pending_bytes(int fd)
{
    int count = 0;
    if (ioctl(fd, FIONREAD, &count) != 0)
        return PIPE_CAPACITY;
    return count;
}

} // namespace

bool start_command(const char *command, command_run &run)
{
    int pipe_ends[2];
    if (pipe2(pipe_ends, O_CLOEXEC) != 0)
        return false;
    // With our standard output closed the pipe may take its place; it is
    // moved up, so that the dup2 onto it in the child is a real copy that
    // stays open across exec.
    if (pipe_ends[1] <= STDERR_FILENO) {
        const int moved = fcntl(pipe_ends[1], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        close(pipe_ends[1]);
        if (moved < 0) {
            close(pipe_ends[0]);
            return false;
        }
        pipe_ends[1] = moved;
    }
    run.pid = spawn_shell(command, pipe_ends[1], run);
    close(pipe_ends[1]);
    if (run.pid < 0) {
        close(pipe_ends[0]);
        return false;
    }
    run.output = pipe_ends[0];
    return true;
}

long read_command_output(command_run &run, char *buffer, std::size_t size)
{
    for (;;) {
        if (run.block.active && terminate_requested) {
            run.stopped = true;
            return -1;
        }
        // Once the shell has gone, what it left in the pipe is read and no
        // more: background jobs that keep the pipe open are not waited for.
        if (run.exited) {
            if (run.left <= 0 || !output_ready(run.output))
                return 0;
            if (size > static_cast<std::size_t>(run.left))
                size = static_cast<std::size_t>(run.left);
        } else if (!output_ready(run.output)) {
            if (reaped(run.pid)) {
                run.exited = true;
                run.left = pending_bytes(run.output);
            } else {
                wait_for_signal(run.block, run.output, run.block.active ? nullptr : &CHILD_CHECK);
            }
            continue;
        }
        const ssize_t got = read(run.output, buffer, size);
        if (got >= 0) {
            if (run.exited)
                run.left -= got;
            return static_cast<long>(got);
        }
        if (errno != EINTR && errno != EAGAIN)
            return 0;
    }
}

void finish_command(command_run &run)
{
    if (run.output >= 0)
        close(run.output);
    run.output = -1;
    if (run.pid <= 0)
        return;
    if (run.block.active) {
        while (!run.stopped && !run.exited && !reaped(run.pid)) {
            if (terminate_requested)
                run.stopped = true;
            else
                wait_for_signal(run.block, -1, nullptr);
        }
        if (run.stopped)
            end_group(run);
    } else if (!run.exited) {
        int status;
        while (waitpid(run.pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    run.pid = -1;
}
