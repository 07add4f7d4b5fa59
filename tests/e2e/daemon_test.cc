// End-to-end tests of the daemon (-c ... -D) and of the stop request (-k).
// Each test runs a shell script on the virtual display that starts the
// daemon, watches it through its pid file, /proc and the captured syslog
// records, and stops it again; the script reports what it saw as key=value
// lines on standard output.

#include "harness.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char FONT[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Shell functions shared by the scripts. alive treats a zombie as dead,
// since nobody may be left to reap the detached daemon.
const char PRELUDE[] = R"SH(
T=$E2E_TMPDIR
P=$T/d.pid
alive() { [ -r /proc/$1/status ] && ! grep -q '^State:[[:space:]]*Z' /proc/$1/status; }
wait_until() { i=0; while ! eval "$1"; do i=$((i+1)); [ $i -gt 400 ] && return 1; sleep 0.025; done; }
count() { n=$(grep -c "$1" "$T/events.log" 2>/dev/null); echo "${n:-0}"; }
claims() { count ' claim 0$'; }
bulks() { count ' bulk '; }
daemon_pid() { wait_until '[ -s "$P" ]' && cat "$P"; }
# Commands that record their pid in $T/cmd and then exec sleep: once they
# sleep, only what they inherited is open.
SLEEP=$(readlink -f "$(command -v sleep)")
sleeping() { wait_until '[ -s "$T/cmd" ] && [ "$(readlink /proc/$(cat "$T/cmd")/exe)" = "$SLEEP" ]'; }
fds_of() { ls /proc/$1/fd | sort -n | tr '\n' ' '; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
)SH";

// The records are captured in a mount namespace of the script's own, which
// takes root or a user namespace. Without either, an ordinary user skips
// these tests and is told why; root must always have the capture.
const std::string &syslog_problem()
{
    static const std::string problem = geteuid() == 0 ? "" : e2e::syslog_capture_problem();
    return problem;
}

#define NEEDS_SYSLOG_CAPTURE()                                                     \
    do {                                                                           \
        if (!syslog_problem().empty())                                             \
            GTEST_SKIP() << "syslog capture needs root or a user namespace; "      \
                         << syslog_problem();                                      \
    } while (0)

