#include "base/child.h"

#include <cerrno>
#include <sys/wait.h>

namespace {

void remember(spawn_plan &plan, int error)
{
    if (plan.error == 0)
        plan.error = error;
}

} // namespace

spawn_plan::spawn_plan()
    : flags(0), ready(false)
{
    error = posix_spawn_file_actions_init(&actions);
    if (error != 0)
        return;
    error = posix_spawnattr_init(&attributes);
    if (error != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return;
    }
    ready = true;
}

spawn_plan::~spawn_plan()
{
    if (ready) {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
}

void spawn_copy_descriptor(spawn_plan &plan, int from, int to)
{
    if (plan.error == 0)
        remember(plan, posix_spawn_file_actions_adddup2(&plan.actions, from, to));
}

void spawn_open(spawn_plan &plan, int fd, const char *path, int open_flags)
{
    if (plan.error == 0)
        remember(plan, posix_spawn_file_actions_addopen(&plan.actions, fd, path, open_flags, 0));
}

void spawn_close_from(spawn_plan &plan, int lowest)
{
    if (plan.error == 0)
        remember(plan, posix_spawn_file_actions_addclosefrom_np(&plan.actions, lowest));
}

void spawn_signal_mask(spawn_plan &plan, const sigset_t &mask)
{
    if (plan.error == 0)
        remember(plan, posix_spawnattr_setsigmask(&plan.attributes, &mask));
    plan.flags |= POSIX_SPAWN_SETSIGMASK;
}

void spawn_signal_defaults(spawn_plan &plan, const sigset_t &signals)
{
    if (plan.error == 0)
        remember(plan, posix_spawnattr_setsigdefault(&plan.attributes, &signals));
    plan.flags |= POSIX_SPAWN_SETSIGDEF;
}

void spawn_own_group(spawn_plan &plan)
{
    if (plan.error == 0)
        remember(plan, posix_spawnattr_setpgroup(&plan.attributes, 0));
    plan.flags |= POSIX_SPAWN_SETPGROUP;
}

int spawn_child(spawn_plan &plan, const char *program, char *const arguments[],
                char *const environment[], pid_t &pid)
{
    if (plan.error == 0)
        remember(plan, posix_spawnattr_setflags(&plan.attributes, plan.flags));
    if (plan.error != 0)
        return plan.error;
    return posix_spawn(&pid, program, &plan.actions, &plan.attributes, arguments, environment);
}

child_state look_at_child(pid_t pid)
{
    for (;;) {
        siginfo_t info = {};
        if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0)
            return info.si_pid == pid ? child_state::ended : child_state::running;
        if (errno != EINTR)
            return child_state::unknown;
    }
}

bool reap_if_ended(pid_t pid)
{
    int status;
    const pid_t result = waitpid(pid, &status, WNOHANG);
    return result == pid || (result < 0 && errno != EINTR);
}

bool reap_child(pid_t pid, int *status, struct rusage *usage)
{
    int ignored;
    for (;;) {
        const pid_t done = wait4(pid, status != nullptr ? status : &ignored, 0, usage);
        if (done == pid)
            return true;
        if (done < 0 && errno != EINTR)
            return false;
    }
}

void end_group(pid_t pid, const struct timespec &grace, const sigset_t &wait_mask)
{
    kill(-pid, SIGTERM);
    const deadline limit = deadline_after(grace);
    bool done = reap_if_ended(pid);
    while (!done && !deadline_passed(limit)) {
        const struct timespec left = time_left(limit);
        wait_unless_signalled(-1, &left, wait_mask);
        done = reap_if_ended(pid);
    }
    kill(-pid, SIGKILL);
    if (!done)
        reap_child(pid, nullptr, nullptr);
}

child_end end_contained(pid_t pid, const deadline &limit, bool kill_now,
                        const struct timespec &check_interval)
{
    child_end end;
    if (kill_now)
        kill(pid, SIGKILL);
    child_state state;
    while ((state = look_at_child(pid)) == child_state::running) {
        if (milliseconds_left(limit) == 0 && !end.out_of_time) {
            kill(pid, SIGKILL);
            end.out_of_time = true;
        }
        sleep_whole(check_interval);
    }
    if (state == child_state::ended)
        kill(-pid, SIGKILL);
    end.reaped = reap_child(pid, &end.wait_status, &end.usage);
    return end;
}
