#include <cerrno>
#include <libgen.h>

#include "cli/cmdline.h"
#include "cli/dispatch.h"
#include "cli/handles.h"
#include "cli/usage.h"
#include "lcm/device.h"

int main(int argc, char **argv)
{
    errno = 0;
    char fallback_name[] = "lidglow";
    const char *program_name = basename(argc > 0 && argv[0] != nullptr ? argv[0] : fallback_name);

    cmdline request;
    switch (parse_cmdline(argc, argv, request)) {
    case parse_outcome::run:
        break;
    case parse_outcome::help:
        print_usage(program_name);
        return 0;
    case parse_outcome::version:
        print_version();
        return 0;
    case parse_outcome::bad_option:
        print_usage(program_name);
        return 22;
    case parse_outcome::rejected:
        print_usage(program_name);
        return 0;
    }

    struct usb_device *device = lcm_find();
    if (device == nullptr)
        return 2;
    display_handle = lcm_open(device);
    if (display_handle == nullptr)
        return 2;

    const int status = run_mode(request, device);
    release_all();
    return status;
}
