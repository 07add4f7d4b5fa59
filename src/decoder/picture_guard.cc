#include "decoder/picture_guard.h"

#include <SDL_image.h>

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

} // namespace

bool picture_header_safe(SDL_RWops *source, std::string &why)
{
    // IMG_isPCX recognises the file exactly as the loader will.
    if (IMG_isPCX(source) && !pcx_lines_cover_width(source)) {
        why = "its PCX lines are shorter than its width";
        return false;
    }
    return true;
}
