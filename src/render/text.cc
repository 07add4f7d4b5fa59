#include "render/text.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

#include <SDL_ttf.h>

#include "base/exit_status.h"
#include "lcm/device.h"
#include "lcm/protocol.h"
#include "render/font.h"
#include "render/frame.h"
#include "render/span.h"
#include "render/utf8.h"

namespace {

int report_sdl_failure()
{
    const int status = errno_status();
    std::fprintf(stderr, "%s\n", SDL_GetError());
    return status;
}

} // namespace

int show_text(const char *text, int display_flags, const font_spec &font)
{
    // A character cut short at the end would send SDL_ttf's decoder past
    // the text, so it is not shown.
    const std::string_view whole(text, utf8_whole_length(text));
    if (whole.empty()) {
        std::fputs("Nothing to display!\n", stderr);
        return EINVAL;
    }

    errno = 0;
    if (TTF_Init() < 0)
        return report_sdl_failure();

    // The first font opened serves the whole process, so a daemon keeps
    // rendering with it whatever later calls ask for.
    if (!font_handle) {
        TTF_Font *opened = open_font(font, display_flags);
        if (!opened)
            return report_sdl_failure();
        font_handle = opened;
    }

    const SDL_Color black = {0, 0, 0, 0};
    const SDL_Color white = {255, 255, 255, 0};
    const std::string renderable = utf8_renderable(whole);
    const text_span span = renderable_span(font_handle, renderable, MAX_SURFACE_WIDTH);
    const std::string shown(renderable.substr(span.start, span.length));
    errno = 0;
    const surface_owner surface(TTF_RenderUTF8_Shaded(font_handle, shown.c_str(), black, white));
    if (!surface)
        return report_sdl_failure();

    const frame_bytes frame = frame_from_surface(surface.get(), display_flags);
    if (!frame)
        return errno_status();

    // A bitmap font may draw nothing at all; the blank frame is still
    // sent, as the text asked for, but not in silence.
    if (!surface_has_dark_pixel(surface.get()) && utf8_has_ink(shown))
        std::fputs("The font draws no pixel of this text\n", stderr);

    const frame_size size = frame_geometry(display_flags, surface->w);
    return lcm_send_frame(display_handle, display_flags, size.width, size.height, frame.get());
}
