// End-to-end tests of the control options and of finding, opening and
// claiming the display.

#include "harness.h"
#include "render_e2e.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace {

using vdisplay::bytes;

const char NOT_FOUND[] = "Could not find any ASUS LCM device!\n";
const char UHID_HINT[] = "\"kldunload uhid\" and try again.\n";
constexpr long long PAUSE_US = 1000;

bytes command_packet(unsigned char code)
{
    bytes p = {0x55, 0xAA, 0x20, 0x00, 0x00, 0x00, 0x01, 0x00};
    p.resize(16, 0x00);
    p.push_back(code);
    return p;
}

bytes control_frame_packet(unsigned char type, unsigned char data)
{
    bytes p = {0x55, 0xAA, type, 0x80, 0x01, 0x01, 0x00, 0x01};
    p.resize(16, 0x00);
    p.resize(272, data);
    return p;
}

struct control_case {
    const char *name;
    const char *option;
    std::vector<bytes> packets;
};

void PrintTo(const control_case &c, std::ostream *os)
{
    *os << c.name;
}

class ControlOption : public testing::TestWithParam<control_case> {};

TEST_P(ControlOption, WritesItsPacketsBetweenClaimAndRelease)
{
    const control_case &c = GetParam();
    e2e::run_result r = e2e::run_lidglow({}, {c.option});

    EXPECT_EQ(r.status, 0) << r.summary();
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    std::vector<vdisplay::event> device = r.device_events();
    ASSERT_EQ(device.size(), c.packets.size() + 2) << r.summary();
    EXPECT_EQ(device.front().kind, "claim");
    EXPECT_EQ(device.front().interface, 0u);
    EXPECT_EQ(device.back().kind, "release");
    EXPECT_EQ(device.back().interface, 0u);
    for (std::size_t i = 0; i < c.packets.size(); ++i) {
        const vdisplay::event &w = device[i + 1];
        EXPECT_EQ(w.kind, "bulk");
        EXPECT_EQ(w.node, "001/002");
        EXPECT_EQ(w.endpoint, 2u) << "write " << i;
        EXPECT_EQ(w.data, c.packets[i]) << "write " << i;
    }
    // The pause after every write, the last one included.
    std::vector<long long> gaps = e2e::gaps_us(device);
    for (std::size_t i = 1; i < gaps.size(); ++i)
        EXPECT_GE(gaps[i], PAUSE_US) << "between event " << i << " and " << i + 1;
    // The handle is closed as well as released.
    EXPECT_EQ(r.of_kind("open").size(), r.of_kind("close").size());
}

INSTANTIATE_TEST_SUITE_P(
    Options, ControlOption,
    testing::Values(
        control_case{"enable", "-e", {command_packet(0xAF)}},
        control_case{"disable", "-d", {command_packet(0xAE)}},
        control_case{"blank", "-b", {control_frame_packet(0x10, 0xFF), control_frame_packet(0x11, 0xFF)}},
        control_case{"fill", "-B", {control_frame_packet(0x10, 0x00), control_frame_packet(0x11, 0x00)}}),
    [](const testing::TestParamInfo<control_case> &info) { return std::string(info.param.name); });

// The decoder, an independent reading of the packet format, sees the blank
// frame lit and the filled frame dark.
TEST(ControlPicture, BlankLightsEveryPixelAndFillNone)
{
    for (const char *option : {"-b", "-B"}) {
        e2e::run_result r = e2e::run_lidglow({}, {option});
        ASSERT_EQ(r.transfers.size(), 1u) << r.summary();
        const vdisplay::transfer &t = r.transfers.front();
        EXPECT_EQ(t.mode, vdisplay::transfer_mode::static_frame);
        EXPECT_TRUE(t.problems.empty()) << option << ": " << t.problems.front();
        char pixel = option[1] == 'b' ? '#' : '.';
        ASSERT_EQ(t.picture.size(), 32u);
        for (const std::string &row : t.picture)
            EXPECT_EQ(row, std::string(128, pixel)) << option;
    }
}

struct failure_case {
    const char *name;
    const char *option;
    const char *fail_at;
    std::size_t delivered;
};

void PrintTo(const failure_case &c, std::ostream *os)
{
    *os << c.name;
}

class FailingWrite : public testing::TestWithParam<failure_case> {};

