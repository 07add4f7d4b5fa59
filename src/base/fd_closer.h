#ifndef LIDGLOW_BASE_FD_CLOSER_H
#define LIDGLOW_BASE_FD_CLOSER_H

#include <unistd.h>

// Owns a descriptor and closes it when it goes out of scope, so that no
// early return leaks one into a child; -1 owns nothing.
struct fd_closer {
    int fd;

    explicit fd_closer(int owned = -1)
        : fd(owned)
    {
    }
    ~fd_closer() { reset(); }
    void reset()
    {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
    fd_closer(const fd_closer &) = delete;
    fd_closer &operator=(const fd_closer &) = delete;
};

#endif
