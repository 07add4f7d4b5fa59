#ifndef LIDGLOW_BASE_EXIT_STATUS_H
#define LIDGLOW_BASE_EXIT_STATUS_H

#include <cerrno>

// The exit statuses that the manual gives by number. Every other failure
// ends with the errno value of the call that failed, so these are errno
// numbers too, the same on Linux and FreeBSD.
constexpr int STATUS_SUCCESS = 0;
constexpr int STATUS_NOT_FOUND = 2;  // no display to open, no shell to start
constexpr int STATUS_NO_DAEMON = 3;  // -k found no daemon holding the pid file
constexpr int STATUS_EXISTS = 17;    // a daemon holds the pid file
constexpr int STATUS_INVALID = 22;   // input that cannot be shown or used

static_assert(STATUS_NOT_FOUND == ENOENT && STATUS_NO_DAEMON == ESRCH && STATUS_EXISTS == EEXIST &&
                  STATUS_INVALID == EINVAL,
              "the documented statuses are the errno numbers of Linux and FreeBSD");

// The status of a failure that is reported through errno. Some libraries
// fail without setting errno; a failure must never turn into status 0.
inline int errno_status()
{
    return errno != 0 ? errno : EINVAL;
}

#endif
