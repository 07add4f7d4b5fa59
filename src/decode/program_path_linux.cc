#include "decode/program_path.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

std::string running_program_path()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length == static_cast<ssize_t>(sizeof path))
        errno = ENAMETOOLONG;
    if (length <= 0 || length == static_cast<ssize_t>(sizeof path))
        return "";
    return std::string(path, static_cast<std::size_t>(length));
}

// The request is forgotten whenever the credentials change, so that a
// process that gives up root must ask again.
bool die_with_parent(pid_t parent)
{
    return prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0) == 0 && getppid() == parent;
}
