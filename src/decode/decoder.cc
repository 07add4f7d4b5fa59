#include "decode/decoder.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "base/child.h"
#include "base/clock.h"
#include "base/exit_status.h"
#include "base/fd_closer.h"
#include "decode/program_path.h"
#include "decoder/decoder_program.h"

namespace {

// How often the decoder is looked at while its pipe stays open: a process
// it started could hold the pipe open after the decoder has ended.
constexpr int CHECK_INTERVAL_MS = 10;

// The decoder program lies where the build placed it relative to this
// program, in the build tree as in an installation. The kernel's path of
// this program has no symbolic links, so each leading ".." of the relative
// path leaves one directory.
std::string decoder_program()
{
    std::string directory = running_program_path();
    if (directory.empty())
        return "";
    directory.erase(directory.rfind('/'));
    std::string_view relative = LIDGLOW_DECODER_RELATIVE_PATH;
    while (relative.substr(0, 3) == "../") {
        directory.erase(directory.rfind('/'));
        relative.remove_prefix(3);
    }
    return directory + "/" + std::string(relative);
}

// Starts the decoder with the reply pipe as its only descriptor besides
// /dev/null for the standard ones, and an empty environment. The error
// number, 0 when it runs.
int start_decoder(const std::string &program, const char *path, int display_flags, int reply_fd,
                  pid_t &pid)
{
    spawn_plan plan;
    spawn_copy_descriptor(plan, reply_fd, DECODER_REPLY_FD);
    spawn_open(plan, STDIN_FILENO, "/dev/null", O_RDWR);
    spawn_copy_descriptor(plan, STDIN_FILENO, STDOUT_FILENO);
    spawn_copy_descriptor(plan, STDIN_FILENO, STDERR_FILENO);
    spawn_close_from(plan, DECODER_REPLY_FD + 1);
    std::string parent = std::to_string(getpid());
    std::string flags = std::to_string(display_flags);
    std::string program_name = program;
    std::string file = path;
    char *arguments[] = {&program_name[0], &parent[0], &flags[0], &file[0], nullptr};
    char *environment[] = {nullptr};
    return spawn_child(plan, program.c_str(), arguments, environment, pid);
}

enum class read_end { complete, deadline, too_long, failed };

// Collects the reply until the pipe is closed, or until the decoder has
// ended and the pipe holds nothing more.
read_end read_reply(int fd, pid_t pid, const deadline &limit, std::string &data)
{
    char buffer[16384];
    bool ended = false;
    for (;;) {
        const int left = milliseconds_left(limit);
        if (left == 0)
            return read_end::deadline;
        // Whatever the decoder wrote before it ended is in the pipe by now.
        ended = ended || look_at_child(pid) != child_state::running;
        struct pollfd ready = {fd, POLLIN, 0};
        const int events = poll(&ready, 1, ended ? 0 : (left < CHECK_INTERVAL_MS ? left : CHECK_INTERVAL_MS));
        if (events < 0 && errno != EINTR)
            return read_end::failed;
        if (events == 0 && ended)
            return read_end::complete;
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

double cpu_seconds(const struct rusage &usage)
{
    return double(usage.ru_utime.tv_sec) + double(usage.ru_stime.tv_sec) +
           (double(usage.ru_utime.tv_usec) + double(usage.ru_stime.tv_usec)) / 1e6;
}

// What ended a decoder that gave no usable reply.
std::string what_happened(read_end how, const child_end &end)
{
    if (how == read_end::deadline || end.out_of_time)
        return "the decoder did not finish within " + std::to_string(DECODER_DEADLINE_SECONDS) + " s";
    if (how == read_end::complete && end.reaped && WIFSIGNALED(end.wait_status)) {
        const int number = WTERMSIG(end.wait_status);
        // Past the soft CPU limit comes SIGXCPU, past the hard one SIGKILL.
        if (number == SIGXCPU || (number == SIGKILL && cpu_seconds(end.usage) >= DECODER_CPU_SECONDS))
            return "the decoder used more than " + std::to_string(DECODER_CPU_SECONDS) + " s of CPU time";
        // The system call filter kills with SIGSYS.
        if (number == SIGSYS)
            return "the decoder tried a forbidden system call";
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

decode_reply cannot_start(const char *path, const std::string &program, int error)
{
    const int status = error != 0 ? error : EINVAL;
    std::string what = "cannot start the decoder";
    if (!program.empty())
        what += " " + program;
    return failure(status, decode_failure_line(path, what + ": " + std::strerror(status)));
}

} // namespace

decode_reply decode_picture(const char *path, int display_flags)
{
    errno = 0;
    const std::string program = decoder_program();
    if (program.empty())
        return cannot_start(path, program, errno);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return cannot_start(path, program, errno);
    const fd_closer reader{ends[0]};
    // Above the descriptors that the decoder's are set up in.
    fd_closer writer{fcntl(ends[1], F_DUPFD_CLOEXEC, DECODER_REPLY_FD + 1)};
    const int copy_error = errno;
    close(ends[1]);
    if (writer.fd < 0)
        return cannot_start(path, program, copy_error);
    // An ignored SIGCHLD, inherited from the caller, would reap the decoder
    // before its status could be read.
    signal(SIGCHLD, SIG_DFL);
    pid_t pid = -1;
    const int error = start_decoder(program, path, display_flags, writer.fd, pid);
    if (error != 0)
        return cannot_start(path, program, error);
    writer.reset();

    const deadline limit = deadline_after(duration_seconds(DECODER_DEADLINE_SECONDS));
    std::string data;
    const read_end how = read_reply(reader.fd, pid, limit, data);
    const child_end end =
        end_contained(pid, limit, how != read_end::complete, duration_ms(CHECK_INTERVAL_MS));

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
