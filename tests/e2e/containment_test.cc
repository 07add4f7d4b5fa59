// End-to-end test of the picture decoder's containment. A copy of lidglow
// in the run's directory finds beside it the tests' decoder, whose loader is
// the stand-in of standin_decoder.cc: each row has it try something a
// hostile picture could, and shows that it fails and that the run leaves
// nothing behind. Every row runs as root and as an ordinary user.

#include <gtest/gtest.h>
#include <linux/seccomp.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "harness.h"

namespace {

// The line of a decoder that the system call filter killed.
constexpr const char *FILTERED = "Cannot decode probe.png: the decoder tried a forbidden system call\n";

struct containment_case {
    const char *name;
    // Shell code that tests/e2e/scripts/containment.sh runs under the
    // virtual display in the run's directory T, with LG (the copy of
    // lidglow), RUN (the switch to the row's user), PORT (a loopback port
    // that listens), SCRIPTS (the scripts' directory) and probe WHAT
    // [ARGUMENT] (lidglow -f probe.png, the picture holding that probe).
    const char *script;
    int status;
    const char *out;
    const char *err;
};

void PrintTo(const containment_case &c, std::ostream *os)
{
    *os << c.name;
}

const containment_case CASES[] = {
    {"create_files", "mkdir -m 1777 \"$T/drop\"; probe create \"$T/drop/made\"; s=$?; ls -A \"$T/drop\"; exit $s",
     22, "", FILTERED},
    // Nothing may reach the listener either.
    {"connect_loopback", "probe connect $PORT", 22, "", FILTERED},
    {"fork", "probe fork", 22, "", FILTERED},
    // The shell in the pseudo-terminal runs a line typed into it, as the
    // control shows, before and after lidglow.
    {"type_into_terminal", ". \"$SCRIPTS/containment-terminal.sh\"", 22,
     "Cannot decode probe.png: the decoder tried a forbidden system call\ncontrol typed\n", ""},
    {"ptrace_parent", "probe ptrace", 22, "", FILTERED},
    {"kill_parent", "probe kill", 22, "", FILTERED},
    {"read_world_readable", "echo secret >\"$T/world\"; chmod 644 \"$T/world\"; probe read \"$T/world\"", 22, "",
     FILTERED},
    // AT_EMPTY_PATH with a path still looks the path up.
    {"stat_any_path", "probe stat /etc/passwd", 22, "",
     "probe stat: newfstatat Function not implemented, statx Function not implemented\n"},
    // Root's decoder has an empty directory as its root, removed before it
    // decodes.
    {"empty_root", ". \"$SCRIPTS/containment-empty-root.sh\"", 0, "root as expected\n", ""},
    // /dev/null, the reply pipe and the picture: not the display.
    {"descriptors", "probe descriptors", 22, "",
     "probe descriptors: 0:c1,3 1:c1,3 2:c1,3 3:pipe 4:file\n"},
    // A process that holds the reply pipe for 30 s delays the run by no
    // more than 2 s and is gone at the end: vdisplay would name a process
    // left behind.
    {"descendant_holds_pipe", R"(start=$(date +%s%N)
probe descendant; s=$?
[ $(($(date +%s%N) - start)) -lt 2000000000 ] || echo slow
exit $s)",
     0, "", ""},
    // lidglow killed while its decoder waits to open a FIFO.
    {"killed_during_fifo", ". \"$SCRIPTS/containment-killed-during-fifo.sh\"", 0, "waiting\ngone\n", ""},
};

enum class user { root, ordinary };

void PrintTo(user who, std::ostream *os)
{
    *os << (who == user::root ? "root" : "ordinary user");
}

// A loopback port that listens without accepting.
struct listener {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    int port = 0;
    listener()
    {
        struct sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (bind(fd, reinterpret_cast<struct sockaddr *>(&address), size) == 0 && listen(fd, 4) == 0 &&
            getsockname(fd, reinterpret_cast<struct sockaddr *>(&address), &size) == 0)
            port = ntohs(address.sin_port);
    }
    ~listener() { close(fd); }
    bool reached() const
    {
        const int connection = accept(fd, nullptr, nullptr);
        if (connection >= 0)
            close(connection);
        return connection >= 0 || errno != EAGAIN;
    }
};

// Installing a filter without a program fails with EFAULT only where the
// kernel has seccomp filters.
bool kernel_has_seccomp_filters()
{
    return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, nullptr, 0, 0) != 0 && errno == EFAULT;
}

class containment : public testing::TestWithParam<std::tuple<containment_case, user>> {};

TEST_P(containment, the_decoder_reaches_nothing)
{
    const containment_case &c = std::get<0>(GetParam());
    const user who = std::get<1>(GetParam());
    if (who == user::root && geteuid() != 0)
        GTEST_SKIP() << "the root rows need root: run the tests as root too";
    // The ordinary user runs copies in the run's directory, which anyone
    // can reach wherever the tree is.
    if (who == user::ordinary && geteuid() == 0 && access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "running as nobody needs setpriv: install util-linux";
    // Without the filter the other layers refuse with errors that differ
    // from kernel to kernel.
    const std::string expected = std::string(c.out) + c.err;
    if ((expected.find("forbidden system call") != std::string::npos ||
         expected.find("Function not implemented") != std::string::npos) &&
        !kernel_has_seccomp_filters())
        GTEST_SKIP() << "the kernel has no seccomp filters";
    const listener port;
    ASSERT_NE(port.port, 0);
    // An ordinary user's run needs the test bed open to it.
    const std::vector<std::string> options =
        who == user::ordinary ? std::vector<std::string>{"--shared"} : std::vector<std::string>{};
    const e2e::run_result r = e2e::run_script_file(
        options, "containment.sh",
        {std::to_string(port.port), who == user::ordinary ? e2e::unprivileged_prefix() : "", c.script},
        {{"DECODE_STANDIN", LIDGLOW_DECODE_STANDIN}, {"DECODER_RELATIVE_PATH", LIDGLOW_DECODER_RELATIVE_PATH}});
    ASSERT_EQ(r.harness_error, "");
    EXPECT_EQ(r.status, c.status) << r.summary();
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    EXPECT_FALSE(port.reached()) << "a connection reached the listener";
}

INSTANTIATE_TEST_SUITE_P(probes, containment,
                         testing::Combine(testing::ValuesIn(CASES), testing::Values(user::root, user::ordinary)),
                         [](const testing::TestParamInfo<std::tuple<containment_case, user>> &info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == user::root ? "_as_root" : "_as_user");
                         });

}  // namespace
