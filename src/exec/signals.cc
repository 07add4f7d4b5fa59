#include "exec/signals.h"

#include <cstring>

#include "base/clock.h"

volatile sig_atomic_t terminate_requested = 0;
volatile sig_atomic_t hangup_received = 0;

namespace {

const int HANDLED_SIGNALS[] = {SIGHUP, SIGTERM, SIGCHLD};

bool installed = false;

void set_action(void (*handler)(int))
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (int signal_number : HANDLED_SIGNALS)
        sigaction(signal_number, &action, nullptr);
}

} // namespace

void handle_signal(int signal_number)
{
    if (signal_number == SIGTERM)
        terminate_requested = 1;
    else if (signal_number == SIGHUP)
        hangup_received = 1;
    // SIGCHLD needs no record: it only ends a wait for a child.
}

void install_signal_handlers()
{
    set_action(handle_signal);
    // Some supervisors and shells start programs with signals blocked; the
    // daemon must still hear the ones it answers.
    sigset_t handled;
    sigemptyset(&handled);
    for (int signal_number : HANDLED_SIGNALS)
        sigaddset(&handled, signal_number);
    sigprocmask(SIG_UNBLOCK, &handled, nullptr);
    installed = true;
}

signal_block::signal_block()
    : active(installed)
{
    sigemptyset(&previous);
    sigset_t blocked;
    sigemptyset(&blocked);
    if (active)
        for (int signal_number : HANDLED_SIGNALS)
            sigaddset(&blocked, signal_number);
    sigprocmask(SIG_BLOCK, &blocked, &previous);
}

signal_block::~signal_block()
{
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

void wait_for_signal_or_input(const signal_block &block, int fd, const struct timespec *timeout)
{
    wait_unless_signalled(fd, timeout, block.previous);
}
