#include "daemon/pid_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstdio>
#include <fcntl.h>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int remove_entry(const char *path, const struct stat *, int, struct FTW *)
{
    return remove(path);
}

// A directory of its own, removed with what the tests put in it.
struct scratch_directory {
    std::string path;
    scratch_directory()
    {
        const char *base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base ? base : "/tmp") + "/lidglow-pid.XXXXXX";
        if (mkdtemp(&pattern[0]) != nullptr)
            path = pattern;
    }
    ~scratch_directory()
    {
        if (!path.empty())
            nftw(path.c_str(), remove_entry, 8, FTW_DEPTH | FTW_PHYS);
    }
};

void write_file(const std::string &path, const std::string &contents)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, contents.data(), contents.size()), static_cast<ssize_t>(contents.size()));
    close(fd);
}

// Only a whole positive pid that fits, with at most one newline, is a pid:
// -k must never signal what a stray or forged file names.
TEST(PidFile, ReadsOnlyAWholePid)
{
    const struct {
        const char *name;
        std::string contents;
        pid_contents expected;
        pid_t pid;
    } cases[] = {
        {"empty", "", pid_contents::empty, 0},
        {"pid", "123", pid_contents::pid, 123},
        {"pid and newline", "4567\n", pid_contents::pid, 4567},
        {"newline alone", "\n", pid_contents::other, 0},
        {"two newlines", "12\n\n", pid_contents::other, 0},
        {"zero", "0\n", pid_contents::other, 0},
        {"negative", "-1\n", pid_contents::other, 0},
        {"trailing junk", "12x\n", pid_contents::other, 0},
        {"too large", "99999999999\n", pid_contents::other, 0},
        {"too long", std::string(30, '1'), pid_contents::other, 0},
    };
    scratch_directory directory;
    ASSERT_FALSE(directory.path.empty());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = directory.path + "/pid";
        write_file(path, c.contents);
        pid_file file;
        ASSERT_EQ(open_pid_file(path.c_str(), false, file), pid_file_outcome::opened);
        pid_t pid = 0;
        EXPECT_EQ(read_pid_file(file, pid), c.expected);
        if (c.expected == pid_contents::pid) {
            EXPECT_EQ(pid, c.pid);
        }
    }
}

// Whoever may rename entries of a directory on the way can put another file
// at the pid file's name: a directory writable by others, unless it is
// sticky and the entry ours.
TEST(PidFile, SeesWhoCanReplaceIt)
{
    const struct {
        const char *name;
        mode_t mode;      // of the scratch directory
        const char *file; // in it
        bool replaceable;
    } cases[] = {
        {"private", 0700, "pid", false},
        {"group may write", 0770, "pid", true},
        {"all may write", 0777, "pid", true},
        {"sticky", 01777, "pid", false},
        {"directory on the way", 0777, "inner/pid", true},
        {"sticky on the way", 01777, "inner/pid", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        scratch_directory directory;
        ASSERT_FALSE(directory.path.empty());
        ASSERT_EQ(mkdir((directory.path + "/inner").c_str(), 0700), 0);
        const std::string path = directory.path + "/" + c.file;
        write_file(path, "");
        {
            pid_file file;
            ASSERT_EQ(open_pid_file(path.c_str(), false, file), pid_file_outcome::opened);
            if (file.replaceable)
                GTEST_SKIP() << "others can replace what is in " << directory.path << " already";
        }
        ASSERT_EQ(chmod(directory.path.c_str(), c.mode), 0);
        pid_file file;
        ASSERT_EQ(open_pid_file(path.c_str(), false, file), pid_file_outcome::opened);
        EXPECT_EQ(file.replaceable, c.replaceable);
    }
}

} // namespace
