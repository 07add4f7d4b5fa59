#include "render/image.h"

#include <cerrno>
#include <cstdio>

#include <SDL_image.h>

#include "cli/handles.h"
#include "lcm/protocol.h"
#include "lcm/status.h"
#include "render/frame.h"

int show_image(const char *path, int display_flags)
{
    // Errno is cleared so that a failed load reports what the loader left,
    // not something older.
    errno = 0;
    const surface_owner surface(IMG_Load(path));
    if (!surface) {
        const int status = errno_status();
        std::fprintf(stderr, "%s\n", SDL_GetError());
        return status;
    }

    const frame_bytes frame = frame_from_surface(surface.get(), display_flags);
    if (!frame)
        return errno_status();

    // The display passes through blank before every image.
    const int status = lcm_send_frame(display_handle, 0, FRAME_WIDTH, FRAME_HEIGHT, nullptr);
    if (status != 0) {
        std::fputs("Failed to blank display!\n", stderr);
        return status;
    }

    const frame_size size = frame_geometry(display_flags, surface->w);
    return lcm_send_frame(display_handle, display_flags, size.width, size.height, frame.get());
}
