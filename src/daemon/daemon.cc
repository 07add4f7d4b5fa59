#include "daemon/daemon.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <libutil.h>
#include <string>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include "daemon/handles.h"
#include "exec/command.h"
#include "exec/signals.h"
#include "lcm/device.h"
#include "lcm/status.h"

namespace {

constexpr mode_t PIDFILE_MODE = 0600;

// Waits up to seconds, or less when SIGHUP or SIGTERM comes, including one
// that arrived just before the wait.
void pause_between_polls(int seconds)
{
    {
        const signal_block block;
        if (!terminate_requested && !hangup_received && seconds > 0) {
            const struct timespec timeout = {seconds, 0};
            wait_for_signal(block, -1, &timeout);
        }
    }
    hangup_received = 0;
}

int terminate_daemon()
{
    release_all();
    syslog(LOG_INFO, "Daemon terminated, pid: %jd", static_cast<std::intmax_t>(getpid()));
    return 0;
}

// The daemon works from "/", so a relative path is made absolute from the
// directory it was started in; the last component stays as the user named
// it.
std::string absolute_path(const char *path)
{
    if (path[0] == '/')
        return path;
    char *directory = getcwd(nullptr, 0);
    if (directory == nullptr)
        return path;
    std::string absolute(directory);
    std::free(directory);
    if (absolute.empty() || absolute.back() != '/')
        absolute += '/';
    return absolute + path;
}

// pidfile_open follows a symbolic link and truncates its target, which as
// root could be any file; such a pid file is refused before it is opened.
int refuse_linked_pidfile(const char *path)
{
    struct stat st;
    if (lstat(path, &st) != 0 || !S_ISLNK(st.st_mode))
        return 0;
    std::fprintf(stderr, "Refusing pid file %s: it is a symbolic link\n", path);
    return ELOOP;
}

} // namespace

int run_daemon(const char *command, int display_flags, const font_spec &font,
               struct usb_device *device, const char *pidfile_path, int poll_seconds)
{
    const std::string pidfile = absolute_path(pidfile_path);
    const std::string font_path = absolute_path(font.path);
    font_spec absolute_font = font;
    absolute_font.path = font_path.c_str();

    const int refused = refuse_linked_pidfile(pidfile.c_str());
    if (refused != 0) {
        release_all();
        return refused;
    }
    pid_t other_pid = -1;
    pid_handle = pidfile_open(pidfile.c_str(), PIDFILE_MODE, &other_pid);
    if (pid_handle == nullptr) {
        if (errno == EEXIST) {
            std::fprintf(stderr, "Daemon already running, pid: %jd\n",
                         static_cast<std::intmax_t>(other_pid));
            release_all();
            return EEXIST;
        }
        std::fputs("Cannot open or create pidfile\n", stderr);
    }

    install_signal_handlers();
    if (daemon(0, 0) != 0) {
        const int status = errno_status();
        std::fputs("Failed to daemonize!\n", stderr);
        release_all();
        return status;
    }
    syslog(LOG_INFO, "Daemon started, pid: %jd", static_cast<std::intmax_t>(getpid()));
    if (pid_handle != nullptr)
        pidfile_write(pid_handle);

    int status;
    for (;;) {
        status = show_command(command, display_flags, absolute_font, true);
        if (terminate_requested)
            return terminate_daemon();
        if (status != 0)
            break;
        // Other runs of the program may use the display between polls.
        lcm_close(display_handle);
        display_handle = nullptr;
        pause_between_polls(poll_seconds);
        if (terminate_requested)
            return terminate_daemon();
        errno = 0;
        display_handle = lcm_open(device);
        if (display_handle == nullptr) {
            status = errno_status();
            break;
        }
        if (terminate_requested)
            return terminate_daemon();
    }
    syslog(LOG_ERR, "Daemon stopped: %s", std::strerror(status));
    release_all();
    return status;
}

int stop_daemon(const char *pidfile_path)
{
    const int refused = refuse_linked_pidfile(pidfile_path);
    if (refused != 0)
        return refused;
    pid_t other_pid = -1;
    pid_handle = pidfile_open(pidfile_path, PIDFILE_MODE, &other_pid);
    if (pid_handle != nullptr) {
        std::fputs("Daemon not found!\n", stderr);
        pidfile_remove(pid_handle);
        pid_handle = nullptr;
        return 3;
    }
    if (errno == EEXIST && other_pid > 0) {
        if (kill(other_pid, SIGTERM) != 0)
            std::fprintf(stderr, "%s\n", std::strerror(errno));
    }
    return errno_status();
}