std::map<std::string, std::string> report_of(const std::string &out)
{
    std::map<std::string, std::string> values;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

e2e::run_result run_daemon_script(const std::string &body,
                                  std::vector<std::string> options = {})
{
    options.push_back("--syslog");
    options.push_back("@TMP@/syslog");
    return e2e::run_script(options, std::string(PRELUDE) + body);
}

// The records whose text contains needle, with the priority they carry.
std::vector<std::string> records_with(const e2e::run_result &r, const std::string &needle)
{
    std::vector<std::string> found;
    for (const std::string &line : r.syslog)
        if (line.find(needle) != std::string::npos)
            found.push_back(line);
    return found;
}

// syslog(3) without openlog logs to LOG_USER (8): info is <14>, err <11>.
bool has_record(const e2e::run_result &r, const std::string &priority, const std::string &text)
{
    for (const std::string &line : records_with(r, text))
        if (line.rfind(priority, 0) == 0)
            return true;
    return false;
}

std::string syslog_of(const e2e::run_result &r)
{
    std::string all = "syslog:\n";
    for (const std::string &line : r.syslog)
        all += "  " + line + "\n";
    return all;
}

std::string daemon_args(const std::string &command, const std::string &extra = "")
{
    return "\"$LIDGLOW\" -c '" + command + "' -t " + FONT + " -D -p \"$P\" " + extra;
}

// The daemon runs as the user who starts it, or, as services run it, as an
// unprivileged user of its own whose pid file root reads: root's -k finds
// it there, and root's second daemon will not open a pid file in a
// directory that another user could fill with links.
TEST(daemon, starts_detached_and_is_stopped_by_k)
{
    NEEDS_SYSLOG_CAPTURE();
    struct daemon_user {
        const char *name;
        std::string as;   // what runs the daemon as its user
        std::string uid;  // that user's id
        bool others_dir;  // root's second daemon refuses a directory that nobody owns
    };
    std::vector<daemon_user> users = {{"the invoking user", "", std::to_string(geteuid()), false}};
    if (geteuid() == 0)
        users.push_back({"nobody, seen by root", e2e::unprivileged_prefix(), "65534", true});
    for (const daemon_user &user : users) {
        SCOPED_TRACE(user.name);
        const e2e::run_result r = run_daemon_script("AS='" + user.as + R"SH('
chmod 755 "$T"
mkdir "$T/run"
[ -z "$AS" ] || chown 65534:65534 "$T/run"
P=$T/run/d.pid
$AS )SH" + daemon_args("echo hello", "-P 1") + R"SH(
echo start=$?
pid=$(daemon_pid); echo pid=$pid
echo mode=$(stat -c %a "$P")
echo owner=$(stat -c %u "$P")
echo uid=$(sed -n 's/^Uid:[[:space:]]*\([0-9]*\).*/\1/p' /proc/$pid/status)
alive "$pid" && echo running=yes
"$LIDGLOW" -c x -t /nonexistent -D -p "$P" 2>"$T/second.err"; echo second=$?
echo second_err=$(cat "$T/second.err")
alive "$pid" && echo still_running=yes
"$LIDGLOW" -k -p "$P"; echo stop=$?
wait_until '! alive $pid' && echo gone=yes
[ -e "$P" ] || echo pidfile_gone=yes
"$LIDGLOW" -k -p "$P" 2>"$T/again.err"; echo again=$?
echo again_err=$(cat "$T/again.err")
[ -e "$P" ] || echo no_file_left=yes
)SH", {"--shared"});
        ASSERT_EQ(0, r.status) << r.summary();
        auto v = report_of(r.out);
        const std::string pid = v["pid"];
        ASSERT_FALSE(pid.empty()) << r.summary();
        EXPECT_EQ("0", v["start"]);
        EXPECT_EQ("600", v["mode"]);
        EXPECT_EQ(user.uid, v["uid"]);
        EXPECT_EQ(user.uid, v["owner"]);
        EXPECT_EQ("yes", v["running"]);
        if (user.others_dir) {
            EXPECT_EQ(std::to_string(ELOOP), v["second"]);
            EXPECT_NE(std::string::npos, v["second_err"].find("/run/d.pid: others can replace it"))
                << v["second_err"];
        } else {
            EXPECT_EQ("17", v["second"]);
            EXPECT_EQ("Daemon already running, pid: " + pid, v["second_err"]);
        }
        EXPECT_EQ("yes", v["still_running"]);
        EXPECT_EQ("17", v["stop"]);
        EXPECT_EQ("yes", v["gone"]);
        EXPECT_EQ("yes", v["pidfile_gone"]);
        EXPECT_EQ("3", v["again"]);
        EXPECT_EQ("Daemon not found!", v["again_err"]);
        EXPECT_EQ("yes", v["no_file_left"]);
        EXPECT_TRUE(has_record(r, "<14>", "Daemon started, pid: " + pid)) << r.summary();
        EXPECT_TRUE(has_record(r, "<14>", "Daemon terminated, pid: " + pid)) << r.summary();
        EXPECT_TRUE(records_with(r, "Daemon stopped").empty());
        // The daemon showed its line once and let go of the display at the end.
        ASSERT_EQ(1u, r.transfers.size()) << r.summary();
        EXPECT_EQ(r.of_kind("claim").size(), r.of_kind("release").size()) << r.summary();
    }
}

TEST(daemon, sends_only_lines_that_change)
{
    NEEDS_SYSLOG_CAPTURE();
    // The command prints "same" for three polls, then a new line each poll.
    const std::string command =
        "n=$(cat $T/n 2>/dev/null || echo 0); echo $((n+1)) > $T/n; "
        "if [ $n -lt 3 ]; then echo same; else echo line$n; fi";
    const e2e::run_result r = run_daemon_script("export T\n" + daemon_args(command, "-P 0") + R"SH(
pid=$(daemon_pid)
wait_until '[ "$(cat $T/n 2>/dev/null)" -ge 8 ]'
"$LIDGLOW" -k -p "$P"
wait_until '! alive $pid' && echo gone=yes
)SH");
    ASSERT_EQ(0, r.status) << r.summary();
    EXPECT_EQ("yes", report_of(r.out)["gone"]);
    // Polls 0-2 show "same" once, and every later poll a new line.
    ASSERT_GE(r.transfers.size(), 5u) << r.summary();
    for (std::size_t i = 1; i < r.transfers.size(); ++i)
        EXPECT_NE(r.transfers[i - 1].picture, r.transfers[i].picture) << "transfer " << i;
    // The display is closed and reopened around every pause.
    EXPECT_GE(r.of_kind("claim").size(), 8u) << r.summary();
    EXPECT_EQ(r.of_kind("claim").size(), r.of_kind("release").size());
}

TEST(daemon, unchanged_line_sends_nothing_while_reopening)
{
    NEEDS_SYSLOG_CAPTURE();
    const e2e::run_result r = run_daemon_script(daemon_args("echo steady", "-P 0") + R"SH(
pid=$(daemon_pid)
wait_until '[ $(claims) -ge 10 ]'
"$LIDGLOW" -k -p "$P"
wait_until '! alive $pid' && echo gone=yes
)SH");
    ASSERT_EQ(0, r.status) << r.summary();
    EXPECT_EQ("yes", report_of(r.out)["gone"]);
    EXPECT_EQ(1u, r.transfers.size()) << r.summary();
    EXPECT_EQ(2u, r.writes().size());
    EXPECT_GE(r.of_kind("claim").size(), 10u);
}

// A line that leaves nothing to show (it starts with a NUL byte, or with a
// character cut short) counts as no output, on the first poll as later.
TEST(daemon, stops_when_the_output_becomes_empty)
{
    NEEDS_SYSLOG_CAPTURE();
    const struct {
        const char *name;
        const char *command;
        const char *font = FONT;
    } cases[] = {
        {"empty after a line", "[ -e $T/empty ] || echo text"},
        {"NUL after a line", "[ -e $T/empty ] && printf \"\\000x\\n\" || echo text"},
        {"NUL first", "printf \"\\000x\\n\""},
        {"cut character first", "printf \"\\360x\\n\""},
        // Blank lines without end.
        {"blank lines only", "yes \"\" 2>/dev/null"},
        // A font that nobody writes: the first poll must not wait for it.
        {"font is a FIFO", "echo text", "$T/fifo.ttf"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const e2e::run_result r = run_daemon_script("export T\nmkfifo \"$T/fifo.ttf\"\n\"$LIDGLOW\" -c '" +
                                                    std::string(c.command) + "' -t " + c.font +
                                                    " -D -p \"$P\" -P 0" + R"SH(
wait_until 'grep -q "Daemon started" "$T/syslog"'
pid=$(sed -n 's/.*Daemon started, pid: \([0-9]*\).*/\1/p' "$T/syslog")
wait_until '[ $(claims) -ge 3 ] || ! alive $pid'
touch "$T/empty"
wait_until '! alive $pid' && echo gone=yes
[ -e "$P" ] || echo pidfile_gone=yes
)SH");
        EXPECT_EQ(0, r.status) << r.summary();
        auto v = report_of(r.out);
        EXPECT_EQ("yes", v["gone"]);
        EXPECT_EQ("yes", v["pidfile_gone"]);
        EXPECT_TRUE(has_record(r, "<11>", "Daemon stopped: Invalid argument")) << syslog_of(r);
        EXPECT_TRUE(records_with(r, "Daemon terminated").empty());
    }
}

TEST(daemon, stops_when_the_display_vanishes)
{
    NEEDS_SYSLOG_CAPTURE();
    // The node disappears once the second claimed handle is released, so
    // the reopen after the second pause fails.
    const e2e::run_result r = run_daemon_script(daemon_args("echo x", "-P 0") + R"SH(
pid=$(daemon_pid)
wait_until '! alive $pid' && echo gone=yes
[ -e "$P" ] || echo pidfile_gone=yes
)SH", {"--vanish-after", "2"});
    ASSERT_EQ(0, r.status) << r.summary();
    auto v = report_of(r.out);
    EXPECT_EQ("yes", v["gone"]);
    EXPECT_EQ("yes", v["pidfile_gone"]);
    // Debian's libusb 0.1 hands out a handle without a file when the node
    // cannot be opened, so the claim fails with EBADF; libusb-compat's open
    // fails with the node's ENXIO itself.
    EXPECT_TRUE(has_record(r, "<11>", std::string("Daemon stopped: ") + std::strerror(ENXIO)) ||
                has_record(r, "<11>", std::string("Daemon stopped: ") + std::strerror(EBADF)))
        << r.summary() << syslog_of(r);
    EXPECT_EQ(2u, r.of_kind("claim").size());
}

// A write that fails, or moves less than the whole packet, ends the daemon
// and its transfer: nothing is written after it.
TEST(daemon, a_failing_write_stops_it_with_the_errno)
{
    NEEDS_SYSLOG_CAPTURE();
    const struct {
        const char *name;
        std::vector<std::string> options;
        int error;
        std::size_t delivered;
    } cases[] = {
        {"failed", {"--fail-write", "5"}, ENODEV, 4},
        {"short", {"--write-result", "3:100"}, EIO, 2},
        {"empty", {"--write-result", "1:0"}, EIO, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const e2e::run_result r = run_daemon_script(daemon_args("date +%N", "-P 0") + R"SH(
pid=$(daemon_pid)
wait_until '! alive $pid' && echo gone=yes
)SH", c.options);
        EXPECT_EQ(0, r.status) << r.summary();
        EXPECT_EQ("yes", report_of(r.out)["gone"]);
        EXPECT_TRUE(has_record(r, "<11>", std::string("Daemon stopped: ") + std::strerror(c.error)))
            << r.summary() << syslog_of(r);
        EXPECT_EQ(c.delivered, r.writes().size()) << r.summary();
    }
}

// Also when it was started with its signals blocked, as some supervisors and
// shells start programs.
TEST(daemon, sighup_during_a_long_pause_polls_at_once)
{
    NEEDS_SYSLOG_CAPTURE();
    for (const char *start : {"", "env --block-signal=HUP,TERM,CHLD "}) {
        SCOPED_TRACE(start);
        const e2e::run_result r = run_daemon_script(start + daemon_args("date +%N", "-P 1000") + R"SH(
pid=$(daemon_pid)
wait_until '[ $(bulks) -ge 2 ]'
kill -HUP $pid
wait_until '[ $(bulks) -ge 4 ]' && echo polled=yes
alive $pid && echo running=yes
kill -HUP $pid
wait_until '[ $(bulks) -ge 6 ]' && echo polled_again=yes
"$LIDGLOW" -k -p "$P"; echo stop=$?
wait_until '! alive $pid' && echo gone=yes
)SH");
        EXPECT_EQ(0, r.status) << r.summary();
        auto v = report_of(r.out);
        EXPECT_EQ("yes", v["polled"]) << r.summary();
        EXPECT_EQ("yes", v["running"]);
        EXPECT_EQ("yes", v["polled_again"]);
        EXPECT_EQ("17", v["stop"]);
        EXPECT_EQ("yes", v["gone"]);
        // Well under the 1000 s pause each time.
        EXPECT_LT(r.elapsed_ms, 30000);
    }
}

// A background job of the command keeps the output pipe open long after
// the shell has ended; the polls go on at their period regardless.
TEST(daemon, background_jobs_of_the_command_do_not_hold_up_the_polls)
{
    NEEDS_SYSLOG_CAPTURE();
    const e2e::run_result r = run_daemon_script(
        "export T\n" + daemon_args("echo . >> $T/polls; sleep 8 & printf hi", "-P 1") + R"SH(
pid=$(daemon_pid)
sleep 3.5
echo polls=$(wc -l < "$T/polls")
"$LIDGLOW" -k -p "$P"; echo stop=$?
wait_until '! alive $pid' && echo gone=yes
)SH");
    ASSERT_EQ(0, r.status) << r.summary();
    auto v = report_of(r.out);
    EXPECT_GE(std::stoi(v["polls"].empty() ? "0" : v["polls"]), 3) << r.summary();
    EXPECT_EQ("17", v["stop"]);
    EXPECT_EQ("yes", v["gone"]);
    EXPECT_EQ(1u, r.transfers.size()) << r.summary();
}

TEST(daemon, sigterm_ends_it_cleanly_in_the_pause_and_during_a_poll)
{
    NEEDS_SYSLOG_CAPTURE();
    struct sigterm_case {
        const char *name;
        std::string command;
        const char *when; // shell condition to wait for before SIGTERM
    };
    const sigterm_case cases[] = {
        {"pause", "echo x", "[ $(bulks) -ge 2 ]"},
        // The first poll runs a slow command; the signal comes while it runs.
        {"slow command", "sleep 1; echo slow", "[ -s \"$P\" ]"},
    };
    for (const sigterm_case &c : cases) {
        SCOPED_TRACE(c.name);
        const e2e::run_result r = run_daemon_script(daemon_args(c.command, "-P 1000") +
                                                    "\npid=$(daemon_pid)\nwait_until '" +
                                                    std::string(c.when) + R"SH('
kill -TERM $pid
wait_until '! alive $pid' && echo gone=yes
[ -e "$P" ] || echo pidfile_gone=yes
)SH");
        ASSERT_EQ(0, r.status) << r.summary();
        auto v = report_of(r.out);
        EXPECT_EQ("yes", v["gone"]) << r.summary();
        EXPECT_EQ("yes", v["pidfile_gone"]);
        EXPECT_EQ(1u, records_with(r, "Daemon terminated, pid: ").size()) << r.summary();
        EXPECT_TRUE(records_with(r, "Daemon stopped").empty()) << r.summary();
        EXPECT_EQ(r.of_kind("claim").size(), r.of_kind("release").size()) << r.summary();
        EXPECT_LT(r.elapsed_ms, 30000);
    }
}

// rc.d and systemd stop the daemon with SIGTERM whatever its command is
// doing; the command's whole process group goes with it, within two seconds
// even when the command ignores SIGTERM.
TEST(daemon, sigterm_while_the_command_runs_ends_both_at_once)
{
    NEEDS_SYSLOG_CAPTURE();
    const struct {
        const char *name;
        const char *command;
    } cases[] = {
        {"silent", "echo $$ > $T/cmd; exec sleep 20"},
        // Its line is shown once it has ended, so never: nothing is drawn
        // after the SIGTERM either.
        {"after its line", "echo $$ > $T/cmd; echo x; exec sleep 20"},
        {"ignoring SIGTERM", "trap \"\" TERM; echo $$ > $T/cmd; while :; do sleep 0.05; done"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const e2e::run_result r = run_daemon_script("export T\n" + daemon_args(c.command, "-P 1000") + R"SH(
pid=$(daemon_pid)
wait_until '[ -s "$T/cmd" ]'
command=$(cat "$T/cmd")
sleep 0.2
before=$(bulks)
start=$(now_ms)
kill -TERM $pid
wait_until '! alive $pid' && echo gone=yes
echo ms=$(($(now_ms) - start))
wait_until '! alive $command' && echo command_gone=yes
[ $(bulks) -eq $before ] && echo nothing_after=yes
[ -e "$P" ] || echo pidfile_gone=yes
)SH");
        ASSERT_EQ(0, r.status) << r.summary();
        auto v = report_of(r.out);
        EXPECT_EQ("yes", v["gone"]) << r.summary();
        EXPECT_LT(std::stoi(v["ms"].empty() ? "99999" : v["ms"]), 2000) << r.summary();
        EXPECT_EQ("yes", v["command_gone"]);
        EXPECT_EQ("yes", v["nothing_after"]);
        EXPECT_EQ("yes", v["pidfile_gone"]);
        EXPECT_TRUE(r.transfers.empty()) << r.summary();
        EXPECT_EQ(1u, records_with(r, "Daemon terminated, pid: ").size()) << syslog_of(r);
        EXPECT_EQ(r.of_kind("claim").size(), r.of_kind("release").size()) << r.summary();
    }
}

// Neither a run once nor a daemon's poll hands its descriptors (the pid
// file, the font, the display) to the command, not even when lidglow was
// started with a standard descriptor closed, where the display would
// otherwise take its number.
TEST(daemon, commands_inherit_only_the_standard_descriptors)
{
    NEEDS_SYSLOG_CAPTURE();
    const std::string command = "echo $$ > $T/cmd; echo x; exec sleep 1";
    const e2e::run_result r = run_daemon_script(
        "export T\n\"$LIDGLOW\" -c '" + command + "' -t " + FONT + R"SH( &
sleeping && echo once=$(fds_of $(cat "$T/cmd"))
wait
rm -f "$T/cmd"
"$LIDGLOW" -c ')SH" + command + "' -t " + FONT + R"SH( <&- &
sleeping && echo closed_in=$(readlink /proc/$(cat "$T/cmd")/fd/0)
wait
)SH" + daemon_args(command, "-P 0") + R"SH(
pid=$(daemon_pid)
wait_until '[ $(claims) -ge 3 ]'
rm -f "$T/cmd"
sleeping && echo polled=$(fds_of $(cat "$T/cmd"))
kill -TERM $pid
wait_until '! alive $pid' && echo gone=yes
)SH");
    ASSERT_EQ(0, r.status) << r.summary();
    auto v = report_of(r.out);
    EXPECT_EQ("0 1 2", v["once"]) << r.summary();
    EXPECT_EQ("/dev/null", v["closed_in"]) << r.summary();
    EXPECT_EQ("0 1 2", v["polled"]) << r.summary();
    EXPECT_EQ("yes", v["gone"]);
}

// A command starts with no signal blocked or ignored, whatever lidglow was
// started with, and never with the daemon's signals held back; a run once
// stays in lidglow's process group (Ctrl-C reaches it), a daemon's poll
// gets a group of its own (SIGTERM ends all of it).
TEST(daemon, commands_start_with_the_signal_state_and_group_they_must)
{
    const std::string command = "echo $$ > $T/cmd; echo x; exec sleep 1";
    const std::string start = "env --ignore-signal=PIPE --block-signal=USR1 ";
    const e2e::run_result r = run_daemon_script(
        "export T\n" + start + "\"$LIDGLOW\" -c '" + command + "' -t " + FONT + R"SH( &
lidglow=$!
# Blocked and ignored signals 1 to 31; the C library keeps its own above.
mask_of() { v=$(sed -n "s/^$2:[[:space:]]*//p" /proc/$1/status); echo $((0x${v#????????} & 0x7fffffff)); }
signals_of() { echo "$(mask_of $1 SigBlk) $(mask_of $1 SigIgn)"; }
group_of() { sed 's/.*) //' /proc/$1/stat | cut -d' ' -f3; }
sleeping && cmd=$(cat "$T/cmd")
echo once_given=$(signals_of $lidglow)
echo once=$(signals_of $cmd)
[ "$(group_of $cmd)" = "$(group_of $lidglow)" ] && echo once_group=lidglow
wait
)SH" + start + daemon_args(command, "-P 0") + R"SH(
pid=$(daemon_pid)
wait_until '[ $(claims) -ge 2 ]'
rm -f "$T/cmd"
sleeping && cmd=$(cat "$T/cmd")
echo polled=$(signals_of $cmd)
[ "$(group_of $cmd)" = "$cmd" ] && echo polled_group=own
kill -TERM $pid
wait_until '! alive $pid' && echo gone=yes
)SH");
    ASSERT_EQ(0, r.status) << r.summary();
    auto v = report_of(r.out);
    ASSERT_FALSE(v["once_given"].empty()) << r.summary();
    // lidglow itself was started with signals blocked and ignored.
    EXPECT_NE("0 0", v["once_given"]) << r.summary();
    EXPECT_EQ("0 0", v["once"]) << r.summary();
    EXPECT_EQ("0 0", v["polled"]) << r.summary();
    EXPECT_EQ("lidglow", v["once_group"]) << r.summary();
    EXPECT_EQ("own", v["polled_group"]) << r.summary();
    EXPECT_EQ("yes", v["gone"]);
}

// The daemon works from "/": relative -t and -p name files in the directory
// it was started from, and -k with the same -p finds it there.
TEST(daemon, relative_font_and_pid_file_stay_where_they_were_named)
{
    NEEDS_SYSLOG_CAPTURE();
    const e2e::run_result r = run_daemon_script("cp " + std::string(FONT) + R"SH( font.ttf
name=lidglow-e2e-$$.pid
"$LIDGLOW" -c 'echo x' -t font.ttf -D -P 0 -p $name; echo start=$?
wait_until '[ -s $name ]' && echo pidfile_here=yes
pid=$(cat $name)
wait_until '[ $(claims) -ge 3 ]' && echo polling=yes
"$LIDGLOW" -k -p $name; echo stop=$?
wait_until '! alive $pid' && echo gone=yes
[ -e $name ] || echo pidfile_removed=yes
[ -e /$name ] || echo root_untouched=yes
)SH");
    ASSERT_EQ(0, r.status) << r.summary();
    auto v = report_of(r.out);
    EXPECT_EQ("0", v["start"]);
    EXPECT_EQ("yes", v["pidfile_here"]);
    EXPECT_EQ("yes", v["polling"]);
    EXPECT_EQ("17", v["stop"]);
    EXPECT_EQ("yes", v["gone"]);
    EXPECT_EQ("yes", v["pidfile_removed"]);
    EXPECT_EQ("yes", v["root_untouched"]);
    EXPECT_EQ(1u, r.transfers.size()) << r.summary();
    EXPECT_TRUE(records_with(r, "Daemon stopped").empty()) << syslog_of(r);
}

// A pid file that is a symbolic link would have its target truncated and
// overwritten; the daemon and -k refuse it without touching the target.
TEST(daemon, symbolic_link_pid_file_is_refused)
{
    NEEDS_SYSLOG_CAPTURE();
    const e2e::run_result r = run_daemon_script(R"SH(
echo keep > "$T/target"
ln -s "$T/target" "$T/link.pid"
"$LIDGLOW" -c 'echo x' -t )SH" + std::string(FONT) + R"SH( -D -p "$T/link.pid" 2>"$T/err"
echo start=$?
echo start_err=$(cat "$T/err")
"$LIDGLOW" -k -p "$T/link.pid" 2>"$T/err"; echo stop=$?
echo stop_err=$(cat "$T/err")
echo target=$(cat "$T/target")
)SH");
    ASSERT_EQ(0, r.status) << r.summary();
    auto v = report_of(r.out);
    EXPECT_EQ(std::to_string(ELOOP), v["start"]);
    EXPECT_EQ(std::to_string(ELOOP), v["stop"]);
    EXPECT_EQ(0u, v["start_err"].rfind("Refusing pid file /", 0)) << r.summary();
    EXPECT_NE(v["start_err"].find("/link.pid: it is a symbolic link"), std::string::npos);
    EXPECT_EQ(v["start_err"], v["stop_err"]);
    EXPECT_EQ("keep", v["target"]);
    EXPECT_TRUE(records_with(r, "Daemon started").empty()) << syslog_of(r);
    EXPECT_TRUE(r.transfers.empty());
}

// Only a pid file that a daemon could have left is used: the daemon and
// -k neither truncate nor remove anything else, whatever root may write.
TEST(daemon, files_that_are_not_pid_files_are_left_as_they_were)
{
    NEEDS_SYSLOG_CAPTURE();
    const struct {
        const char *name;
        const char *setup;   // makes the pid file $F
        const char *reason;  // why the daemon refuses it
        int stop;            // -k's status
        const char *stop_err;
        const char *kept;    // a shell condition that holds when nothing was touched
        const char *named = "/d.pid"; // the end of the path as the refusal names it
    } cases[] = {
        {"hard link", "echo keep > $T/target; ln $T/target $F", "it has more than one link",
         ELOOP, "", "[ \"$(cat $T/target)\" = keep ] && [ -e $F ]"},
        {"FIFO", "mkfifo $F", "it is not a regular file", ELOOP, "", "[ -p $F ]"},
        {"other content", "echo keep > $F", "it holds something other than a pid", 3,
         "Daemon not found!", "[ \"$(cat $F)\" = keep ]"},
        // Anyone may swap a file there for a link between our look and
        // the pid-file functions' open.
        {"directory open to all", "mkdir -m 777 $T/open; F=$T/open/d.pid", "others can replace it", 3,
         "Daemon not found!", "[ ! -e $F ]"},
        // Resolved without its last component, it would not be found.
        {"name ending in a slash", "F=$T/d.pid/", "it names a directory", ELOOP, "", "[ ! -e $T/d.pid ]",
         "/d.pid/"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const e2e::run_result r = run_daemon_script("F=$T/d.pid\n" + std::string(c.setup) + "\n" +
                                                    "\"$LIDGLOW\" -c 'echo x' -t " + FONT + R"SH( -D -p "$F" 2>"$T/err"
echo start=$?
echo start_err=$(cat "$T/err")
"$LIDGLOW" -k -p "$F" 2>"$T/err"; echo stop=$?
echo stop_err=$(cat "$T/err")
)SH" + c.kept + " && echo kept=yes\n");
        EXPECT_EQ(0, r.status) << r.summary();
        auto v = report_of(r.out);
        const std::string refusal = std::string(c.named) + ": " + c.reason;
        EXPECT_EQ(std::to_string(ELOOP), v["start"]) << r.summary();
        EXPECT_EQ(0u, v["start_err"].rfind("Refusing pid file /", 0)) << r.summary();
        EXPECT_EQ(v["start_err"].size() - refusal.size(), v["start_err"].rfind(refusal)) << r.summary();
        EXPECT_EQ(std::to_string(c.stop), v["stop"]);
        EXPECT_EQ(c.stop == ELOOP ? v["start_err"].substr(0, v["start_err"].size() - refusal.size()) + refusal
                                  : std::string(c.stop_err),
                  v["stop_err"]);
        EXPECT_EQ("yes", v["kept"]) << r.summary();
        EXPECT_TRUE(records_with(r, "Daemon started").empty()) << syslog_of(r);
        EXPECT_TRUE(r.transfers.empty());
    }
}

TEST(daemon, runs_without_a_pid_file_it_cannot_create)
{
    NEEDS_SYSLOG_CAPTURE();
    const e2e::run_result r = run_daemon_script(R"SH(
"$LIDGLOW" -c 'echo x' -t )SH" + std::string(FONT) + R"SH( -D -P 0 -p /nonexistent/dir/d.pid 2>"$T/err"
echo start=$?
echo err=$(cat "$T/err")
wait_until 'grep -q "Daemon started" "$T/syslog"'
pid=$(sed -n 's/.*Daemon started, pid: \([0-9]*\).*/\1/p' "$T/syslog")
wait_until '[ $(claims) -ge 3 ]' && echo polling=yes
kill -TERM $pid
wait_until '! alive $pid' && echo gone=yes
)SH");
    ASSERT_EQ(0, r.status) << r.summary();
    auto v = report_of(r.out);
    EXPECT_EQ("0", v["start"]);
    EXPECT_EQ("Cannot open or create pidfile", v["err"]);
    EXPECT_EQ("yes", v["polling"]);
    EXPECT_EQ("yes", v["gone"]);
}

// -k signals only a pid it has read: while the daemon starts, its pid file
// is locked but still empty for a moment.
TEST(daemon, stop_request_signals_only_a_usable_pid)
{
    const struct {
        const char *name;
        const char *content;  // the held pid file's content at first
        const char *later;    // what the holder writes into it after 0.5 s
        int stop;
        std::string err;      // with P for the path
        const char *owner = "";  // whom the pid file is given to; needs root
    } cases[] = {
        {"pid written late", "", "printf %s $target > $P", EEXIST, ""},
        // Whoever may write the file may name any process in it: root's -k
        // signals as the file's owner, who may not signal root's sleep.
        {"another user's file naming root's process", "", "printf %s $target > $P", EPERM,
         "Operation not permitted", "65534"},
        {"pid never written", "", ":", EAGAIN, "Daemon has not written its pid to P"},
        {"zero", "0", ":", EINVAL, "No usable pid in P"},
        {"negative", "-1", ":", EINVAL, "No usable pid in P"},
        {"not a number", "x1", ":", EINVAL, "No usable pid in P"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        // Only root gives a file away; the other rows still run.
        if (*c.owner != '\0' && geteuid() != 0) {
            testing::Test::RecordProperty("skipped_row", c.name);
            continue;
        }
        // No daemon runs, so nothing is logged and no capture is needed.
        const e2e::run_result r = e2e::run_script({}, std::string(PRELUDE) + "sleep 30 &\ntarget=$!\nprintf %s '" +
                                                    std::string(c.content) + "' > \"$P\"\n" +
                                                    (*c.owner ? "chown " + std::string(c.owner) + " \"$P\"\n" : "") +
                                                    "flock \"$P\" sh -c \"sleep 0.5; " + c.later +
                                                    R"SH(; sleep 5" &
holder=$!
wait_until 'flock -n "$P" true; [ $? -ne 0 ]'
start=$(now_ms)
"$LIDGLOW" -k -p "$P" 2>"$T/err"; echo stop=$?
echo ms=$(($(now_ms) - start))
echo err=$(sed "s|$P|P|" "$T/err")
sleep 0.2
alive $target || echo target_gone=yes
kill $holder $target 2>/dev/null || :
)SH");
        EXPECT_EQ(0, r.status) << r.summary();
        auto v = report_of(r.out);
        EXPECT_EQ(std::to_string(c.stop), v["stop"]) << r.summary();
        EXPECT_EQ(c.err, v["err"]);
        EXPECT_EQ(c.stop == EEXIST ? "yes" : "", v["target_gone"]);
        // Waiting for a pid takes at most about two seconds.
        EXPECT_LT(std::stoi(v["ms"].empty() ? "99999" : v["ms"]), 4000) << r.summary();
    }
}

} // namespace
