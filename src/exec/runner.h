#ifndef LIDGLOW_EXEC_RUNNER_H
#define LIDGLOW_EXEC_RUNNER_H

#include <cstddef>
#include <sys/types.h>

#include "exec/signals.h"

// A shell command running in a child of ours, its standard output on a pipe.
// Unlike popen this knows the child's pid and which descriptors it gets: our
// standard input and error, the pipe as standard output, and nothing else,
// so that the pid file, the font and the device never leak into commands
// and their background children. The command starts with every signal at
// its default action and none blocked, whatever we were started with.
//
// Where the daemon's signal handlers are installed the command gets a
// process group of its own, and a SIGTERM ends reading and waiting at once:
// the command's group is sent SIGTERM and, after a grace of a second,
// SIGKILL. Elsewhere the command stays in our group, so that it can read
// from the terminal and Ctrl-C reaches it, and we wait for it as pclose
// does.
struct command_run {
    pid_t pid = -1;
    int output = -1;
    bool stopped = false; // a stop was requested while it ran
    bool exited = false;  // the shell has ended and been reaped
    long left = 0;        // once it has, the bytes it left in the pipe
    signal_block block;
};

// Starts /bin/sh -c command. False when no child could be started.
bool start_command(const char *command, command_run &run);

// Reads what the command has written, waiting for it if need be. The output
// ends when the pipe is closed or, once the shell has ended, when what it
// left in the pipe is read: background jobs that still hold the pipe are
// not waited for. Returns the number of bytes, 0 at the end of the output,
// or -1 when a stop was requested.
long read_command_output(command_run &run, char *buffer, std::size_t size);

// Closes the output, so that a command still writing gets SIGPIPE, and
// reaps the shell if that is still to do; after a stop request it ends the
// command's group first.
void finish_command(command_run &run);

#endif
