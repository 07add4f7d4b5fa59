// Frame conversion: surfaces of every bit depth SDL describes (0 to 32),
// any size, pitch, masks and palette, over pixel memory of exactly pitch x
// height bytes, with any display flags and perhaps a colour key. A surface
// that frame_surface_readable accepts must give a frame of frame_geometry's
// size holding only 0x00 and 0xFF, and no more transparent pixels set or
// clear than the frame has; one it refuses must give no frame.

#include <SDL_video.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "input.h"
#include "render/frame.h"

namespace {

// Larger surfaces would only make each run slower.
constexpr std::size_t MAX_PIXEL_BYTES = 1 << 16;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz_input in{data, size};
    const int flags = in.byte();
    const int depth = in.byte() % 33;
    const int width = static_cast<std::int16_t>(in.word());
    const int height = static_cast<std::int8_t>(in.byte());
    const int pitch = in.word();
    const Uint32 rmask = in.dword(), gmask = in.dword(), bmask = in.dword(), amask = in.dword();
    const int colours = in.word();

    const std::size_t pixel_bytes = height > 0 ? std::size_t(pitch) * height : 0;
    if (pixel_bytes > MAX_PIXEL_BYTES)
        return 0;
    std::vector<Uint8> pixels(pixel_bytes);
    const surface_owner surface(SDL_CreateRGBSurfaceFrom(pixels.empty() ? nullptr : pixels.data(), width,
                                                         height, depth, pitch, rmask, gmask, bmask, amask));
    if (!surface)
        return 0;
    // A palette may define fewer colours than the depth can index.
    SDL_Palette *palette = surface->format->palette;
    if (palette != nullptr) {
        if (colours < palette->ncolors)
            palette->ncolors = colours;
        for (int i = 0; i < palette->ncolors; ++i) {
            palette->colors[i].r = in.byte();
            palette->colors[i].g = in.byte();
            palette->colors[i].b = in.byte();
        }
    }
    // Bit 0 is no display option.
    if (flags & 0x01)
        SDL_SetColorKey(surface.get(), SDL_SRCCOLORKEY, in.dword());
    for (Uint8 &pixel : pixels)
        pixel = in.byte();

    std::string why;
    const bool readable = frame_surface_readable(surface.get(), why);
    const frame_bytes frame = frame_from_surface(surface.get(), flags);
    if (readable != static_cast<bool>(frame))
        std::abort();
    if (!frame)
        return 0;
    const frame_size geometry = frame_geometry(flags, surface->w);
    const std::size_t area = std::size_t(geometry.width) * geometry.height;
    std::size_t set = 0;
    for (std::size_t i = 0; i < area; ++i) {
        if (frame[i] != 0x00 && frame[i] != 0xFF)
            std::abort();
        set += frame[i] != 0x00;
    }
    const transparent_pixels transparent = frame_transparency(surface.get(), flags);
    if (transparent.set > set || transparent.clear > area - set)
        std::abort();
    return 0;
}
