#include "daemon/handles.h"

#include <libutil.h>

#include "lcm/device.h"
#include "render/font.h"

struct pidfh *pid_handle = nullptr;

void release_all()
{
    if (font_handle != nullptr) {
        TTF_CloseFont(font_handle);
        font_handle = nullptr;
    }
    if (pid_handle != nullptr) {
        pidfile_remove(pid_handle);
        pid_handle = nullptr;
    }
    if (display_handle != nullptr) {
        lcm_close(display_handle);
        display_handle = nullptr;
    }
}
