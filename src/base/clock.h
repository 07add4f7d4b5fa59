#ifndef LIDGLOW_BASE_CLOCK_H
#define LIDGLOW_BASE_CLOCK_H

#include <csignal>
#include <ctime>

// Every reading of the clock and every sleep of the programs is here, and
// the wait that a signal cuts short. Time runs on the monotonic clock, which
// a change of the system's date does not move.

// Durations, as the system calls take them.
struct timespec duration_seconds(long seconds);
struct timespec duration_ms(long milliseconds);
struct timespec duration_us(long microseconds);

// A point in time that something must happen by.
struct deadline {
    struct timespec at;
};

deadline deadline_after(const struct timespec &duration);
bool deadline_passed(const deadline &limit);

// What is left until the deadline: nothing once it has passed.
struct timespec time_left(const deadline &limit);

// The whole milliseconds left, for poll(2): 0 once less than one is left.
int milliseconds_left(const deadline &limit);

// Sleeps for the whole duration, going back to sleep after a signal: the
// pauses that the display and the loops need, which a signal must not cut
// short.
void sleep_whole(const struct timespec &duration);

// Waits until fd (when not -1) is readable, a signal that mask lets through
// arrives, or the timeout (nullptr: none) has passed. Unlike sleep_whole,
// a signal ends this wait: it is how the daemon hears SIGTERM, SIGHUP and
// SIGCHLD while it waits (see exec/signals.h).
void wait_unless_signalled(int fd, const struct timespec *timeout, const sigset_t &mask);

#endif
