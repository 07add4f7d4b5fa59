// End-to-end tests of command output run once (-c without -D): the line
// taken from the output must look on the display exactly like the same text
// given with -m.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "render_e2e.h"

namespace {

using render_e2e::DEJAVU;
using render_e2e::picture;
using render_e2e::single_frame;

e2e::run_result run(const char *option, const std::string &value,
                    const std::vector<std::string> &options)
{
    std::vector<std::string> args = {option, value};
    args.insert(args.end(), options.begin(), options.end());
    return e2e::run_lidglow({}, args);
}

picture message_picture(const std::string &message, const std::vector<std::string> &options)
{
    return single_frame(run("-m", message, options)).picture;
}

struct command_case {
    const char *name;
    std::string command;
    std::string message;    // what the display must show
    std::string different;  // a near miss that must look different; empty: none
    std::vector<std::string> options;
};

void PrintTo(const command_case &c, std::ostream *os)
{
    *os << c.name;
}

std::vector<std::string> font(std::vector<std::string> more = {})
{
    more.insert(more.begin(), {"-t", DEJAVU});
    return more;
}

class command_line : public testing::TestWithParam<command_case> {};

TEST_P(command_line, shows_the_same_as_the_message)
{
    const command_case &c = GetParam();
    const e2e::run_result r = run("-c", c.command, c.options);
    const vdisplay::transfer t = single_frame(r);
    ASSERT_FALSE(t.picture.empty());
    const picture expected = message_picture(c.message, c.options);
    EXPECT_EQ(t.picture, expected) << "shown:\n"
                                   << vdisplay::draw_picture(t) << "expected \"" << c.message
                                   << "\"";
    // The near miss shows that the comparison can tell the texts apart.
    if (!c.different.empty()) {
        EXPECT_NE(expected, message_picture(c.different, c.options));
    }
}

std::string digits(std::size_t n)
{
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += static_cast<char>('0' + i % 10);
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    outputs, command_line,
    testing::Values(
        // Leading white space and empty lines are dropped; the second line is
        // never read.
        command_case{"first_non_blank_line", "printf '\\n\\n  hello world\\nsecond line\\n'",
                     "hello world", "  hello world", font()},
        // Tab and carriage return become spaces, and the trailing one stays.
        command_case{"white_space_flattened", "printf 'a\\tb\\r\\n'", "a b ", "a b", font()},
        command_case{"vertical_tab_and_form_feed", "printf 'x\\vy\\fz\\n'", "x y z", "xyz", font()},
        command_case{"no_final_newline", "printf 42", "42", "", font()},
        command_case{"utf8_passes_through", "printf 'Gr\\303\\274\\303\\237e\\n'", "Grüße", "", font()},
        // A NUL byte ends the text.
        command_case{"nul_ends_the_text", "printf 'ab\\000cd\\n'", "ab", "abcd", font()},
        command_case{"display_options", "echo Lid", "Lid", "", font({"-F", "-n", "-r"})},
        command_case{"font_options", "echo Lid", "Lid", "", font({"-s", "20", "-w", "-i", "-u"})},
        // Only the first 1023 characters of a long line are kept; the rolling
        // frame's middle moves with every character, so the comparison sees
        // a character more or less.
        command_case{"long_line_cut_at_1023", "printf '%s\\n' " + digits(5000), digits(1023),
                     digits(1024), font({"-R", "-s", "6"})},
        // The limit cuts a three-byte character after its first byte; the
        // rest of it is dropped rather than completed from beyond the text.
        command_case{"character_cut_at_1023", "printf '%s\\344\\275\\240\\n' " + digits(1022),
                     digits(1022), digits(1023), font({"-R", "-s", "6"})}),
    [](const testing::TestParamInfo<command_case> &info) { return std::string(info.param.name); });

struct silent_case {
    const char *name;
    std::string command;
    std::string err;  // standard error's last line
    bool whole_err;   // and nothing else on it
};

void PrintTo(const silent_case &c, std::ostream *os)
{
    *os << c.name;
}

class silent_command : public testing::TestWithParam<silent_case> {};

TEST_P(silent_command, is_refused_before_anything_is_sent)
{
    const silent_case &c = GetParam();
    render_e2e::expect_refused(run("-c", c.command, font()), 22, c.err, c.whole_err);
}

INSTANTIATE_TEST_SUITE_P(
    outputs, silent_command,
    testing::Values(
        silent_case{"no_output", "true", "Nothing returned by the command!", true},
        silent_case{"only_white_space", "printf ' \\n\\t\\r\\n\\v\\f\\n'",
                    "Nothing returned by the command!", true},
        silent_case{"not_found", "lidglow-no-such-command", "Nothing returned by the command!", false},
        // A line that leaves nothing to show is no output either.
        silent_case{"starts_with_nul", "printf '\\000abc\\n'", "Nothing returned by the command!", true},
        silent_case{"starts_with_a_cut_character", "printf '\\360x\\n'",
                    "Nothing returned by the command!", true},
        // Blank lines without end are no output either.
        silent_case{"endless_blank_lines", "yes '' 2>/dev/null", "Nothing returned by the command!", true}),
    [](const testing::TestParamInfo<silent_case> &info) { return std::string(info.param.name); });

TEST(command_not_found, the_shell_reports_it_first)
{
    // A PATH of the caller's own with a directory the test's user cannot
    // search would turn "not found" into "Permission denied".
    const e2e::run_result r = run("-c", "PATH=/usr/bin:/bin; lidglow-no-such-command", font());
    EXPECT_NE(r.err.find("lidglow-no-such-command"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("not found"), std::string::npos) << r.err;
}

// yes writes forever: the program must stop reading after the first line
// and reap it, which ends it on the closed pipe. A background job that
// keeps the pipe open is not waited for once the shell has ended; it is
// the command's, not lidglow's, and outlives it as it would outlive the
// shell. The script ends it and waits until it is gone (the virtual display
// adopts and reaps it), since the display names any process still there
// when the script ends.
TEST(endless_command, is_reaped_after_the_first_line)
{
    const struct {
        const char *command;
        const char *line;
        const char *start = "";  // what starts lidglow
    } cases[] = {
        // yes complains on its standard error about the closed pipe.
        {"yes 2>/dev/null", "y"},
        {"sleep 20 & echo $! > job; printf hi", "hi"},
        // Started with SIGPIPE ignored, as systemd starts services, the
        // shell's loop must still end on the closed pipe.
        {"while :; do echo tick; done", "tick", "env --ignore-signal=PIPE "},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.command);
        const e2e::run_result r = e2e::run_script(
            {}, c.start + std::string("\"$LIDGLOW\" -c '") + c.command + "' -t " + DEJAVU +
                    "; status=$?; if [ -e job ]; then job=$(cat job); kill \"$job\"; "
                    "while kill -0 \"$job\" 2>/dev/null; do sleep 0.01; done; fi; exit $status");
        EXPECT_FALSE(r.timed_out);
        EXPECT_LT(r.elapsed_ms, 10000.0);
        const vdisplay::transfer t = single_frame(r);
        EXPECT_EQ(t.picture, message_picture(c.line, font()));
    }
}

// A message that ends inside a character shows as the message without it.
TEST(cut_message, shows_the_text_before_the_cut_character)
{
    for (const char *cut : {"ab\xE4\xBD", "ab\xF0\x9F\x98", "ab\xC3"}) {
        SCOPED_TRACE(cut);
        const e2e::run_result r = run("-m", cut, font({"-R"}));
        EXPECT_EQ(r.status, 0) << r.summary();
        EXPECT_EQ(r.writes(), run("-m", "ab", font({"-R"})).writes());
    }
}

}  // namespace