TEST_P(FailingWrite, EndsTheTransferWithEnodev)
{
    const failure_case &c = GetParam();
    e2e::run_result r = e2e::run_lidglow({"--fail-write", c.fail_at}, {c.option});

    EXPECT_EQ(r.status, 19) << r.summary();
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.of_kind("bulk").size(), c.delivered) << r.summary();
    ASSERT_EQ(r.of_kind("bulk-failed").size(), 1u) << r.summary();
    EXPECT_EQ(r.of_kind("bulk-failed").front().error, 19);
    // Nothing is written after the failure, and the display is still released.
    std::vector<vdisplay::event> device = r.device_events();
    ASSERT_GE(device.size(), 2u);
    EXPECT_EQ(device[device.size() - 2].kind, "bulk-failed") << r.summary();
    EXPECT_EQ(device.back().kind, "release");
}

INSTANTIATE_TEST_SUITE_P(
    Writes, FailingWrite,
    testing::Values(failure_case{"enable", "-e", "1", 0}, failure_case{"disable", "-d", "1", 0},
                    failure_case{"blank_first", "-b", "1", 0}, failure_case{"fill_first", "-B", "1", 0},
                    failure_case{"blank_second", "-b", "2", 1}, failure_case{"fill_second", "-B", "2", 1}),
    [](const testing::TestParamInfo<failure_case> &info) { return std::string(info.param.name); });

// What FreeBSD's libusb returns for a failed write, without setting errno:
// -1 when no transfer could be set up, otherwise a negated errno. A write
// that moves less than the whole packet, or nothing, failed too.
struct library_failure_case {
    const char *name;
    const char *result;  // --write-result K:R
    int status;
    std::size_t delivered;
};

void PrintTo(const library_failure_case &c, std::ostream *os)
{
    *os << c.name;
}

class LibraryWriteFailure : public testing::TestWithParam<library_failure_case> {};

TEST_P(LibraryWriteFailure, GivesTheLibrarysErrorOrEio)
{
    const library_failure_case &c = GetParam();
    e2e::run_result r = e2e::run_lidglow({"--write-result", c.result}, {"-b"});

    EXPECT_EQ(r.status, c.status) << r.summary();
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.of_kind("bulk").size(), c.delivered) << r.summary();
    EXPECT_EQ(r.device_events().back().kind, "release") << r.summary();
}

INSTANTIATE_TEST_SUITE_P(
    Results, LibraryWriteFailure,
    testing::Values(library_failure_case{"no_transfer_first", "1:-1", EIO, 0},
                    library_failure_case{"no_transfer_second", "2:-1", EIO, 1},
                    library_failure_case{"timed_out", "1:-110", 110, 0},
                    library_failure_case{"device_gone", "2:-6", ENXIO, 1},
                    library_failure_case{"short_first", "1:100", EIO, 0},
                    library_failure_case{"empty_second", "2:0", EIO, 1}),
    [](const testing::TestParamInfo<library_failure_case> &info) { return std::string(info.param.name); });

struct busy_case {
    const char *name;
    std::vector<std::string> layout;
    std::size_t claims_tried;  // at least this many, all refused
    const char *holder;        // a script that runs -e while it holds the claim, or none
};

void PrintTo(const busy_case &c, std::ostream *os)
{
    *os << c.name;
}

class Busy : public testing::TestWithParam<busy_case> {};

// A display held by someone else is waited for briefly, then given up with
// the uhid hint: whoever holds it, a kernel driver or another program.
TEST_P(Busy, PrintsOnlyTheUhidHintAndClosesTheHandle)
{
    const busy_case &c = GetParam();
    e2e::run_result r = c.holder == nullptr ? e2e::run_lidglow(c.layout, {"-e"})
                                            : e2e::run_script_file(c.layout, c.holder, {});

    EXPECT_EQ(r.status, 2) << r.summary();
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, UHID_HINT);
    EXPECT_GE(r.of_kind("claim-refused").size(), c.claims_tried) << r.summary();
    EXPECT_EQ(r.of_kind("claim").size(), c.holder == nullptr ? 0u : 1u) << r.summary();
    EXPECT_EQ(r.of_kind("release").size(), r.of_kind("claim").size()) << r.summary();
    EXPECT_TRUE(r.writes().empty()) << r.summary();
    // Waited for about two seconds, not for good.
    EXPECT_GE(r.elapsed_ms, 1900) << r.summary();
    EXPECT_LT(r.elapsed_ms, 5000) << r.summary();
    // The refused handle is not left open.
    EXPECT_EQ(r.of_kind("open").size(), r.of_kind("close").size()) << r.summary();
    EXPECT_EQ(r.events.back().kind, "close") << r.summary();
}

