#ifndef LIDGLOW_DAEMON_PID_FILE_H
#define LIDGLOW_DAEMON_PID_FILE_H

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

constexpr mode_t PID_FILE_MODE = 0600;

// The status of a pid file that is refused.
constexpr int PID_FILE_REFUSED = ELOOP;

// A pid file as found before the pid-file functions touch it. The functions
// open, truncate and remove by name and follow symbolic links, so the file
// is checked first: opened without following a link, a regular file with a
// single name. They may be given that name only when nobody but root and
// us can make it lead elsewhere.
struct pid_file {
    std::string name;         // the path through the file's real directory
    int fd = -1;              // read-only, or read-write if we created it
    struct stat status = {};
    bool replaceable = false; // someone else could put another file at name

    pid_file() = default;
    ~pid_file();
    pid_file(const pid_file &) = delete;
    pid_file &operator=(const pid_file &) = delete;
};

enum class pid_file_outcome {
    opened,
    absent,  // no file, and none was to be created
    refused, // after "Refusing pid file PATH: REASON"
    failed,  // errno says why
};

// Opens the pid file at path; with create, one that is absent is created
// empty, unless others could replace it. Messages name the path as given.
pid_file_outcome open_pid_file(const char *path, bool create, pid_file &file);

// Prints "Refusing pid file PATH: REASON" and returns PID_FILE_REFUSED.
int refuse_pid_file(const char *path, const char *reason);

enum class pid_contents {
    empty,
    pid,   // a decimal number above 0, optionally followed by a newline
    other,
};

// What the file holds now; for a pid, the pid.
pid_contents read_pid_file(const pid_file &file, pid_t &pid);

// True when fd is open on the checked file.
bool same_file(const pid_file &file, int fd);

#endif
