#include "decode/program_path.h"

#include <sys/param.h>
#include <sys/procctl.h>
#include <sys/sysctl.h>
#include <signal.h>
#include <unistd.h>

std::string running_program_path()
{
    int name[] = {CTL_KERN, KERN_PROC, KERN_PROC_PATHNAME, -1};
    char path[PATH_MAX];
    std::size_t length = sizeof path;
    if (sysctl(name, 4, path, &length, nullptr, 0) != 0 || length == 0)
        return "";
    return std::string(path);
}

bool die_with_parent(pid_t parent)
{
    int signal_number = SIGKILL;
    return procctl(P_PID, 0, PROC_PDEATHSIG_CTL, &signal_number) == 0 && getppid() == parent;
}
