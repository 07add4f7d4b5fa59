#ifndef LIDGLOW_EXEC_SIGNALS_H
#define LIDGLOW_EXEC_SIGNALS_H

#include <csignal>
#include <ctime>

// The daemon's signals. The handler only records what arrived; the loops
// that wait act on it.
extern volatile sig_atomic_t terminate_requested; // SIGTERM
extern volatile sig_atomic_t hangup_received;     // SIGHUP

// Installed for SIGHUP, SIGTERM and SIGCHLD; it only records the signal.
void handle_signal(int signal_number);

// Installs handle_signal without SA_RESTART, so that a signal ends a wait,
// and unblocks the handled signals, whatever mask we were started with.
// Until this is called the signals keep their default actions.
void install_signal_handlers();

// While a signal_block lives, the handled signals are held back except
// inside wait_for_signal_or_input, so that none can arrive between a check of the
// flags (or of a child) and the wait that follows it. Without installed
// handlers it blocks nothing.
struct signal_block {
    bool active;
    sigset_t previous;

    signal_block();
    ~signal_block();
    signal_block(const signal_block &) = delete;
    signal_block &operator=(const signal_block &) = delete;
};

// Waits until fd (when not -1) is readable, a handled signal arrives or the
// timeout (nullptr: none) has passed.
void wait_for_signal_or_input(const signal_block &block, int fd, const struct timespec *timeout);

#endif
