#include <cerrno>
#include <libgen.h>

#include "base/exit_status.h"
#include "cli/cmdline.h"
#include "cli/descriptors.h"
#include "cli/dispatch.h"
#include "cli/usage.h"
#include "daemon/handles.h"
#include "lcm/device.h"

int main(int argc, char **argv)
{
    // Before anything opens a file that could take a closed one's number.
    if (!open_standard_descriptors())
        return EBADF;
    errno = 0;
    char fallback_name[] = "lidglow";
    const char *program_name = basename(argc > 0 && argv[0] != nullptr ? argv[0] : fallback_name);

    cmdline request;
    const int parse_status = answer_parse_outcome(parse_cmdline(argc, argv, request), program_name);
    if (parse_status >= 0)
        return parse_status;

    struct usb_device *device = nullptr;
    if (request_needs_display(request)) {
        device = lcm_find();
        if (device == nullptr)
            return STATUS_NOT_FOUND;
        display_handle = lcm_open(device);
        if (display_handle == nullptr)
            return STATUS_NOT_FOUND;
    }

    const int status = run_mode(request, device);
    release_all();
    return status;
}
