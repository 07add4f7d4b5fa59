#include "daemon/daemon.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <libutil.h>
#include <string>
#include <syslog.h>
#include <unistd.h>

#include "base/exit_status.h"
#include "daemon/handles.h"
#include "daemon/pid_file.h"
#include "exec/command.h"
#include "exec/signals.h"
#include "lcm/device.h"

namespace {

// Waits up to seconds, or less when SIGHUP or SIGTERM comes, including one
// that arrived just before the wait.
void pause_between_polls(int seconds)
{
    {
        const signal_block block;
        if (!terminate_requested && !hangup_received && seconds > 0) {
            const struct timespec timeout = {seconds, 0};
            wait_for_signal_or_input(block, -1, &timeout);
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

// Opens and locks the pid file into pid_handle, but only a file that the
// pid-file functions cannot turn against another: see pid_file. Returns 0
// to go on, with or without a pid file, or the status to end with.
int take_pid_file(const char *path)
{
    pid_file file;
    const pid_file_outcome found = open_pid_file(path, true, file);
    if (found == pid_file_outcome::refused)
        return PID_FILE_REFUSED;
    if (found != pid_file_outcome::opened) {
        std::fputs("Cannot open or create pidfile\n", stderr);
        return 0;
    }
    pid_t pid;
    if (read_pid_file(file, pid) == pid_contents::other)
        return refuse_pid_file(path, "it holds something other than a pid");
    if (file.replaceable)
        return refuse_pid_file(path, "others can replace it");

    pid_t other_pid = -1;
    pid_handle = pidfile_open(file.name.c_str(), PID_FILE_MODE, &other_pid);
    if (pid_handle == nullptr) {
        if (errno == EEXIST) {
            std::fprintf(stderr, "Daemon already running, pid: %jd\n",
                         static_cast<std::intmax_t>(other_pid));
            return STATUS_EXISTS;
        }
        std::fputs("Cannot open or create pidfile\n", stderr);
        return 0;
    }
    if (!same_file(file, pidfile_fileno(pid_handle))) {
        pidfile_close(pid_handle);
        pid_handle = nullptr;
        return refuse_pid_file(path, "others can replace it");
    }
    return 0;
}

} // namespace

int run_daemon(const char *command, int display_flags, const font_spec &font,
               struct usb_device *device, const char *pidfile_path, int poll_seconds)
{
    const std::string pidfile = absolute_path(pidfile_path);
    const std::string font_path = absolute_path(font.path);
    font_spec absolute_font = font;
    absolute_font.path = font_path.c_str();

    const int taken = take_pid_file(pidfile.c_str());
    if (taken != 0) {
        release_all();
        return taken;
    }

    install_signal_handlers();
    if (daemon(0, 0) != 0) {
        const int status = errno_status();
        std::fputs("Failed to daemonize!\n", stderr);
        release_all();
        return status;
    }
    // The pid first: until it is there, -k has to wait for it, and syslog
    // may be slow.
    if (pid_handle != nullptr)
        pidfile_write(pid_handle);
    syslog(LOG_INFO, "Daemon started, pid: %jd", static_cast<std::intmax_t>(getpid()));

    // The display is held only for the send: -k needs none, and other runs
    // of the program find it free while the command runs and in the pause.
    // Every poll still opens it once, which is how a display that has gone
    // ends the daemon.
    int status;
    for (;;) {
        if (display_handle != nullptr) {
            lcm_close(display_handle);
            display_handle = nullptr;
        }
        char text[COMMAND_TEXT_SIZE];
        status = read_command_line(command, text);
        if (terminate_requested)
            return terminate_daemon();
        if (status != 0)
            break;
        errno = 0;
        display_handle = lcm_open(device);
        if (display_handle == nullptr) {
            status = errno_status();
            break;
        }
        if (terminate_requested)
            return terminate_daemon();
        status = show_command_line(text, display_flags, absolute_font, true);
        if (terminate_requested)
            return terminate_daemon();
        if (status != 0)
            break;
        lcm_close(display_handle);
        display_handle = nullptr;
        pause_between_polls(poll_seconds);
        if (terminate_requested)
            return terminate_daemon();
    }
    syslog(LOG_ERR, "Daemon stopped: %s", std::strerror(status));
    release_all();
    return status;
}
