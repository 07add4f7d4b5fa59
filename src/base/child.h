#ifndef LIDGLOW_BASE_CHILD_H
#define LIDGLOW_BASE_CHILD_H

#include <csignal>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/types.h>

#include "base/clock.h"

// Starting a child and reaping it, for the shell of -c (exec/runner) and
// the picture decoder (decode/decoder). A child is started with
// posix_spawn: a forked copy of a process that maps SDL, FreeType and a
// font would cost more than the child's work, and the spawn does what the
// child needs before exec in the child, with nothing of ours run there.

// What a child is started with besides its program, arguments and
// environment: its descriptors and its signal state, set up in the order
// given. The first step that fails is remembered, and spawn_child then
// starts nothing.
struct spawn_plan {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    short flags;
    bool ready; // actions and attributes are initialised
    int error;  // the first failure's error number, 0 while all is well

    spawn_plan();
    ~spawn_plan();
    spawn_plan(const spawn_plan &) = delete;
    spawn_plan &operator=(const spawn_plan &) = delete;
};

void spawn_copy_descriptor(spawn_plan &plan, int from, int to);
void spawn_open(spawn_plan &plan, int fd, const char *path, int open_flags);
void spawn_close_from(spawn_plan &plan, int lowest);
void spawn_signal_mask(spawn_plan &plan, const sigset_t &mask);
void spawn_signal_defaults(spawn_plan &plan, const sigset_t &signals);
// A process group of its own, led by the child.
void spawn_own_group(spawn_plan &plan);

// Starts program with the plan. Returns 0 with pid set once the child
// runs, or the error number.
int spawn_child(spawn_plan &plan, const char *program, char *const arguments[],
                char *const environment[], pid_t &pid);

enum class child_state { running, ended, unknown };

// Looks without reaping: until a child is reaped, its process id cannot
// name another process or group.
child_state look_at_child(pid_t pid);

// Reaps the child if it has ended. True once it is reaped, or when it
// cannot be waited for.
bool reap_if_ended(pid_t pid);

// Waits for the child and reaps it. True when it was reaped; status and
// usage (each may be nullptr) then say how it ended.
bool reap_child(pid_t pid, int *status, struct rusage *usage);

// Ends the process group that the child leads: SIGTERM, then up to grace
// for the child to end, then SIGKILL for whatever is left of the group;
// the child is reaped. The wait for it lets through the signals that
// wait_mask does not block, so that SIGCHLD ends it early.
void end_group(pid_t pid, const struct timespec &grace, const sigset_t &wait_mask);

// How a contained child ended.
struct child_end {
    bool reaped = false;
    bool out_of_time = false; // killed here at the deadline
    int wait_status = 0;
    struct rusage usage = {};
};

// Waits for a child that leads its own process group and is not trusted to
// end: it is killed at once with kill_now, and at the deadline otherwise.
// Once it has ended, whatever it started in its group is killed, and it is
// reaped, so that no path leaves anything running or unreaped. No signal is
// needed to notice its end: it is looked at every check_interval.
child_end end_contained(pid_t pid, const deadline &limit, bool kill_now,
                        const struct timespec &check_interval);

#endif
