#include "cli/dispatch.h"

#include "base/exit_status.h"
#include "daemon/daemon.h"
#include "daemon/stop.h"
#include "decode/image.h"
#include "exec/command.h"
#include "lcm/device.h"
#include "lcm/protocol.h"
#include "render/text.h"

font_spec request_font(const cmdline &request)
{
    font_spec font;
    font.path = request.font_path != nullptr ? request.font_path : DEFAULT_FONT;
    font.style = request.style;
    font.size = request.size == -1 ? 0 : request.size;
    font.index = request.face_index == -1 ? 0 : static_cast<long>(request.face_index);
    return font;
}

int request_poll_seconds(const cmdline &request)
{
    return request.poll_seconds == -1 ? DEFAULT_POLL_SECONDS : request.poll_seconds;
}

bool request_needs_display(const cmdline &request)
{
    return request.stop_count == 0;
}

namespace {

// A command may take long, a weather line over the network say; the
// display is left to others while it runs and taken again for the send.
// Without a device (the preview) there is no display to leave.
int show_command_once(const cmdline &request, const font_spec &font, struct usb_device *device)
{
    if (device == nullptr)
        return show_command(request.command, request.display_flags, font, false);
    lcm_close(display_handle);
    display_handle = nullptr;
    char text[COMMAND_TEXT_SIZE];
    const int status = read_command_line(request.command, text);
    if (status != 0)
        return status;
    display_handle = lcm_open(device);
    if (display_handle == nullptr)
        return STATUS_NOT_FOUND;
    return show_command_line(text, request.display_flags, font, false);
}

} // namespace

int run_mode(const cmdline &request, struct usb_device *device)
{
    const font_spec font = request_font(request);
    const char *pidfile_path = request.pidfile_path != nullptr ? request.pidfile_path : DEFAULT_PIDFILE;
    const int poll_seconds = request_poll_seconds(request);

    if (request.control_flags != 0)
        return lcm_control(display_handle, request.control_flags);
    if (request.stop_count != 0)
        return stop_daemon(pidfile_path);
    if (request.image_path != nullptr)
        return show_image(request.image_path, request.display_flags);
    if (request.message != nullptr)
        return show_text(request.message, request.display_flags, font);
    if (request.daemon_count != 0)
        return run_daemon(request.command, request.display_flags, font, device, pidfile_path,
                          poll_seconds);
    return show_command_once(request, font, device);
}
