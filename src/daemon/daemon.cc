#include "daemon/daemon.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <libutil.h>
#include <sys/select.h>
#include <syslog.h>
#include <unistd.h>

#include "cli/handles.h"
#include "lcm/device.h"
#include "lcm/status.h"
#include "render/command.h"

namespace {

constexpr mode_t PIDFILE_MODE = 0600;

volatile sig_atomic_t terminate_requested = 0;
volatile sig_atomic_t hangup_received = 0;

// Without SA_RESTART, so that a signal cuts the pause short and the loop
// gets to act on it.
void install_handlers()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = handle_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGHUP, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// Waits up to seconds, or less when SIGHUP or SIGTERM comes. The signals
// are blocked while the flags are checked and unblocked atomically by
// pselect, so one that arrives just before the wait still ends it.
void pause_between_polls(int seconds)
{
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGHUP);
    sigaddset(&blocked, SIGTERM);
    sigprocmask(SIG_BLOCK, &blocked, &previous);
    if (!terminate_requested && !hangup_received && seconds > 0) {
        struct timespec timeout = {seconds, 0};
        pselect(0, nullptr, nullptr, nullptr, &timeout, &previous);
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    hangup_received = 0;
}

int terminate_daemon()
{
    release_all();
    syslog(LOG_INFO, "Daemon terminated, pid: %jd", static_cast<std::intmax_t>(getpid()));
    return 0;
}

} // namespace

void handle_signal(int signal_number)
{
    if (signal_number == SIGTERM)
        terminate_requested = 1;
    else if (signal_number == SIGHUP)
        hangup_received = 1;
}

int run_daemon(const char *command, int display_flags, const font_spec &font,
               struct usb_device *device, const char *pidfile_path, int poll_seconds)
{
    pid_t other_pid = -1;
    pid_handle = pidfile_open(pidfile_path, PIDFILE_MODE, &other_pid);
    if (pid_handle == nullptr) {
        if (errno == EEXIST) {
            std::fprintf(stderr, "Daemon already running, pid: %jd\n",
                         static_cast<std::intmax_t>(other_pid));
            release_all();
            return EEXIST;
        }
        std::fputs("Cannot open or create pidfile\n", stderr);
    }

    install_handlers();
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
        status = show_command(command, display_flags, font, true);
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
