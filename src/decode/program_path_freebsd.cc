#include "decode/program_path.h"

#include <sys/param.h>
#include <sys/sysctl.h>

std::string running_program_path()
{
    int name[] = {CTL_KERN, KERN_PROC, KERN_PROC_PATHNAME, -1};
    char path[PATH_MAX];
    std::size_t length = sizeof path;
    if (sysctl(name, 4, path, &length, nullptr, 0) != 0 || length == 0)
        return "";
    return std::string(path);
}
