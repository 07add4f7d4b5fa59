#include "render/frame.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <SDL_endian.h>

#include "lcm/display_flags.h"

namespace {

constexpr unsigned char PIXEL_SET = 0xFF;
constexpr unsigned char PIXEL_CLEAR = 0x00;

// Channel sums below this are dark: a plain sum, not a weighted luminance.
constexpr unsigned DARK_SUM_LIMIT = 384;

// Holds the surface locked while its pixels are read; only surfaces that
// need it are locked.
struct surface_lock {
    SDL_Surface *surface;
    bool locked;

    explicit surface_lock(SDL_Surface *s)
        : surface(s), locked(false)
    {
        if (SDL_MUSTLOCK(s))
            locked = SDL_LockSurface(s) == 0;
    }
    ~surface_lock()
    {
        if (locked)
            SDL_UnlockSurface(surface);
    }
    surface_lock(const surface_lock &) = delete;
    surface_lock &operator=(const surface_lock &) = delete;

    bool usable() const { return locked || !SDL_MUSTLOCK(surface); }
};

// Reads the raw pixel value at (x, y). Depths below 8 bits pack several
// pixels into a byte, most significant bits first, so they cannot be read
// as whole bytes per pixel.
Uint32 read_pixel(const SDL_Surface *surface, int x, int y)
{
    const SDL_PixelFormat *format = surface->format;
    const Uint8 *row = static_cast<const Uint8 *>(surface->pixels)
                       + static_cast<std::size_t>(y) * surface->pitch;
    const unsigned bits = format->BitsPerPixel;
    if (bits < 8) {
        const std::size_t bit = static_cast<std::size_t>(x) * bits;
        const unsigned shift = 8 - bits - bit % 8;
        return (row[bit / 8] >> shift) & ((1u << bits) - 1);
    }
    const Uint8 *p = row + static_cast<std::size_t>(x) * format->BytesPerPixel;
    switch (format->BytesPerPixel) {
    case 1:
        return p[0];
    case 2: {
        Uint16 value;
        std::memcpy(&value, p, sizeof value);
        return value;
    }
    case 3:
        if (SDL_BYTEORDER == SDL_BIG_ENDIAN)
            return Uint32(p[0]) << 16 | Uint32(p[1]) << 8 | p[2];
        return Uint32(p[2]) << 16 | Uint32(p[1]) << 8 | p[0];
    default: {
        Uint32 value;
        std::memcpy(&value, p, sizeof value);
        return value;
    }
    }
}

// SDL_image 1.2 gives a grey PNG with a transparent grey a surface of two
// bytes a pixel, byte 0 grey and byte 1 alpha, with the masks of
// three-byte RGB: read through its masks, byte 1 would be green and blue
// would be missing. No other loader makes masks reach past the pixel's
// bytes; a palette, as grey PNGs without transparency get, decides alone.
bool grey_alpha_layout(const SDL_PixelFormat *format)
{
    return format->BytesPerPixel == 2 && format->palette == nullptr &&
           ((format->Rmask | format->Gmask | format->Bmask | format->Amask) >> 16) != 0;
}

// The bytes of a two-byte pixel as read_pixel read them.
void pixel_bytes(Uint32 pixel, Uint8 bytes[2])
{
    const Uint16 value = static_cast<Uint16>(pixel);
    std::memcpy(bytes, &value, sizeof value);
}

bool dark_pixel(const SDL_Surface *surface, Uint32 pixel)
{
    if (grey_alpha_layout(surface->format)) {
        Uint8 bytes[2];
        pixel_bytes(pixel, bytes);
        return 3u * bytes[0] < DARK_SUM_LIMIT;
    }
    const SDL_Palette *palette = surface->format->palette;
    // SDL_GetRGB does not check palette indices; a corrupt image may hold
    // indices past the colours it defines, and those count as light.
    if (palette && pixel >= static_cast<Uint32>(palette->ncolors))
        return false;
    Uint8 r, g, b;
    SDL_GetRGB(pixel, surface->format, &r, &g, &b);
    return unsigned(r) + g + b < DARK_SUM_LIMIT;
}

bool is_dark(const SDL_Surface *surface, int x, int y)
{
    return dark_pixel(surface, read_pixel(surface, x, y));
}

// What a colour key or an alpha channel would hide. SDL gives palettes no
// alpha, so only the colour key counts for them.
bool is_transparent(const SDL_Surface *surface, Uint32 pixel)
{
    const SDL_PixelFormat *format = surface->format;
    // Its colour key, made from the red, green and blue of a grey
    // transparent colour, means nothing; its alpha tells.
    if (grey_alpha_layout(format)) {
        Uint8 bytes[2];
        pixel_bytes(pixel, bytes);
        return bytes[1] < SDL_ALPHA_OPAQUE;
    }
    if ((surface->flags & SDL_SRCCOLORKEY) && pixel == format->colorkey)
        return true;
    if (format->Amask == 0 || format->palette)
        return false;
    Uint8 r, g, b, a;
    SDL_GetRGBA(pixel, surface->format, &r, &g, &b, &a);
    return a < SDL_ALPHA_OPAQUE;
}

// Where the surface starts on the frame. The division truncates, so that a
// surface larger than the frame loses its edges equally and shows its
// middle.
long centred_offset(unsigned frame_extent, int surface_extent)
{
    return (long(frame_extent) - surface_extent) / 2;
}

// The frame bytes of a surface's pixels. Looking up every pixel's colour
// was most of the work of converting a rendered text; its surface has a
// palette, so each of at most 256 pixel values is looked up once.
struct pixel_shades {
    const SDL_Surface *surface;
    unsigned char dark;
    unsigned char light;
    bool by_index;
    unsigned char of_index[256];

