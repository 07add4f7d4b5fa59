#include "decoder/parent_death.h"

#include <sys/procctl.h>
#include <signal.h>
#include <unistd.h>

bool die_with_parent(pid_t parent)
{
    int signal_number = SIGKILL;
    return procctl(P_PID, 0, PROC_PDEATHSIG_CTL, &signal_number) == 0 && getppid() == parent;
}
