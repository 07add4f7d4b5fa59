#ifndef LIDGLOW_DECODER_PICTURE_GUARD_H
#define LIDGLOW_DECODER_PICTURE_GUARD_H

#include <SDL_rwops.h>

#include <string>

// False, with the reason, for a picture whose header makes SDL_image read
// past its buffers without failing: such a picture would be shown with
// whatever memory lies beyond them. Faults that stop the decoder need no
// guard; the decoding child contains them. The stream is left where it was.
bool picture_header_safe(SDL_RWops *source, std::string &why);

// SDL 1.2 keeps a surface's row length in bytes and its height in 16 bits,
// and makes no surface 16384 or more pixels wide (at four bytes a pixel,
// too long a row) or 65536 or more rows tall. SDL_image reports that as
// "Out of memory", or for some formats crashes.
constexpr long SDL_MAX_PICTURE_WIDTH = 16383;
constexpr long SDL_MAX_PICTURE_HEIGHT = 65535;

// False, with the reason, for a picture whose header declares a size larger
// than SDL can hold. Read for PNG, BMP, GIF and JPEG; other pictures pass.
// The stream is left where it was.
bool picture_within_sdl_limits(SDL_RWops *source, std::string &why);

#endif