// A kernel driver shows through the driver query before any claim, as on
// FreeBSD, where the claim itself always succeeds; on Linux the query names
// usbfs while another program holds the claim.
INSTANTIATE_TEST_SUITE_P(
    Holders, Busy,
    testing::Values(busy_case{"claim_refused", {"--claim-busy"}, 2, nullptr},
                    busy_case{"kernel_driver", {"--kernel-driver", "uhid"}, 0, nullptr},
                    busy_case{"kernel_driver_and_claim_refused",
                              {"--kernel-driver", "usbhid", "--claim-busy"}, 0, nullptr},
                    busy_case{"held_by_another_program", {}, 0, "display-held.sh"}),
    [](const testing::TestParamInfo<busy_case> &info) { return std::string(info.param.name); });

// The virtual display keeps the kernel's rules for claims, on which the
// tests of runs that meet rely: one open file holds interface 0, and the
// claim ends with its release, its file's last close or its process.
struct claim_rule_case {
    const char *name;
    const char *python;  // prints what the requests answered (scripts/claims.py)
    const char *answers;
};

void PrintTo(const claim_rule_case &c, std::ostream *os)
{
    *os << c.name;
}

class ClaimRules : public testing::TestWithParam<claim_rule_case> {};

TEST_P(ClaimRules, AreTheKernels)
{
    const claim_rule_case &c = GetParam();
    e2e::run_result r = e2e::run_script_file({}, "claim-rules.sh", {c.python});
    EXPECT_EQ(r.status, 0) << r.summary();
    EXPECT_EQ(r.out, std::string(c.answers) + "\n") << r.summary();
}

INSTANTIATE_TEST_SUITE_P(
    VirtualDisplay, ClaimRules,
    testing::Values(
        claim_rule_case{"free_has_no_driver", "print(driver(node()))", "ENODATA"},
        claim_rule_case{"second_file_of_the_same_process",
                        "a, b = node(), node()\nprint(claim(a), claim(b), driver(b), claim(a))",
                        "ok EBUSY usbfs ok"},
        claim_rule_case{"release_frees_it", "a, b = node(), node()\nprint(claim(a), release(a), claim(b))",
                        "ok ok ok"},
        claim_rule_case{"only_the_holder_releases",
                        "a, b = node(), node()\nprint(release(a), claim(a), release(b), claim(b))",
                        "EINVAL ok EINVAL EBUSY"},
        claim_rule_case{"close_frees_it", "a, b = node(), node()\nclaim(a)\nos.close(a)\nprint(claim(b))",
                        "ok"},
        claim_rule_case{"end_of_the_holder_frees_it",
                        "pid = held_by_child(None)\nb = node()\nprint(claim(b), driver(b))\nend(pid)\n"
                        "print(claim(b))",
                        "EBUSY usbfs\nok"},
        claim_rule_case{"a_child_keeps_its_parents_claim",
                        "a = node()\nclaim(a)\npid = held_by_child(a)\nos.close(a)\nb = node()\n"
                        "print(claim(b))\nend(pid)\nprint(claim(b))",
                        "EBUSY\nok"}),
    [](const testing::TestParamInfo<claim_rule_case> &info) { return std::string(info.param.name); });

// On Linux the node's open fails with ENXIO. libusb-compat's usb_open then
// returns no handle, which lidglow reports; Debian's libusb 0.1.12 ignores
// the failed open and returns a handle without a file, whose claim fails
// with EBADF before it reaches the device, so lidglow gives the uhid hint.
// Either way nothing reaches the display and the status is 2.
TEST(Open, UnopenableDisplayFailsWithStatus2)
{
    e2e::run_result r = e2e::run_lidglow({"--no-open"}, {"-e"});

    EXPECT_EQ(r.status, 2) << r.summary();
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err == "Could not open USB device: No such device or address\n" || r.err == UHID_HINT)
        << r.summary();
    EXPECT_TRUE(r.device_events().empty()) << r.summary();
}

