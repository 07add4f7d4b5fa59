#ifndef LIDGLOW_BASE_EXIT_STATUS_H
#define LIDGLOW_BASE_EXIT_STATUS_H

#include <cerrno>

// The status of a failure that is reported through errno. Some libraries
// fail without setting errno; a failure must never turn into status 0.
inline int errno_status()
{
    return errno != 0 ? errno : EINVAL;
}

#endif
