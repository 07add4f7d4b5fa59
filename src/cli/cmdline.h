#ifndef LIDGLOW_CLI_CMDLINE_H
#define LIDGLOW_CLI_CMDLINE_H

#include <cstdint>

// Which groups of modifier options were given.
constexpr int OPTCLASS_DISPLAY = 0x01;
constexpr int OPTCLASS_FONT = 0x02;
constexpr int OPTCLASS_DAEMON = 0x04;
constexpr int OPTCLASS_PIDFILE = 0x08;
// lidglow-preview's -o; lidglow itself has no such option.
constexpr int OPTCLASS_OUTPUT = 0x10;

constexpr const char *DEFAULT_FONT = LIDGLOW_DEFAULT_FONT;
constexpr const char *DEFAULT_PIDFILE = "/var/run/lidglow.pid";
constexpr int DEFAULT_POLL_SECONDS = 60;

// The request as read from the command line. Strings point into argv; a
// repeated option overwrites the earlier value, the counters count all.
struct cmdline {
    int primary_count = 0;
    int control_flags = 0;
    int stop_count = 0;
    const char *image_path = nullptr;
    const char *message = nullptr;
    const char *command = nullptr;
    int display_flags = 0;
    int option_classes = 0;
    const char *font_path = nullptr;
    int style = 0;
    std::int32_t size = -1;
    std::int64_t face_index = -1;
    int daemon_count = 0;
    std::int32_t poll_seconds = -1;
    const char *pidfile_path = nullptr;
    const char *output_path = nullptr;
    char bad_number_option = 0; // the option whose number was refused
};

enum class parse_outcome {
    run,        // a valid request
    help,       // -h: usage, status 0
    version,    // -V: version banner, status 0
    bad_option, // unknown option or missing argument: usage, status 22
    rejected,   // bad number or combination: usage, status 0
};

// Reads the options with getopt, stopping at the first operand, and checks
// their combination. Prints only getopt's own diagnostics. with_output adds
// lidglow-preview's -o file.
parse_outcome parse_cmdline(int argc, char **argv, cmdline &request, bool with_output = false);

// Converts a number the way strtoull does in base 10 (white space, a sign,
// wrap-around modulo 2^64); false when the text holds no digit.
bool parse_number(const char *text, std::uint64_t &value);

// True when the options form one of the accepted shapes.
bool check_cmdline(const cmdline &request);

// Why a request was rejected, in one line without its line end, such as
// "-P needs -D"; nullptr for a request that is not.
const char *cmdline_rejection(const cmdline &request);

#endif
