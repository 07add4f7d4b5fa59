#include "decoder/picture_guard.h"

#include <SDL_image.h>

#include <string>

namespace {

constexpr int PCX_HEADER_SIZE = 128;

int pcx_word(const Uint8 *header, int offset)
{
    return static_cast<Sint16>(header[offset] | header[offset + 1] << 8);
}

// SDL_image reads BytesPerLine bytes of each plane into a buffer and then
// takes a whole row of pixels from it, so lines shorter than the width are
// read past their end.
bool pcx_lines_cover_width(SDL_RWops *source)
{
    Uint8 header[PCX_HEADER_SIZE];
    const int start = SDL_RWtell(source);
    const bool read = SDL_RWread(source, header, sizeof header, 1) == 1;
    SDL_RWseek(source, start, RW_SEEK_SET);
    if (!read)
        return true;
    const long width = long(pcx_word(header, 8)) - pcx_word(header, 4) + 1;
    const long bits_per_pixel = header[3];
    const long bytes_per_line = pcx_word(header, 66);
    return width <= 0 || bytes_per_line >= (width * bits_per_pixel + 7) / 8;
}

// The size of the surface SDL_image would make, as far as the header of
// one of the common formats tells it; 0 x 0 when it does not.
struct header_size {
    long width = 0;
    long height = 0;
};

// Reads count bytes at offset from the start of the picture.
bool read_at(SDL_RWops *source, int start, long offset, Uint8 *bytes, int count)
{
    return SDL_RWseek(source, start + offset, RW_SEEK_SET) >= 0 && SDL_RWread(source, bytes, count, 1) == 1;
}

long big_endian(const Uint8 *b, int count)
{
    long value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | b[i];
    return value;
}

long little_endian(const Uint8 *b, int count)
{
    long value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | b[i];
    return value;
}

header_size png_size(SDL_RWops *source, int start)
{
    Uint8 b[8];
    if (!read_at(source, start, 16, b, 8))
        return {};
    return {big_endian(b, 4), big_endian(b + 4, 4)};
}

header_size bmp_size(SDL_RWops *source, int start)
{
    Uint8 b[12];
    if (!read_at(source, start, 14, b, 12))
        return {};
    // The OS/2 header holds 16-bit sizes; the others 32-bit ones, a
    // negative height for rows stored top down.
    if (little_endian(b, 4) == 12)
        return {little_endian(b + 4, 2), little_endian(b + 6, 2)};
    const long height = static_cast<Sint32>(little_endian(b + 8, 4));
    return {static_cast<Sint32>(little_endian(b + 4, 4)), height < 0 ? -height : height};
}

// SDL_image makes the surface of the first image, not of the logical
// screen, so the blocks before it are skipped.
header_size gif_size(SDL_RWops *source, int start)
{
    Uint8 b[9];
    if (!read_at(source, start, 10, b, 1))
        return {};
    long at = 13 + ((b[0] & 0x80) ? 3L << ((b[0] & 7) + 1) : 0);
    for (;;) {
        if (!read_at(source, start, at, b, 1))
            return {};
        if (b[0] == 0x2C)
            return read_at(source, start, at + 5, b, 4) ? header_size{little_endian(b, 2), little_endian(b + 2, 2)}
                                                        : header_size{};
        if (b[0] != 0x21)
            return {};
        at += 2;
        for (;;) {
            if (!read_at(source, start, at, b, 1))
                return {};
            at += 1 + b[0];
            if (b[0] == 0)
                break;
        }
    }
}

// The frame header of the first start-of-frame marker.
header_size jpeg_size(SDL_RWops *source, int start)
{
    Uint8 b[9];
    long at = 2;
    for (;;) {
        if (!read_at(source, start, at, b, 4) || b[0] != 0xFF)
            return {};
        const Uint8 marker = b[1];
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
            return read_at(source, start, at + 5, b, 4) ? header_size{big_endian(b + 2, 2), big_endian(b, 2)}
                                                        : header_size{};
        at += 2 + big_endian(b + 2, 2);
    }
}

header_size picture_size(SDL_RWops *source)
{
    const int start = SDL_RWtell(source);
    header_size size;
    if (IMG_isPNG(source))
        size = png_size(source, start);
    else if (IMG_isBMP(source))
        size = bmp_size(source, start);
    else if (IMG_isGIF(source))
        size = gif_size(source, start);
    else if (IMG_isJPG(source))
        size = jpeg_size(source, start);
    SDL_RWseek(source, start, RW_SEEK_SET);
    return size;
}

} // namespace

bool picture_within_sdl_limits(SDL_RWops *source, std::string &why)
{
    const header_size size = picture_size(source);
    if (size.width <= SDL_MAX_PICTURE_WIDTH && size.height <= SDL_MAX_PICTURE_HEIGHT)
        return true;
    why = "it is " + std::to_string(size.width) + " \u00d7 " + std::to_string(size.height) +
          " pixels, and SDL 1.2 holds at most " + std::to_string(SDL_MAX_PICTURE_WIDTH) + " \u00d7 " +
          std::to_string(SDL_MAX_PICTURE_HEIGHT);
    return false;
}

bool picture_header_safe(SDL_RWops *source, std::string &why)
{
    // IMG_isPCX recognises the file exactly as the loader will.
    if (IMG_isPCX(source) && !pcx_lines_cover_width(source)) {
        why = "its PCX lines are shorter than its width";
        return false;
    }
    return true;
}
