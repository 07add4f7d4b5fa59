#include "exec/runner.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "base/child.h"
#include "base/clock.h"

// Declared by no header on FreeBSD.
extern "C" char **environ;

namespace {

// How long a command may take to end after SIGTERM before it is killed.
constexpr long STOP_GRACE_MS = 1000;

// Without the daemon's handlers no SIGCHLD ends a wait, so a wait for output
// looks at the shell this often.
constexpr struct timespec CHILD_CHECK = {0, 100000000L};

// What the pipe holds when the shell's end cannot be counted: its usual
// capacity.
constexpr long PIPE_CAPACITY = 65536;

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
    spawn_plan plan;
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    spawn_signal_mask(plan, none);
    spawn_signal_defaults(plan, all);
    if (run.block.active)
        spawn_own_group(plan);
    spawn_copy_descriptor(plan, output, STDOUT_FILENO);
    spawn_close_from(plan, STDERR_FILENO + 1);
    char shell_name[] = "sh";
    char option[] = "-c";
    char *const argv[] = {shell_name, option, const_cast<char *>(command), nullptr};
    pid_t pid = -1;
    if (spawn_child(plan, "/bin/sh", argv, environ, pid) != 0)
        return -1;
    return pid;
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
            if (reap_if_ended(run.pid)) {
                run.exited = true;
                run.left = pending_bytes(run.output);
            } else {
                wait_for_signal_or_input(run.block, run.output, run.block.active ? nullptr : &CHILD_CHECK);
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
        while (!run.stopped && !run.exited && !reap_if_ended(run.pid)) {
            if (terminate_requested)
                run.stopped = true;
            else
                wait_for_signal_or_input(run.block, -1, nullptr);
        }
        if (run.stopped)
            end_group(run.pid, duration_ms(STOP_GRACE_MS), run.block.previous);
    } else if (!run.exited) {
        reap_child(run.pid, nullptr, nullptr);
    }
    run.pid = -1;
}
