#ifndef LIDGLOW_DAEMON_STOP_H
#define LIDGLOW_DAEMON_STOP_H

// Asks the daemon that holds the pid file to terminate.
int stop_daemon(const char *pidfile_path);

#endif
