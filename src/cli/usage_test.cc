#include "cli/usage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string usage_of(const char *name)
{
    std::FILE *out = std::tmpfile();
    write_usage(out, name);
    std::string text;
    std::rewind(out);
    for (int c; (c = std::fgetc(out)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(out);
    return text;
}

const char EXPECTED_USAGE[] =
    "Usage:\tlg [-B|-b|-d|-e|-h|-V]\n"
    "\tlg -f image [-F|-R] [-n] [-r] [-v]\n"
    "\tlg -m message [opts] [-i] [-u] [-w] [-I index] [-s size] [-t font]\n"
    "\tlg -c command [opts] [-D [-P time] [-p pidfile]]\n"
    "\tlg -k [-p pidfile]\n"
    "\n"
    "Control Options:\n"
    "\t-B\t\tFill display.\n"
    "\t-b\t\tBlank display.\n"
    "\t-d\t\tDisable display.\n"
    "\t-e\t\tEnable display.\n"
    "\n"
    "Output Options:\n"
    "\t-f image\tDisplay this image file.\n"
    "\t-m message\tDisplay this message.\n"
    "\t-c command\tDisplay output of this command.\n"
    "\n"
    "Display Options:\n"
    "\t-F\t\tDisplay image with flashing effect.\n"
    "\t-R\t\tDisplay image with rolling effect.\n"
    "\t-n\t\tDisplay negative image.\n"
    "\t-r\t\tDisplay horizontally reversed image.\n"
    "\t-v\t\tDisplay vertically flipped image.\n"
    "\n"
    "Font Options:\n"
    "\t-i\t\tSlant characters.\n"
    "\t-u\t\tUnderline characters.\n"
    "\t-w\t\tEmbolden characters.\n"
    "\t-I index\tLoad typeface of this index from TTC file.\n"
    "\t\t\t(default: 0)\n"
    "\t-s size\t\tSet nominal height of the font.\n"
    "\t\t\t(default: auto)\n"
    "\t-t font\t\tUse this font file.\n"
    "\n"
    "Daemon Options:\n"
    "\t-D\t\tRun the command continuously in background.\n"
    "\t-P time\t\tSet poll timer between command executions.\n"
    "\t\t\t(default: once per 60 second(s))\n"
    "\t-p pidfile\tUse this pid file.\n"
    "\t\t\t(default: /var/run/lidglow.pid)\n"
    "\t-k\t\tStop running daemon.\n"
    "\n"
    "Help Options:\n"
    "\t-h\t\tShow this usage message.\n"
    "\t-V\t\tShow version.\n";

TEST(usage, text_is_exact)
{
    EXPECT_EQ(EXPECTED_USAGE, usage_of("lg"));
}

} // namespace
