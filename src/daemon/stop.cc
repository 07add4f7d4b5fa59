#include "daemon/stop.h"

#include <grp.h>
#include <libutil.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
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

// Becomes the pid file's owner for good, with one group: the owner's
// primary group, or where the user database has no entry for the owner,
// the file's own. True once that is checked. Which processes a signal
// reaches depends on the user ids alone, so the owner's other groups,
// which only the group database knows, are left out.
bool become(uid_t owner, gid_t group)
{
    if (setgroups(1, &group) != 0 || setgid(group) != 0 || setuid(owner) != 0)
        return false;
    if (getuid() != owner || geteuid() != owner || getgid() != group || getegid() != group ||
        (owner != 0 && setuid(0) == 0)) {
        errno = EPERM;
        return false;
    }
    return true;
}

// kill(pid, SIGTERM) with the authority of the pid file's owner: from a
// child that has become the owner, when that is not who we are. Whoever
// may write the file can put any pid in it, so the signal reaches only
// what its owner could signal anyway. 0, or the errno of the failure.
int kill_as_owner(const struct stat &file, pid_t pid)
{
    if (file.st_uid == geteuid())
        return kill(pid, SIGTERM) == 0 ? 0 : errno_status();
    const struct passwd *entry = getpwuid(file.st_uid);
    const gid_t group = entry != nullptr ? entry->pw_gid : file.st_gid;
    const pid_t child = fork();
    if (child < 0)
        return errno_status();
    if (child == 0) {
        errno = 0;
        _exit(become(file.st_uid, group) && kill(pid, SIGTERM) == 0 ? 0 : errno_status());
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return errno_status();
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : ECHILD;
}

int signal_daemon(const pid_file &file, pid_t pid)
{
    const int status = kill_as_owner(file.status, pid);
    if (status != 0) {
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
            return signal_daemon(file, pid);
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
