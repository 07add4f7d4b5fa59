// Option parsing: any argument vector, the arguments separated by NUL
// bytes of the input. A request accepted for running must be one that
// check_cmdline accepts, and its strings must point into the arguments.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/cmdline.h"
#include "lcm/display_flags.h"

namespace {

bool points_into(const char *text, const std::vector<std::string> &args)
{
    if (text == nullptr)
        return true;
    for (const std::string &arg : args)
        if (text >= arg.data() && text <= arg.data() + arg.size())
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::vector<std::string> args = {"lidglow", ""};
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);

    // getopt's complaints are of no interest here.
    opterr = 0;
    cmdline request;
    const parse_outcome outcome = parse_cmdline(static_cast<int>(args.size()), argv.data(), request);
    if (outcome == parse_outcome::run) {
        if (!check_cmdline(request) || request.primary_count != 1 ||
            (request.display_flags & DISPLAY_MODE_MASK) == DISPLAY_MODE_MASK)
            std::abort();
    }
    for (const char *text : {request.image_path, request.message, request.command, request.font_path,
                             request.pidfile_path})
        if (!points_into(text, args))
            std::abort();
    for (const std::string &arg : args) {
        std::uint64_t value;
        parse_number(arg.c_str(), value);
    }
    return 0;
}
