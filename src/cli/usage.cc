#include "cli/usage.h"

#include "base/exit_status.h"
#include "cli/cmdline.h"
#include "version.h"

namespace {

const char *const OPTION_LINES[] = {
    "\nControl Options:",
    "\t-B\t\tFill display.",
    "\t-b\t\tBlank display.",
    "\t-d\t\tDisable display.",
    "\t-e\t\tEnable display.",
    "\nOutput Options:",
    "\t-f image\tDisplay this image file.",
    "\t-m message\tDisplay this message.",
    "\t-c command\tDisplay output of this command.",
    "\nDisplay Options:",
    "\t-F\t\tDisplay image with flashing effect.",
    "\t-R\t\tDisplay image with rolling effect.",
    "\t-n\t\tDisplay negative image.",
    "\t-r\t\tDisplay horizontally reversed image.",
    "\t-v\t\tDisplay vertically flipped image.",
    "\nFont Options:",
    "\t-i\t\tSlant characters.",
    "\t-u\t\tUnderline characters.",
    "\t-w\t\tEmbolden characters.",
    "\t-I index\tLoad typeface of this index from TTC file.",
};

const char *const SIZE_LINES[] = {
    "\t-s size\t\tSet nominal height of the font.",
};

const char *const FONT_LINES[] = {
    "\t-t font\t\tUse this font file.",
    "\nDaemon Options:",
    "\t-D\t\tRun the command continuously in background.",
    "\t-P time\t\tSet poll timer between command executions.",
};

const char *const PIDFILE_LINES[] = {
    "\t-p pidfile\tUse this pid file.",
};

const char *const HELP_LINES[] = {
    "\t-k\t\tStop running daemon.",
    "\nHelp Options:",
    "\t-h\t\tShow this usage message.",
    "\t-V\t\tShow version.",
};

template <std::size_t N>
void write_lines(std::FILE *out, const char *const (&lines)[N])
{
    for (const char *line : lines) {
        std::fputs(line, out);
        std::fputc('\n', out);
    }
}

} // namespace

void write_usage(std::FILE *out, const char *name)
{
    std::fprintf(out, "Usage:\t%s [-B|-b|-d|-e|-h|-V]\n", name);
    std::fprintf(out, "\t%s -f image [-F|-R] [-n] [-r] [-v]\n", name);
    std::fprintf(out, "\t%s -m message [opts] [-i] [-u] [-w] [-I index] [-s size] [-t font]\n", name);
    std::fprintf(out, "\t%s -c command [opts] [-D [-P time] [-p pidfile]]\n", name);
    std::fprintf(out, "\t%s -k [-p pidfile]\n", name);
    write_lines(out, OPTION_LINES);
    std::fprintf(out, "\t\t\t(default: %d)\n", 0);
    write_lines(out, SIZE_LINES);
    std::fprintf(out, "\t\t\t(default: %s)\n", "auto");
    write_lines(out, FONT_LINES);
    std::fprintf(out, "\t\t\t(default: once per %u second(s))\n",
                 static_cast<unsigned>(DEFAULT_POLL_SECONDS));
    write_lines(out, PIDFILE_LINES);
    std::fprintf(out, "\t\t\t(default: %s)\n", DEFAULT_PIDFILE);
    write_lines(out, HELP_LINES);
}

void print_usage(const char *program_name)
{
    write_usage(stdout, program_name);
}

void print_version()
{
    std::printf("Lidglow Utility %s\n", LIDGLOW_VERSION);
}

int answer_parse_outcome(parse_outcome outcome, const char *program_name, const char *extra_usage)
{
    switch (outcome) {
    case parse_outcome::run:
        return -1;
    case parse_outcome::version:
        print_version();
        return 0;
    case parse_outcome::help:
    case parse_outcome::bad_option:
    case parse_outcome::rejected:
        break;
    }
    print_usage(program_name);
    if (extra_usage != nullptr)
        std::fputs(extra_usage, stdout);
    return outcome == parse_outcome::bad_option ? STATUS_INVALID : STATUS_SUCCESS;
}