// A display that goes away after one use is no longer listed: the second
// run finds nothing, and the first run's writes are untouched.
TEST(Vanish, DisplayGoneAfterItsFirstUseIsNotFoundAgain)
{
    e2e::run_result r = e2e::run_script({"--vanish-after", "1"},
                                        "\"$LIDGLOW\" -e; echo first=$?; \"$LIDGLOW\" -e; echo second=$?");

    EXPECT_EQ(r.status, 0) << r.summary();
    EXPECT_EQ(r.out, "first=0\nsecond=2\n");
    EXPECT_EQ(r.err, NOT_FOUND);
    std::vector<vdisplay::event> device = r.device_events();
    ASSERT_EQ(device.size(), 3u) << r.summary();
    EXPECT_EQ(device[1].data, command_packet(0xAF));
    ASSERT_EQ(r.of_kind("gone").size(), 1u) << r.summary();
    EXPECT_GE(r.of_kind("gone").front().time_us, device.back().time_us);
}

struct absent_case {
    const char *name;
    std::vector<std::string> layout;
};

void PrintTo(const absent_case &c, std::ostream *os)
{
    *os << c.name;
}

class NoDisplay : public testing::TestWithParam<absent_case> {};

TEST_P(NoDisplay, IsReportedWithStatus2)
{
    e2e::run_result r = e2e::run_lidglow(GetParam().layout, {"-e"});

    EXPECT_EQ(r.status, 2) << r.summary();
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, NOT_FOUND);
    EXPECT_TRUE(r.device_events().empty()) << r.summary();
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, NoDisplay,
    testing::Values(absent_case{"none", {"--none"}},
                    absent_case{"other_product", {"--display", "0b05:1727"}},
                    absent_case{"other_vendor", {"--display", "0b06:1726"}}),
    [](const testing::TestParamInfo<absent_case> &info) { return std::string(info.param.name); });

struct layout_case {
    const char *name;
    std::vector<std::string> layout;
    std::set<std::string> displays;  // the nodes that are real displays
};

void PrintTo(const layout_case &c, std::ostream *os)
{
    *os << c.name;
}

class SeveralDevices : public testing::TestWithParam<layout_case> {};

TEST_P(SeveralDevices, OnlyTheFirstDisplayInLibusbOrderIsUsed)
{
    const layout_case &c = GetParam();
    std::vector<std::string> order = e2e::libusb_order(c.layout);
    auto first = std::find_if(order.begin(), order.end(),
                              [&](const std::string &node) { return c.displays.count(node) != 0; });
    ASSERT_NE(first, order.end()) << "libusb lists no display";

    e2e::run_result r = e2e::run_lidglow(c.layout, {"-b"});

    EXPECT_EQ(r.status, 0) << r.summary();
    std::vector<vdisplay::event> device = r.device_events();
    EXPECT_EQ(device.size(), 4u) << r.summary();
    for (const vdisplay::event &e : device)
        EXPECT_EQ(e.node, *first) << r.summary();
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, SeveralDevices,
    testing::Values(
        layout_case{"two_displays",
                    {"--display", "0b05:1726", "--display", "0b05:1726"},
                    {"001/002", "001/003"}},
        layout_case{"other_product_too",
                    {"--display", "0b05:1727", "--display", "0b05:1726", "--display", "0b05:1727"},
                    {"001/003"}},
        layout_case{"two_buses",
                    {"--display", "0b05:1726", "--bus", "2", "--display", "0b05:1726", "--display",
                     "0b05:1726"},
                    {"001/002", "002/002", "002/003"}}),
    [](const testing::TestParamInfo<layout_case> &info) { return std::string(info.param.name); });

struct command_line_case {
    const char *name;
    std::vector<std::string> args;
    int status = 2;
    const char *err = NOT_FOUND;
};

void PrintTo(const command_line_case &c, std::ostream *os)
{
    *os << c.name;
}

class AcceptedWithoutDisplay : public testing::TestWithParam<command_line_case> {};

