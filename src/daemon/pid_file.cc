#include "daemon/pid_file.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <limits>
#include <string_view>
#include <unistd.h>

namespace {

// Attempts at opening a name that changes under our feet.
constexpr int OPEN_ATTEMPTS = 3;

bool ours_or_roots(uid_t owner)
{
    return owner == 0 || owner == geteuid();
}

// Whether anyone but root and us may rename or remove an entry, owned by
// entry_owner, of this directory.
bool others_may_replace(const struct stat &directory, uid_t entry_owner)
{
    if (!ours_or_roots(directory.st_uid))
        return true;
    if ((directory.st_mode & (S_IWGRP | S_IWOTH)) == 0)
        return false;
    // In a sticky directory, such as /tmp, others only touch their own.
    return (directory.st_mode & S_ISVTX) == 0 || !ours_or_roots(entry_owner);
}

// Whether anyone but root and us could make a name in directory, an
// absolute path without symbolic links, lead to another file: by replacing
// the entry itself, owned by entry_owner, or a directory on the way.
bool replaceable_entry(const std::string &directory, uid_t entry_owner)
{
    struct stat parent;
    if (lstat("/", &parent) != 0)
        return true;
    std::size_t at = 1;
    while (at < directory.size()) {
        std::size_t end = directory.find('/', at);
        if (end == std::string::npos)
            end = directory.size();
        struct stat step;
        if (lstat(directory.substr(0, end).c_str(), &step) != 0 || !S_ISDIR(step.st_mode) ||
            others_may_replace(parent, step.st_uid))
            return true;
        parent = step;
        at = end + 1;
    }
    return others_may_replace(parent, entry_owner);
}

// The directory part of path with its links resolved, joined to the last
// component as given; empty on failure, with errno set.
std::string resolve_directory(const std::string &path, std::string &directory)
{
    const std::size_t slash = path.rfind('/');
    const std::string given = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    char *real = realpath(given.c_str(), nullptr);
    if (real == nullptr)
        return "";
    directory = real;
    std::free(real);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    return directory + (directory == "/" ? "" : "/") + base;
}

// Whether the path ends in "/", ".", or "..", or is empty.
bool names_a_directory(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    const std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return last.empty() || last == "." || last == "..";
}

} // namespace

pid_file::~pid_file()
{
    if (fd >= 0)
        close(fd);
}

int refuse_pid_file(const char *path, const char *reason)
{
    std::fprintf(stderr, "Refusing pid file %s: %s\n", path, reason);
    return PID_FILE_REFUSED;
}

pid_file_outcome open_pid_file(const char *path, bool create, pid_file &file)
{
    // A name that can only be a directory would be resolved as the
    // directory above it, or not at all.
    if (names_a_directory(path)) {
        refuse_pid_file(path, "it names a directory");
        return pid_file_outcome::refused;
    }
    std::string directory;
    file.name = resolve_directory(path, directory);
    if (file.name.empty())
        return pid_file_outcome::failed;

    // A file is looked at before it is opened, so that no device or FIFO is
    // ever opened; the open itself follows no link, and what it opened is
    // looked at again.
    for (int attempt = 1; file.fd < 0; ++attempt) {
        struct stat entry;
        if (lstat(file.name.c_str(), &entry) == 0) {
            if (S_ISLNK(entry.st_mode)) {
                refuse_pid_file(path, "it is a symbolic link");
                return pid_file_outcome::refused;
            }
            if (!S_ISREG(entry.st_mode)) {
                refuse_pid_file(path, "it is not a regular file");
                return pid_file_outcome::refused;
            }
            file.fd = open(file.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        } else if (errno != ENOENT) {
            return pid_file_outcome::failed;
        } else if (!create) {
            return pid_file_outcome::absent;
        } else if (replaceable_entry(directory, geteuid())) {
            refuse_pid_file(path, "others can replace it");
            return pid_file_outcome::refused;
        } else {
            file.fd = open(file.name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                           PID_FILE_MODE);
        }
        // The name changed between the look and the open: look again.
        const bool changed = errno == ENOENT || errno == EEXIST || errno == ELOOP || errno == EMLINK;
        if (file.fd < 0 && (!changed || attempt == OPEN_ATTEMPTS))
            return pid_file_outcome::failed;
    }

    if (fstat(file.fd, &file.status) != 0)
        return pid_file_outcome::failed;
    if (!S_ISREG(file.status.st_mode)) {
        refuse_pid_file(path, "it is not a regular file");
        return pid_file_outcome::refused;
    }
    if (file.status.st_nlink != 1) {
        refuse_pid_file(path, "it has more than one link");
        return pid_file_outcome::refused;
    }
    file.replaceable = replaceable_entry(directory, file.status.st_uid);
    return pid_file_outcome::opened;
}

pid_contents read_pid_file(const pid_file &file, pid_t &pid)
{
    char text[24];
    const ssize_t got = pread(file.fd, text, sizeof text, 0);
    if (got == 0)
        return pid_contents::empty;
    if (got < 0 || static_cast<std::size_t>(got) == sizeof text)
        return pid_contents::other;
    std::size_t length = static_cast<std::size_t>(got);
    if (text[length - 1] == '\n')
        --length;
    if (length == 0)
        return pid_contents::other;
    long long value = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9' || value > std::numeric_limits<pid_t>::max())
            return pid_contents::other;
        value = value * 10 + (text[i] - '0');
    }
    if (value <= 0 || value > std::numeric_limits<pid_t>::max())
        return pid_contents::other;
    pid = static_cast<pid_t>(value);
    return pid_contents::pid;
}

bool same_file(const pid_file &file, int fd)
{
    struct stat opened;
    return fd >= 0 && fstat(fd, &opened) == 0 && opened.st_dev == file.status.st_dev &&
           opened.st_ino == file.status.st_ino;
}
