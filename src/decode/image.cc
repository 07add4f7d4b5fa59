#include "decode/image.h"

#include <cstdio>

#include "decode/decoder.h"
#include "lcm/device.h"
#include "lcm/protocol.h"
#include "render/frame.h"

int show_image(const char *path, int display_flags)
{
    // The decoder runs in a child, which has reported any failure.
    const decode_reply picture = decode_picture(path, display_flags);
    if (picture.status != 0)
        return picture.status;
    return show_picture(picture, display_flags);
}

int show_picture(const decode_reply &picture, int display_flags)
{
    // The display passes through blank before every image.
    const int status = lcm_send_frame(display_handle, 0, FRAME_WIDTH, FRAME_HEIGHT, nullptr);
    if (status != 0) {
        std::fputs("Failed to blank display!\n", stderr);
        return status;
    }
    return lcm_send_frame(display_handle, display_flags, picture.width, picture.height,
                          picture.frame.data());
}
