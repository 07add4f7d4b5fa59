#include "decode/program_path.h"

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
