#include "cli/cmdline.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "lcm/display_flags.h"
#include "lcm/protocol.h"

namespace {

// An argument vector that getopt may permute and that outlives the parse.
struct argv_holder {
    std::vector<std::string> strings;
    std::vector<char *> pointers;

    explicit argv_holder(const std::vector<std::string> &args)
    {
        strings.push_back("lidglow");
        strings.insert(strings.end(), args.begin(), args.end());
        for (std::string &s : strings)
            pointers.push_back(s.data());
        pointers.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(strings.size()); }
    char **argv() { return pointers.data(); }
};

// The strings of a parsed request point into argv, so every argument vector
// is kept until the end of the test program.
parse_outcome parse(const std::vector<std::string> &args, cmdline &request, bool preview = false)
{
    static std::vector<std::unique_ptr<argv_holder>> kept;
    kept.push_back(std::make_unique<argv_holder>(args));
    return parse_cmdline(kept.back()->argc(), kept.back()->argv(), request, preview);
}

const char *outcome_name(parse_outcome outcome)
{
    switch (outcome) {
    case parse_outcome::run:
        return "run";
    case parse_outcome::help:
        return "help";
    case parse_outcome::version:
        return "version";
    case parse_outcome::bad_option:
        return "bad_option";
    case parse_outcome::rejected:
        return "rejected";
    }
    return "?";
}

constexpr int ANY = -99;

struct parse_case {
    std::vector<std::string> args;
    parse_outcome outcome;
    int size = ANY;
    long long face_index = ANY;
    int poll_seconds = ANY;
    int display_flags = ANY;
    int option_classes = ANY;
    bool preview = false; // parsed as lidglow-preview, which adds -o
};

const parse_case PARSE_CASES[] = {
    // Shapes that are accepted.
    {{"-e"}, parse_outcome::run, -1, -1, -1, 0, 0},
    {{"-k"}, parse_outcome::run},
    {{"-k", "-p", "f"}, parse_outcome::run, ANY, ANY, ANY, ANY, OPTCLASS_PIDFILE},
    {{"-f", "x", "-n", "-r", "-v"}, parse_outcome::run, ANY, ANY, ANY,
     DISPLAY_NEGATIVE | DISPLAY_REVERSE | DISPLAY_FLIP, OPTCLASS_DISPLAY},
    {{"-f", "x", "-F"}, parse_outcome::run, ANY, ANY, ANY, DISPLAY_FLASH},
    {{"-m", "x", "-R", "-w", "-i", "-u", "-t", "f", "-I", "3", "-s", "9"}, parse_outcome::run, 9,
     3, ANY, DISPLAY_ROLL, OPTCLASS_DISPLAY | OPTCLASS_FONT},
    {{"-c", "x", "-D", "-P", "5", "-p", "f"}, parse_outcome::run, ANY, ANY, 5, ANY,
     OPTCLASS_DAEMON | OPTCLASS_PIDFILE},
    {{"-c", "x", "-D", "-D"}, parse_outcome::run},
    {{"-c", "x", "-n", "-s", "10"}, parse_outcome::run, 10},
    {{"-P", "0", "-c", "x", "-D"}, parse_outcome::run, ANY, ANY, 0},
    // Numbers convert like strtoul and keep their low 32 bits.
    {{"-s", "0", "-m", "x"}, parse_outcome::run, 0},
    {{"-s", "12abc", "-m", "x"}, parse_outcome::run, 12},
    {{"-s", "4294967297", "-m", "x"}, parse_outcome::run, 1},
    {{"-s", " \t+7", "-m", "x"}, parse_outcome::run, 7},
    {{"-s", "-4294967295", "-m", "x"}, parse_outcome::run, 1},
    {{"-s", "2147483647", "-m", "x"}, parse_outcome::run, 2147483647},
    {{"-s", "007", "-m", "x"}, parse_outcome::run, 7},
    {{"-s", "0x10", "-m", "x"}, parse_outcome::run, 0},
    {{"-I", "9223372036854775807", "-m", "x"}, parse_outcome::run, ANY, 9223372036854775807LL},
    {{"-I", "-18446744073709551615", "-m", "x"}, parse_outcome::run, ANY, 1},
    {{"-s", "5", "-s", "6", "-m", "x"}, parse_outcome::run, 6},
    // Rejected numbers.
    {{"-s", "abc", "-m", "x"}, parse_outcome::rejected},
    {{"-s", "", "-m", "x"}, parse_outcome::rejected},
    {{"-s", "-", "-m", "x"}, parse_outcome::rejected},
    {{"-s", "+-3", "-m", "x"}, parse_outcome::rejected},
    {{"-s", "-1", "-m", "x"}, parse_outcome::rejected},
    {{"-s", "3000000000", "-m", "x"}, parse_outcome::rejected},
    {{"-s", "2147483648", "-m", "x"}, parse_outcome::rejected},
    {{"-s", "99999999999999999999999", "-m", "x"}, parse_outcome::rejected},
    {{"-I", "-1", "-m", "x"}, parse_outcome::rejected},
    {{"-I", "9223372036854775808", "-m", "x"}, parse_outcome::rejected},
    {{"-P", "-5", "-c", "x", "-D"}, parse_outcome::rejected},
    {{"-P", "x", "-c", "x", "-D"}, parse_outcome::rejected},
    // A rejected number ends parsing where it stands.
    {{"-s", "abc", "-V"}, parse_outcome::rejected},
    {{"-s", "abc", "-x"}, parse_outcome::rejected},
    // Combinations that are refused.
    {{}, parse_outcome::rejected},
    {{"-e", "-d"}, parse_outcome::rejected},
    {{"-b", "-b"}, parse_outcome::rejected},
    {{"-f", "a", "-m", "b"}, parse_outcome::rejected},
    {{"-m", "a", "-m", "b"}, parse_outcome::rejected},
    {{"-k", "-k"}, parse_outcome::rejected},
    {{"-e", "-F"}, parse_outcome::rejected},
    {{"-B", "-p", "f"}, parse_outcome::rejected},
    {{"-b", "-D"}, parse_outcome::rejected},
    {{"-f", "x", "-i"}, parse_outcome::rejected},
    {{"-f", "x", "-p", "f"}, parse_outcome::rejected},
    {{"-f", "x", "-D"}, parse_outcome::rejected},
    {{"-m", "x", "-D"}, parse_outcome::rejected},
    {{"-m", "x", "-p", "f"}, parse_outcome::rejected},
    {{"-k", "-n"}, parse_outcome::rejected},
    {{"-k", "-P", "3"}, parse_outcome::rejected},
    {{"-k", "-t", "f"}, parse_outcome::rejected},
    {{"-f", "x", "-F", "-R"}, parse_outcome::rejected},
    {{"-m", "x", "-R", "-F"}, parse_outcome::rejected},
    {{"-c", "x", "-F", "-R", "-D"}, parse_outcome::rejected},
    {{"-c", "x", "-P", "5"}, parse_outcome::rejected},
    {{"-c", "x", "-p", "f"}, parse_outcome::rejected},
    {{"-D"}, parse_outcome::rejected},
    {{"-n"}, parse_outcome::rejected},
    // The first operand ends option parsing.
    {{"x", "-e"}, parse_outcome::rejected},
    {{"-e", "x", "-d"}, parse_outcome::run},
    {{"-e", "x", "-Z"}, parse_outcome::run},
    {{"-m", "x", "--", "-e"}, parse_outcome::run},
    // -h and -V end parsing where they stand.
    {{"-h"}, parse_outcome::help},
    {{"-e", "-d", "-h"}, parse_outcome::help},
    {{"-h", "-x"}, parse_outcome::help},
    {{"-e", "-V"}, parse_outcome::version},
    {{"-V", "-x"}, parse_outcome::version},
    {{"-V", "-s", "abc"}, parse_outcome::version},
    {{"-x", "-V"}, parse_outcome::bad_option},
    {{"-x"}, parse_outcome::bad_option},
    {{"-e", "-Z"}, parse_outcome::bad_option},
    {{"-m"}, parse_outcome::bad_option},
    {{"-e", "-s"}, parse_outcome::bad_option},
    // -o is the preview's, for the modes that draw a picture.
    {{"-m", "x", "-o", "f"}, parse_outcome::bad_option},
    {{"-m", "x", "-o", "f"}, parse_outcome::run, ANY, ANY, ANY, ANY, OPTCLASS_OUTPUT, true},
    {{"-B", "-o", "f"}, parse_outcome::run, ANY, ANY, ANY, ANY, OPTCLASS_OUTPUT, true},
    {{"-c", "x", "-D", "-o", "f"}, parse_outcome::run, ANY, ANY, ANY, ANY, ANY, true},
    {{"-f", "x", "-i", "-o", "f"}, parse_outcome::rejected, ANY, ANY, ANY, ANY, ANY, true},
    {{"-e", "-o", "f"}, parse_outcome::rejected, ANY, ANY, ANY, ANY, ANY, true},
    {{"-k", "-o", "f"}, parse_outcome::rejected, ANY, ANY, ANY, ANY, ANY, true},
};

TEST(cmdline, parses_and_checks_every_shape)
{
    for (const parse_case &c : PARSE_CASES) {
        std::string joined;
        for (const std::string &a : c.args)
            joined += "'" + a + "' ";
        SCOPED_TRACE(joined);
        cmdline request;
        const parse_outcome outcome = parse(c.args, request, c.preview);
        EXPECT_STREQ(outcome_name(c.outcome), outcome_name(outcome));
        if (c.size != ANY) {
            EXPECT_EQ(c.size, request.size);
        }
        if (c.face_index != ANY) {
            EXPECT_EQ(c.face_index, request.face_index);
        }
        if (c.poll_seconds != ANY) {
            EXPECT_EQ(c.poll_seconds, request.poll_seconds);
        }
        if (c.display_flags != ANY) {
            EXPECT_EQ(c.display_flags, request.display_flags);
        }
        if (c.option_classes != ANY) {
            EXPECT_EQ(c.option_classes, request.option_classes);
        }
    }
}

// The line lidglow-preview writes before its usage text.
TEST(cmdline, names_what_was_rejected)
{
    const struct {
        std::vector<std::string> args;
        const char *why;
        bool preview;
    } cases[] = {
        {{"-e"}, nullptr, false},
        {{"-s", "-1", "-m", "x"}, "-s needs a number from 0 to 2147483647", false},
        {{"-I", "-1", "-m", "x"}, "-I needs a number of 0 or more", false},
        {{"-P", "x", "-c", "x", "-D"}, "-P needs a number from 0 to 2147483647", false},
        {{}, "Give one of -B -b -d -e -f -m -c -k", false},
        {{"-f", "a", "-m", "b"}, "Give only one of -B -b -d -e -f -m -c -k", false},
        {{"-e", "-o", "f"}, "-o needs -B, -b, -f, -m or -c", true},
        {{"-b", "-n"}, "-B, -b, -d and -e take no other options", false},
        {{"-k", "-t", "f"}, "-k takes no other option than -p", false},
        {{"-f", "x", "-i"}, "The font options need -m or -c", false},
        {{"-m", "x", "-D"}, "-D needs -c", false},
        {{"-m", "x", "-P", "3"}, "-P needs -c -D", false},
        {{"-f", "x", "-p", "f"}, "-p needs -c -D or -k", false},
        {{"-m", "x", "-R", "-F"}, "-F and -R exclude each other", false},
        {{"-c", "x", "-P", "5"}, "-P needs -D", false},
        {{"-c", "x", "-p", "f"}, "-p needs -D", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args.front());
        cmdline request;
        parse(c.args, request, c.preview);
        const char *why = cmdline_rejection(request);
        EXPECT_STREQ(why, c.why);
    }
}

TEST(cmdline, records_values_and_counts)
{
    cmdline request;
    ASSERT_EQ(parse_outcome::run,
              parse({"-m", "first", "-t", "a.ttf", "-t", "b.ttf", "-w", "-u", "-i", "-I", "2"},
                    request));
    EXPECT_STREQ("first", request.message);
    EXPECT_STREQ("b.ttf", request.font_path);
    EXPECT_EQ(7, request.style);
    EXPECT_EQ(2, request.face_index);
    EXPECT_EQ(1, request.primary_count);

    cmdline controls;
    ASSERT_EQ(parse_outcome::rejected, parse({"-e", "-d", "-b", "-B"}, controls));
    EXPECT_EQ(CONTROL_ENABLE | CONTROL_DISABLE | CONTROL_BLANK | CONTROL_FILL,
              controls.control_flags);
    EXPECT_EQ(4, controls.primary_count);

    cmdline daemon;
    ASSERT_EQ(parse_outcome::run, parse({"-c", "date", "-D", "-D", "-p", "/tmp/x.pid"}, daemon));
    EXPECT_STREQ("date", daemon.command);
    EXPECT_EQ(2, daemon.daemon_count);
    EXPECT_STREQ("/tmp/x.pid", daemon.pidfile_path);
    EXPECT_EQ(-1, daemon.poll_seconds);
}

TEST(cmdline, parse_number_keeps_errno)
{
    errno = 0;
    std::uint64_t value = 0;
    EXPECT_TRUE(parse_number("99999999999999999999999", value));
    EXPECT_EQ(UINT64_MAX, value);
    EXPECT_EQ(0, errno);
}

} // namespace