// Every mode but -k needs the display; -k only signals the daemon, which
// it finds through the pid file whether or not a display is attached.
TEST_P(AcceptedWithoutDisplay, FailsWithStatus2)
{
    e2e::run_result r = e2e::run_lidglow({"--none"}, GetParam().args);

    EXPECT_EQ(r.status, GetParam().status) << r.summary();
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, GetParam().err);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, AcceptedWithoutDisplay,
    testing::Values(command_line_case{"enable", {"-e"}}, command_line_case{"disable", {"-d"}},
                    command_line_case{"blank", {"-b"}}, command_line_case{"fill", {"-B"}},
                    command_line_case{"stop", {"-k", "-p", "@TMP@/lidglow.pid"}, 3, "Daemon not found!\n"},
                    command_line_case{"stop_pidfile", {"-k", "-p", "f"}, 3, "Daemon not found!\n"},
                    command_line_case{"image", {"-f", "x"}},
                    command_line_case{"image_options", {"-f", "x", "-F", "-n", "-r", "-v"}},
                    command_line_case{"message", {"-m", "x"}},
                    command_line_case{"message_options",
                                      {"-m", "x", "-w", "-i", "-u", "-s", "12", "-t", "f", "-I", "1", "-R"}},
                    command_line_case{"command", {"-c", "x"}},
                    command_line_case{"daemon_options", {"-c", "x", "-D", "-P", "5", "-p", "f"}},
                    command_line_case{"daemon_twice", {"-c", "x", "-D", "-D"}},
                    command_line_case{"daemon_no_pause", {"-P", "0", "-c", "x", "-D"}}),
    [](const testing::TestParamInfo<command_line_case> &info) { return std::string(info.param.name); });

TEST(HelpAndVersion, ExitAtOnceWithoutTouchingTheDisplay)
{
    e2e::run_result version = e2e::run_lidglow({}, {"-V"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Lidglow Utility 0.10\n");
    EXPECT_EQ(version.err, "");
    EXPECT_TRUE(version.events.empty()) << version.summary();

    e2e::run_result help = e2e::run_lidglow({}, {"-h"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage:\t", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
    EXPECT_TRUE(help.events.empty()) << help.summary();
}

// Only text needs SDL and SDL_ttf, and lidglow loads them when it first
// renders one; every other run, a picture's included (its decoder is a
// program of its own), goes without the graphics stack. The dynamic
// loader's record on standard error names every library it loads.
struct libraries_case {
    const char *name;
    std::string setup;  // shell commands run first
    std::string args;   // lidglow's arguments, as shell words
    int status;
    bool loads_sdl;
};

void PrintTo(const libraries_case &c, std::ostream *os)
{
    *os << c.name;
}

class GraphicsLibraries : public testing::TestWithParam<libraries_case> {};

TEST_P(GraphicsLibraries, AreLoadedForTextAlone)
{
    const libraries_case &c = GetParam();
    e2e::run_result r = e2e::run_script({}, c.setup + "LD_DEBUG=files exec \"$LIDGLOW\" " + c.args);
    EXPECT_EQ(r.harness_error, "");
    EXPECT_EQ(r.status, c.status) << r.summary();
    EXPECT_NE(r.err.find("file=libusb"), std::string::npos) << "no loader record: " << r.err;
    EXPECT_EQ(r.err.find("file=libSDL_ttf") != std::string::npos, c.loads_sdl) << r.err;
    EXPECT_EQ(r.err.find("file=libSDL-") != std::string::npos, c.loads_sdl) << r.err;
}

const std::string FONT = std::string(" -t ") + render_e2e::DEJAVU;

INSTANTIATE_TEST_SUITE_P(
    Runs, GraphicsLibraries,
    testing::Values(
        libraries_case{"enable", "", "-e", 0, false}, libraries_case{"disable", "", "-d", 0, false},
        libraries_case{"blank", "", "-b", 0, false}, libraries_case{"fill", "", "-B", 0, false},
        libraries_case{"version", "", "-V", 0, false}, libraries_case{"help", "", "-h", 0, false},
        libraries_case{"usage", "", "-b -e", 0, false},
        libraries_case{"stop_without_daemon", "", "-k -p none.pid", 3, false},
        libraries_case{"daemon_refused_pid_file", "ln -s elsewhere link.pid && ",
                       "-c 'echo x' -D -p link.pid" + FONT, ELOOP, false},
        libraries_case{"picture", "printf 'P1\\n2 1\\n1 0\\n' > dot.pbm && ", "-f dot.pbm", 0, false},
        libraries_case{"message", "", "-m x" + FONT, 0, true},
        libraries_case{"command", "", "-c 'echo x'" + FONT, 0, true}),
    [](const testing::TestParamInfo<libraries_case> &info) { return std::string(info.param.name); });

}  // namespace
