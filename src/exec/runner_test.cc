#include "exec/runner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

std::string with_descriptor(const char *format, int fd)
{
    char command[256];
    std::snprintf(command, sizeof command, format, fd);
    return command;
}

// Without the daemon's handlers, as a single -c runs: the whole output is
// read, however it is written, and the command inherits no descriptor of
// ours but the standard ones. %d is a descriptor left open here without
// close-on-exec.
TEST(Runner, ReadsTheWholeOutputAndLeaksNothing)
{
    const struct {
        const char *name;
        const char *command;
        std::string output;
    } cases[] = {
        {"several writes", "printf a; printf 'b\\000c'; printf d", std::string("ab\0cd", 5)},
        {"no output", "exit 3", ""},
        {"descriptor left open", "(: <&%d) 2>/dev/null && echo leaked || echo closed", "closed\n"},
    };
    const int leaked = open("/dev/null", O_RDONLY);
    ASSERT_GE(leaked, 3);
    ASSERT_LE(leaked, 9) << "a shell can name descriptors 0-9 only";
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string command = with_descriptor(c.command, leaked);
        command_run run;
        ASSERT_TRUE(start_command(command.c_str(), run));
        std::string output;
        char buffer[3];
        long got;
        while ((got = read_command_output(run, buffer, sizeof buffer)) > 0)
            output.append(buffer, static_cast<std::size_t>(got));
        finish_command(run);
        EXPECT_EQ(got, 0);
        EXPECT_EQ(output, c.output);
        EXPECT_EQ(run.pid, -1);
    }
    close(leaked);
}

} // namespace
