#include "cli/cmdline.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include <SDL_ttf.h>

#include "cli/getopt_compat.h"
#include "lcm/display_flags.h"
#include "lcm/protocol.h"

namespace {

constexpr const char OPTION_LETTERS[] = "Bbc:DdeFf:hI:ikm:nP:p:Rrs:t:uVvw";
constexpr const char OUTPUT_LETTER[] = "o:";

// -s and -P keep the low 32 bits and refuse what is negative as an int.
bool parse_int32(const char *text, std::int32_t &out)
{
    std::uint64_t value;
    if (!parse_number(text, value))
        return false;
    const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    if (low < 0)
        return false;
    out = low;
    return true;
}

} // namespace

bool parse_number(const char *text, std::uint64_t &value)
{
    // A range error must not leak into the statuses that report errno.
    const int saved_errno = errno;
    char *end = nullptr;
    const unsigned long long result = std::strtoull(text, &end, 10);
    errno = saved_errno;
    if (end == text)
        return false;
    value = result;
    return true;
}

bool check_cmdline(const cmdline &request)
{
    return cmdline_rejection(request) == nullptr;
}

const char *cmdline_rejection(const cmdline &request)
{
    switch (request.bad_number_option) {
    case 's':
        return "-s needs a number from 0 to 2147483647";
    case 'P':
        return "-P needs a number from 0 to 2147483647";
    case 'I':
        return "-I needs a number of 0 or more";
    default:
        break;
    }
    // -o goes with whatever draws a picture: -B, -b, -f, -m and -c.
    const int output = request.option_classes & OPTCLASS_OUTPUT;
    const int classes = request.option_classes & ~OPTCLASS_OUTPUT;
    if (request.primary_count == 0)
        return "Give one of -B -b -d -e -f -m -c -k";
    if (request.primary_count > 1)
        return "Give only one of -B -b -d -e -f -m -c -k";
    if (output != 0 && (request.stop_count != 0 ||
                        (request.control_flags & (CONTROL_ENABLE | CONTROL_DISABLE)) != 0))
        return "-o needs -B, -b, -f, -m or -c";
    if (request.control_flags != 0 && classes != 0)
        return "-B, -b, -d and -e take no other options";
    if (request.stop_count != 0 && classes != 0 && classes != OPTCLASS_PIDFILE)
        return "-k takes no other option than -p";
    if ((classes & OPTCLASS_FONT) != 0 && request.message == nullptr && request.command == nullptr)
        return "The font options need -m or -c";
    if ((classes & OPTCLASS_DAEMON) != 0 && request.command == nullptr)
        return request.daemon_count != 0 ? "-D needs -c" : "-P needs -c -D";
    if ((classes & OPTCLASS_PIDFILE) != 0 && request.command == nullptr && request.stop_count == 0)
        return "-p needs -c -D or -k";
    if ((request.display_flags & DISPLAY_MODE_MASK) == DISPLAY_MODE_MASK)
        return "-F and -R exclude each other";
    if (request.command != nullptr && (classes & (OPTCLASS_DAEMON | OPTCLASS_PIDFILE)) != 0 &&
        request.daemon_count == 0)
        return (classes & OPTCLASS_DAEMON) != 0 ? "-P needs -D" : "-p needs -D";
    return nullptr;
}

parse_outcome parse_cmdline(int argc, char **argv, cmdline &request, bool with_output)
{
    const std::string options =
        std::string(GETOPT_NO_PERMUTE) + OPTION_LETTERS + (with_output ? OUTPUT_LETTER : "");
    getopt_restart();
    int letter;
    while ((letter = getopt(argc, argv, options.c_str())) != -1) {
        switch (letter) {
        case 'o':
            request.output_path = optarg;
            request.option_classes |= OPTCLASS_OUTPUT;
            break;
        case 'B':
            request.control_flags |= CONTROL_FILL;
            ++request.primary_count;
            break;
        case 'b':
            request.control_flags |= CONTROL_BLANK;
            ++request.primary_count;
            break;
        case 'd':
            request.control_flags |= CONTROL_DISABLE;
            ++request.primary_count;
            break;
        case 'e':
            request.control_flags |= CONTROL_ENABLE;
            ++request.primary_count;
            break;
        case 'c':
            request.command = optarg;
            ++request.primary_count;
            break;
        case 'f':
            request.image_path = optarg;
            ++request.primary_count;
            break;
        case 'm':
            request.message = optarg;
            ++request.primary_count;
            break;
        case 'k':
            ++request.stop_count;
            ++request.primary_count;
            break;
        case 'D':
            ++request.daemon_count;
            request.option_classes |= OPTCLASS_DAEMON;
            break;
        case 'P':
            if (!parse_int32(optarg, request.poll_seconds)) {
                request.bad_number_option = 'P';
                return parse_outcome::rejected;
            }
            request.option_classes |= OPTCLASS_DAEMON;
            break;
        case 'p':
            request.pidfile_path = optarg;
            request.option_classes |= OPTCLASS_PIDFILE;
            break;
        case 'F':
            request.display_flags |= DISPLAY_FLASH;
            request.option_classes |= OPTCLASS_DISPLAY;
            break;
        case 'R':
            request.display_flags |= DISPLAY_ROLL;
            request.option_classes |= OPTCLASS_DISPLAY;
            break;
        case 'n':
            request.display_flags |= DISPLAY_NEGATIVE;
            request.option_classes |= OPTCLASS_DISPLAY;
            break;
        case 'r':
            request.display_flags |= DISPLAY_REVERSE;
            request.option_classes |= OPTCLASS_DISPLAY;
            break;
        case 'v':
            request.display_flags |= DISPLAY_FLIP;
            request.option_classes |= OPTCLASS_DISPLAY;
            break;
        case 'I': {
            std::uint64_t value;
            if (!parse_number(optarg, value) || static_cast<std::int64_t>(value) < 0) {
                request.bad_number_option = 'I';
                return parse_outcome::rejected;
            }
            request.face_index = static_cast<std::int64_t>(value);
            request.option_classes |= OPTCLASS_FONT;
            break;
        }
        case 's':
            if (!parse_int32(optarg, request.size)) {
                request.bad_number_option = 's';
                return parse_outcome::rejected;
            }
            request.option_classes |= OPTCLASS_FONT;
            break;
        case 't':
            request.font_path = optarg;
            request.option_classes |= OPTCLASS_FONT;
            break;
        case 'i':
            request.style |= TTF_STYLE_ITALIC;
            request.option_classes |= OPTCLASS_FONT;
            break;
        case 'u':
            request.style |= TTF_STYLE_UNDERLINE;
            request.option_classes |= OPTCLASS_FONT;
            break;
        case 'w':
            request.style |= TTF_STYLE_BOLD;
            request.option_classes |= OPTCLASS_FONT;
            break;
        case 'h':
            return parse_outcome::help;
        case 'V':
            return parse_outcome::version;
        default:
            return parse_outcome::bad_option;
        }
    }
    return check_cmdline(request) ? parse_outcome::run : parse_outcome::rejected;
}