    pixel_shades(const SDL_Surface *s, bool negative)
        : surface(s), dark(negative ? PIXEL_CLEAR : PIXEL_SET), light(negative ? PIXEL_SET : PIXEL_CLEAR),
          by_index(s->format->palette && s->format->BitsPerPixel <= 8), of_index()
    {
        if (!by_index)
            return;
        const Uint32 values = 1u << s->format->BitsPerPixel;
        for (Uint32 pixel = 0; pixel < values; ++pixel)
            of_index[pixel] = dark_pixel(s, pixel) ? dark : light;
    }

    // Fills out with count pixels of row y, from column x on.
    void fill(int x, int y, long count, unsigned char *out) const
    {
        if (by_index && surface->format->BitsPerPixel == 8) {
            const Uint8 *in = static_cast<const Uint8 *>(surface->pixels)
                              + static_cast<std::size_t>(y) * surface->pitch + x;
            for (long i = 0; i < count; ++i)
                out[i] = of_index[in[i]];
            return;
        }
        for (long i = 0; i < count; ++i) {
            const int column = x + static_cast<int>(i);
            if (by_index)
                out[i] = of_index[read_pixel(surface, column, y)];
            else
                out[i] = is_dark(surface, column, y) ? dark : light;
        }
    }
};

// The pixel layouts that read_pixel understands; anything else, as a
// corrupt image may describe, would be read out of bounds or shifted by a
// negative amount.
bool layout_known(const SDL_PixelFormat *format)
{
    switch (format->BitsPerPixel) {
    case 1:
    case 2:
    case 4:
    case 8:
        return format->BytesPerPixel == 1;
    case 15:
    case 16:
        return format->BytesPerPixel == 2;
    case 24:
        return format->BytesPerPixel == 3;
    case 32:
        return format->BytesPerPixel == 4;
    default:
        return false;
    }
}

} // namespace

bool frame_surface_readable(const SDL_Surface *surface, std::string &why)
{
    const SDL_PixelFormat *format = surface->format;
    if (format == nullptr || !layout_known(format)) {
        why = "Cannot show a picture of " + std::to_string(format ? format->BitsPerPixel : 0) +
              " bits per pixel";
        return false;
    }
    if (surface->w < 0 || surface->h < 0 || (surface->w > 0 && surface->h > 0 && !surface->pixels)) {
        why = "Cannot show a picture without pixels";
        return false;
    }
    // Below 8 bits pixels share bytes; from 8 bits on each takes whole
    // bytes, 15 bits two of them.
    const std::size_t width = static_cast<std::size_t>(surface->w);
    const std::size_t row_bytes = format->BitsPerPixel < 8 ? (width * format->BitsPerPixel + 7) / 8
                                                            : width * format->BytesPerPixel;
    if (surface->h > 0 && static_cast<std::size_t>(surface->pitch) < row_bytes) {
        why = "Cannot show a picture whose rows are shorter than its width";
        return false;
    }
    return true;
}

