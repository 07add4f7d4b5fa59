#include "daemon/stop.h"

#include <libutil.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/clock.h"
#include "base/exit_status.h"
#include "daemon/handles.h"
#include "daemon/pid_file.h"

namespace {

// How long -k waits for a starting daemon to write its pid, and how often
// it looks.
constexpr long PID_WAIT_MS = 2000;
constexpr long PID_LOOK_MS = 20;

// No daemon holds the file: one that a daemon left behind, empty or with
// its pid, is removed through the pid-file functions, which we may trust
// with its name only where nobody else can replace it. Anything else stays
// as it is.
int report_no_daemon(pid_file &file)
{
    std::fputs("Daemon not found!\n", stderr);
    pid_t pid;
    if (read_pid_file(file, pid) == pid_contents::other || file.replaceable)
        return STATUS_NO_DAEMON;
    flock(file.fd, LOCK_UN);
    pid_handle = pidfile_open(file.name.c_str(), PID_FILE_MODE, nullptr);
    if (pid_handle != nullptr) {
        if (same_file(file, pidfile_fileno(pid_handle)))
            pidfile_remove(pid_handle);
        else
            pidfile_close(pid_handle);
        pid_handle = nullptr;
    }
    return STATUS_NO_DAEMON;
}

int signal_daemon(pid_t pid)
{
    if (kill(pid, SIGTERM) != 0) {
        const int status = errno_status();
        std::fprintf(stderr, "%s\n", std::strerror(status));
        return status;
    }
    // The daemon's lock was found held, as "already running" says with
    // the same status.
    return STATUS_EXISTS;
}

} // namespace

int stop_daemon(const char *pidfile_path)
{
    pid_file file;
    switch (open_pid_file(pidfile_path, false, file)) {
    case pid_file_outcome::opened:
        break;
    case pid_file_outcome::absent:
        std::fputs("Daemon not found!\n", stderr);
        return STATUS_NO_DAEMON;
    case pid_file_outcome::refused:
        return PID_FILE_REFUSED;
    case pid_file_outcome::failed:
        return errno_status();
    }
    // The daemon locks its pid file before it detaches and writes its pid
    // after, so a file that is held may still be empty for a moment.
    const deadline limit = deadline_after(duration_ms(PID_WAIT_MS));
    for (;;) {
        if (flock(file.fd, LOCK_EX | LOCK_NB) == 0)
            return report_no_daemon(file);
        if (errno != EWOULDBLOCK && errno != EINTR)
            return errno_status();
        pid_t pid;
        switch (read_pid_file(file, pid)) {
        case pid_contents::pid:
            return signal_daemon(pid);
        case pid_contents::other:
            std::fprintf(stderr, "No usable pid in %s\n", pidfile_path);
            return STATUS_INVALID;
        case pid_contents::empty:
            break;
        }
        if (deadline_passed(limit)) {
            std::fprintf(stderr, "Daemon has not written its pid to %s\n", pidfile_path);
            return EAGAIN;
        }
        sleep_whole(duration_ms(PID_LOOK_MS));
    }
}
