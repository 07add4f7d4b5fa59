#include "exec/runner.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void exec_command(const char *command, int output, const command_run &run)
{
    if (run.block.active) {
        setpgid(0, 0);
        reset_signal_handlers();
    }
    sigprocmask(SIG_SETMASK, &run.block.previous, nullptr);
    if (output == STDOUT_FILENO)
        fcntl(output, F_SETFD, 0);
    else if (dup2(output, STDOUT_FILENO) < 0)
        _exit(127);
    closefrom(STDERR_FILENO + 1);
    execl("/bin/sh", "sh", "-c", command, static_cast<char *>(nullptr));
    _exit(127);
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
    run.pid = fork();
    if (run.pid == 0)
        exec_command(command, pipe_ends[1], run);
    close(pipe_ends[1]);
    if (run.pid < 0) {
        close(pipe_ends[0]);
        return false;
    }
    // Set here as well as in the child, so that the group exists before
    // anyone may signal it.
    if (run.block.active)
        setpgid(run.pid, run.pid);
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