frame_size frame_geometry(int display_flags, int surface_width)
{
    switch (display_flags & DISPLAY_MODE_MASK) {
    case DISPLAY_ROLL: {
        // An empty surface still gets one screen, so that a frame is never
        // zero columns wide.
        if (surface_width <= 0)
            return {FRAME_WIDTH, FRAME_HEIGHT};
        const unsigned width = static_cast<unsigned>(surface_width);
        if (width >= ROLL_FRAME_MAX_WIDTH)
            return {ROLL_FRAME_MAX_WIDTH, FRAME_HEIGHT};
        return {(width + FRAME_WIDTH - 1) / FRAME_WIDTH * FRAME_WIDTH, FRAME_HEIGHT};
    }
    case DISPLAY_FLASH:
        return {FRAME_WIDTH, FLASH_FRAME_HEIGHT};
    default:
        return {FRAME_WIDTH, FRAME_HEIGHT};
    }
}

frame_bytes frame_from_surface(SDL_Surface *surface, int display_flags)
{
    const frame_size size = frame_geometry(display_flags, surface->w);
    const long width = size.width;
    const long height = size.height;

    // Locking fails only when SDL cannot unpack a run-length encoded
    // surface, which is an allocation failure.
    const surface_lock lock(surface);
    frame_bytes frame;
    std::string why;
    if (lock.usable() && !frame_surface_readable(surface, why)) {
        std::fprintf(stderr, "%s\n", why.c_str());
        errno = EINVAL;
        return frame;
    }
    frame.reset(static_cast<unsigned char *>(
        lock.usable() ? std::malloc(static_cast<std::size_t>(width) * height) : nullptr));
    if (!frame) {
        std::fputs("Out of memory!\n", stderr);
        errno = ENOMEM;
        return frame;
    }

    const long x0 = centred_offset(size.width, surface->w);
    const long y0 = centred_offset(size.height, surface->h);
    const bool negative = display_flags & DISPLAY_NEGATIVE;
    const bool reverse = display_flags & DISPLAY_REVERSE;
    const bool flip = display_flags & DISPLAY_FLIP;
    const pixel_shades shades(surface, negative);

    // Only the columns the surface covers need a look at its pixels.
    const long first = x0 > 0 ? x0 : 0;
    const long last = x0 + surface->w < width ? x0 + surface->w : width;
    for (long y = 0; y < height; ++y) {
        unsigned char *row = frame.get() + (flip ? height - 1 - y : y) * width;
        std::memset(row, shades.light, static_cast<std::size_t>(width));
        const long sy = y - y0;
        if (sy < 0 || sy >= surface->h || first >= last)
            continue;
        shades.fill(static_cast<int>(first - x0), static_cast<int>(sy), last - first, row + first);
        if (reverse)
            std::reverse(row, row + width);
    }
    return frame;
}

bool surface_has_dark_pixel(SDL_Surface *surface)
{
    const surface_lock lock(surface);
    std::string why;
    if (!lock.usable() || !frame_surface_readable(surface, why) || surface->w <= 0)
        return true;
    const pixel_shades shades(surface, false);
    std::string row(static_cast<std::size_t>(surface->w), '\0');
    unsigned char *bytes = reinterpret_cast<unsigned char *>(&row[0]);
    for (int y = 0; y < surface->h; ++y) {
        shades.fill(0, y, surface->w, bytes);
        if (std::memchr(bytes, PIXEL_SET, row.size()) != nullptr)
            return true;
    }
    return false;
}

transparent_pixels frame_transparency(SDL_Surface *surface, int display_flags)
{
    transparent_pixels count = {0, 0};
    if (surface->format == nullptr || (!(surface->flags & SDL_SRCCOLORKEY) && surface->format->Amask == 0 &&
                                       !grey_alpha_layout(surface->format)))
        return count;
    const surface_lock lock(surface);
    std::string why;
    if (!lock.usable() || !frame_surface_readable(surface, why))
        return count;

    // The same placement as frame_from_surface, walked over the source.
    const frame_size size = frame_geometry(display_flags, surface->w);
    const long x0 = centred_offset(size.width, surface->w);
    const long y0 = centred_offset(size.height, surface->h);
    const long first_x = x0 < 0 ? -x0 : 0;
    const long first_y = y0 < 0 ? -y0 : 0;
    const long end_x = std::min<long>(surface->w, long(size.width) - x0);
    const long end_y = std::min<long>(surface->h, long(size.height) - y0);
    const bool negative = display_flags & DISPLAY_NEGATIVE;
    for (long sy = first_y; sy < end_y; ++sy)
        for (long sx = first_x; sx < end_x; ++sx) {
            const Uint32 pixel = read_pixel(surface, static_cast<int>(sx), static_cast<int>(sy));
            if (!is_transparent(surface, pixel))
                continue;
            if (dark_pixel(surface, pixel) != negative)
                ++count.set;
            else
                ++count.clear;
        }
    return count;
}
