#include "decode/decoder.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "decode/decode_child.h"
#include "lcm/status.h"

namespace {

using clock_type = std::chrono::steady_clock;

// How often a child that has closed its pipe is looked at until it ends.
constexpr int REAP_INTERVAL_MS = 10;

struct fd_closer {
    int fd;
    ~fd_closer()
    {
        if (fd >= 0)
            close(fd);
    }
    fd_closer(const fd_closer &) = delete;
    fd_closer &operator=(const fd_closer &) = delete;
};

int milliseconds_left(clock_type::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock_type::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

enum class read_end { complete, deadline, too_long, failed };

// Collects the reply until the child closes its end of the pipe.
read_end read_reply(int fd, clock_type::time_point deadline, std::string &data)
{
    char buffer[16384];
    for (;;) {
        const int left = milliseconds_left(deadline);
        if (left == 0)
            return read_end::deadline;
        struct pollfd ready = {fd, POLLIN, 0};
        const int events = poll(&ready, 1, left);
        if (events < 0 && errno != EINTR)
            return read_end::failed;
        if (events <= 0)
            continue;
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return read_end::failed;
        if (got == 0)
            return read_end::complete;
        data.append(buffer, static_cast<std::size_t>(got));
        if (data.size() > decode_reply_limit())
            return read_end::too_long;
    }
}

struct child_end {
    bool reaped = false;
    bool out_of_time = false;  // killed here at the deadline
    int wait_status = 0;
    struct rusage usage = {};
};

// Waits for the child, killed first when stop is set and at the deadline
// otherwise, so that no path leaves it running or unreaped.
child_end reap(pid_t pid, clock_type::time_point deadline, bool stop)
{
    child_end end;
    if (stop)
        kill(pid, SIGKILL);
    bool block = stop;
    for (;;) {
        const pid_t done = wait4(pid, &end.wait_status, block ? 0 : WNOHANG, &end.usage);
        if (done == pid) {
            end.reaped = true;
            return end;
        }
        if (done < 0 && errno != EINTR)
            return end;
        if (done == 0 && milliseconds_left(deadline) == 0) {
            kill(pid, SIGKILL);
            end.out_of_time = true;
            block = true;
        } else if (done == 0) {
            poll(nullptr, 0, REAP_INTERVAL_MS);
        }
    }
}

double cpu_seconds(const struct rusage &usage)
{
    return double(usage.ru_utime.tv_sec) + double(usage.ru_stime.tv_sec) +
           (double(usage.ru_utime.tv_usec) + double(usage.ru_stime.tv_usec)) / 1e6;
}

// What ended a child that gave no usable reply.
std::string what_happened(read_end how, const child_end &end)
{
    if (how == read_end::deadline || end.out_of_time)
        return "the decoder did not finish within " + std::to_string(DECODER_DEADLINE_SECONDS) + " s";
    if (how == read_end::complete && end.reaped && WIFSIGNALED(end.wait_status)) {
        const int number = WTERMSIG(end.wait_status);
        // Past the soft CPU limit comes SIGXCPU, past the hard one SIGKILL.
        if (number == SIGXCPU || (number == SIGKILL && cpu_seconds(end.usage) >= DECODER_CPU_SECONDS))
            return "the decoder used more than " + std::to_string(DECODER_CPU_SECONDS) + " s of CPU time";
        return "the decoder crashed (signal " + std::to_string(number) + ")";
    }
    return "the decoder gave no usable answer";
}

decode_reply failure(int status, const std::string &line)
{
    std::fprintf(stderr, "%s\n", line.c_str());
    decode_reply reply;
    reply.status = status;
    return reply;
}

} // namespace

decode_reply decode_picture(const char *path, int display_flags)
{
    int ends[2];
    if (pipe(ends) != 0) {
        const int status = errno_status();
        return failure(status, decode_failure_line(path, std::string("cannot start the decoder: ") +
                                                             std::strerror(status)));
    }
    // An ignored SIGCHLD, inherited from the caller, would reap the child
    // before its status could be read.
    signal(SIGCHLD, SIG_DFL);
    // Output still buffered here would be written by both processes.
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(ends[0]);
        run_decode_child(path, display_flags, ends[1]);
    }
    const int fork_error = errno;
    close(ends[1]);
    const fd_closer reader{ends[0]};
    if (pid < 0) {
        const int status = fork_error != 0 ? fork_error : EINVAL;
        return failure(status, decode_failure_line(path, std::string("cannot start the decoder: ") +
                                                             std::strerror(status)));
    }

    const clock_type::time_point deadline = clock_type::now() + std::chrono::seconds(DECODER_DEADLINE_SECONDS);
    std::string data;
    const read_end how = read_reply(reader.fd, deadline, data);
    const child_end end = reap(pid, deadline, how != read_end::complete);

    decode_reply reply;
    const bool exited_cleanly = end.reaped && WIFEXITED(end.wait_status) && WEXITSTATUS(end.wait_status) == 0;
    if (how == read_end::complete && exited_cleanly && !end.out_of_time &&
        parse_reply(data, display_flags, reply)) {
        if (!reply.message.empty())
            std::fprintf(stderr, "%s\n", reply.message.c_str());
        return reply;
    }
    return failure(EINVAL, decode_failure_line(path, what_happened(how, end)));
}
