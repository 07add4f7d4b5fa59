// End-to-end tests of the daemon (-c ... -D) and of the stop request (-k).
// Each test runs a shell script of tests/e2e/scripts/ on the virtual
// display that starts the daemon, watches it through its pid file, /proc
// and the captured syslog records, and stops it again; the script reports
// what it saw as key=value lines on standard output.

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

// The records are captured in a mount namespace of the script's own; where
// the machine cannot give one, these tests are skipped and say why.
#define NEEDS_SYSLOG_CAPTURE() E2E_REQUIRE(e2e::syslog_capture())

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

// Runs tests/e2e/scripts/<script> with the syslog records captured.
e2e::run_result run_daemon_script(const std::string &script, const std::vector<std::string> &args = {},
                                  std::vector<std::string> options = {})
{
    options.push_back("--syslog");
    options.push_back("@TMP@/syslog");
    return e2e::run_script_file(options, script, args, {{"FONT", FONT}});
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
        if (!user.as.empty())
            E2E_REQUIRE(e2e::unprivileged_runs());
        const e2e::run_result r = run_daemon_script("daemon-start-stop.sh", {user.as}, {"--shared"});
        ASSERT_EQ(0, r.status) << r.summary();
        auto v = report_of(r.out);
        const std::string pid = v["pid"];
        ASSERT_FALSE(pid.empty()) << r.summary();
        EXPECT_EQ("0", v["start"]);
        EXPECT_EQ("600", v["mode"]);
        EXPECT_EQ(user.uid, v["uid"]);
        EXPECT_EQ(user.uid, v["owner"]);
        EXPECT_EQ("yes", v["running"]);
        EXPECT_EQ("yes", v["shown"]);
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
    const e2e::run_result r = run_daemon_script("daemon-until-polls.sh",
                                                {command, "0", "[ \"$(cat $T/n 2>/dev/null)\" -ge 8 ]"});
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
    const e2e::run_result r =
        run_daemon_script("daemon-until-polls.sh", {"echo steady", "0", "[ $(claims) -ge 10 ]"});
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
        const char *fifo_font = nullptr; // a FIFO in the run's directory as the font
    } cases[] = {
        {"empty after a line", "[ -e $T/empty ] || echo text"},
        {"NUL after a line", "[ -e $T/empty ] && printf \"\\000x\\n\" || echo text"},
        {"NUL first", "printf \"\\000x\\n\""},
        {"cut character first", "printf \"\\360x\\n\""},
        // Blank lines without end.
        {"blank lines only", "yes \"\" 2>/dev/null"},
        // A font that nobody writes: the first poll must not wait for it.
        {"font is a FIFO", "echo text", "font.ttf"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {c.command};
        if (c.fifo_font != nullptr)
            args.push_back(c.fifo_font);
        const e2e::run_result r = run_daemon_script("daemon-until-empty.sh", args);
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
    const e2e::run_result r =
        run_daemon_script("daemon-until-it-ends.sh", {"echo x"}, {"--vanish-after", "2"});
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
        const e2e::run_result r = run_daemon_script("daemon-until-it-ends.sh", {"date +%N"}, c.options);
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
    for (const char *start : {"", "env --block-signal=HUP,TERM,CHLD"}) {
        SCOPED_TRACE(start);
        const e2e::run_result r = run_daemon_script("daemon-sighup.sh", {start});
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

// Runs of the program meet the daemon while its command runs and while it
// sends: -k claims nothing, and a one-shot run waits for the display the
// daemon holds for a send, as the daemon waits for one that such a run
// holds; neither stops the other.
TEST(daemon, shares_the_display_with_other_runs)
{
    NEEDS_SYSLOG_CAPTURE();
    const struct {
        const char *name;
        const char *meeting;  // daemon-sharing.sh's argument
        std::map<std::string, std::string> expected;
    } cases[] = {
        {"-k during a long poll", "stop", {{"stop", "17"}, {"gone", "yes"}, {"within_3s", "yes"}}},
        {"eight notifications during the polls", "notify",
         {{"shown", "8"}, {"errors", "0"}, {"still_running", "yes"}, {"stop", "17"}, {"gone", "yes"}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const e2e::run_result r = run_daemon_script("daemon-sharing.sh", {c.meeting});
        ASSERT_EQ(0, r.status) << r.summary();
        auto v = report_of(r.out);
        for (const auto &e : c.expected)
            EXPECT_EQ(e.second, v[e.first]) << e.first << "\n" << r.summary();
        EXPECT_TRUE(records_with(r, "Daemon stopped").empty()) << syslog_of(r);
        EXPECT_EQ(1u, records_with(r, "Daemon terminated, pid: ").size()) << syslog_of(r);
        // Whole transfers only: nobody wrote into another's.
        for (const vdisplay::transfer &t : r.transfers)
            EXPECT_TRUE(!t.failed && !t.wrong_count) << r.summary();
    }
}

// A background job of the command keeps the output pipe open long after
// the shell has ended; the polls go on at their period regardless.
TEST(daemon, background_jobs_of_the_command_do_not_hold_up_the_polls)
{
    NEEDS_SYSLOG_CAPTURE();
    const e2e::run_result r = run_daemon_script("daemon-background-job.sh");
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
        const e2e::run_result r = run_daemon_script("daemon-sigterm.sh", {c.command, c.when});
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
        const e2e::run_result r = run_daemon_script("daemon-sigterm-during-command.sh", {c.command});
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
    const e2e::run_result r = run_daemon_script("daemon-descriptors.sh");
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
    NEEDS_SYSLOG_CAPTURE();
    const e2e::run_result r = run_daemon_script("daemon-signal-state.sh");
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
    const e2e::run_result r = run_daemon_script("daemon-relative-names.sh");
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
    const e2e::run_result r = run_daemon_script(
        "daemon-refused-pid-file.sh",
        {"link.pid", "echo keep > $T/target; ln -s $T/target $F", "[ \"$(cat $T/target)\" = keep ]"});
    ASSERT_EQ(0, r.status) << r.summary();
    auto v = report_of(r.out);
    EXPECT_EQ(std::to_string(ELOOP), v["start"]);
    EXPECT_EQ(std::to_string(ELOOP), v["stop"]);
    EXPECT_EQ(0u, v["start_err"].rfind("Refusing pid file /", 0)) << r.summary();
    EXPECT_NE(v["start_err"].find("/link.pid: it is a symbolic link"), std::string::npos);
    EXPECT_EQ(v["start_err"], v["stop_err"]);
    EXPECT_EQ("yes", v["kept"]) << r.summary();
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
        const e2e::run_result r = run_daemon_script("daemon-refused-pid-file.sh", {"d.pid", c.setup, c.kept});
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
    const e2e::run_result r = run_daemon_script("daemon-no-pid-file.sh");
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
        const e2e::run_result r =
            e2e::run_script_file({}, "daemon-stop-request.sh", {c.content, c.later, c.owner});
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
