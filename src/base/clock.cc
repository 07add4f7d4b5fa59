#include "base/clock.h"

#include <cerrno>
#include <climits>
#include <poll.h>

namespace {

constexpr long NS_PER_SECOND = 1000000000L;

struct timespec now()
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t;
}

} // namespace

struct timespec duration_seconds(long seconds)
{
    return {seconds, 0};
}

struct timespec duration_ms(long milliseconds)
{
    return {milliseconds / 1000, milliseconds % 1000 * 1000000L};
}

struct timespec duration_us(long microseconds)
{
    return {microseconds / 1000000, microseconds % 1000000 * 1000L};
}

deadline deadline_after(const struct timespec &duration)
{
    deadline limit = {now()};
    limit.at.tv_sec += duration.tv_sec;
    limit.at.tv_nsec += duration.tv_nsec;
    if (limit.at.tv_nsec >= NS_PER_SECOND) {
        limit.at.tv_sec += 1;
        limit.at.tv_nsec -= NS_PER_SECOND;
    }
    return limit;
}

struct timespec time_left(const deadline &limit)
{
    const struct timespec t = now();
    struct timespec left = {limit.at.tv_sec - t.tv_sec, limit.at.tv_nsec - t.tv_nsec};
    if (left.tv_nsec < 0) {
        left.tv_sec -= 1;
        left.tv_nsec += NS_PER_SECOND;
    }
    if (left.tv_sec < 0)
        return {0, 0};
    return left;
}

bool deadline_passed(const deadline &limit)
{
    const struct timespec left = time_left(limit);
    return left.tv_sec == 0 && left.tv_nsec == 0;
}

int milliseconds_left(const deadline &limit)
{
    const struct timespec left = time_left(limit);
    if (left.tv_sec >= INT_MAX / 1000)
        return INT_MAX;
    return static_cast<int>(left.tv_sec * 1000 + left.tv_nsec / 1000000);
}

void sleep_whole(const struct timespec &duration)
{
    struct timespec left = duration;
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void wait_unless_signalled(int fd, const struct timespec *timeout, const sigset_t &mask)
{
    struct pollfd watched = {fd, POLLIN, 0};
    ppoll(&watched, fd >= 0 ? 1 : 0, timeout, &mask);
}
