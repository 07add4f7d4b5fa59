#ifndef LIDGLOW_RENDER_FRAME_H
#define LIDGLOW_RENDER_FRAME_H

#include <SDL_video.h>
#include <cstdlib>
#include <memory>
#include <string>

#include "lcm/display_size.h"

// The size of the frame that a display mode asks for.
struct frame_size {
    unsigned width;
    unsigned height;
};

constexpr unsigned FRAME_WIDTH = LCM_WIDTH;
constexpr unsigned FRAME_HEIGHT = LCM_HEIGHT;
constexpr unsigned FLASH_FRAME_HEIGHT = LCM_HEIGHT / 2;
constexpr unsigned ROLL_FRAME_MAX_WIDTH = 1792;

// Frame bytes come from malloc so that a failed allocation can be reported
// instead of thrown.
struct frame_closer {
    void operator()(unsigned char *bytes) const { std::free(bytes); }
};
using frame_bytes = std::unique_ptr<unsigned char[], frame_closer>;

struct surface_closer {
    void operator()(SDL_Surface *surface) const { SDL_FreeSurface(surface); }
};
using surface_owner = std::unique_ptr<SDL_Surface, surface_closer>;

// Width and height of the frame for the display mode in display_flags and
// a surface of the given width.
frame_size frame_geometry(int display_flags, int surface_width);

// False, with the reason, for a surface whose pixels cannot be read safely:
// a pixel layout other than 1, 2, 4 or 8 bits in a byte, 15 or 16 bits in
// two, 24 in three or 32 in four, missing pixel memory, or rows shorter
// than the width.
bool frame_surface_readable(const SDL_Surface *surface, std::string &why);

// Centres the surface on a frame of frame_geometry's size, one byte per
// pixel (0xFF set, 0x00 clear), with the negative, reverse and flip options
// applied. On failure it prints one line and returns an empty owner with
// errno set: EINVAL for a surface it cannot read, ENOMEM ("Out of memory!")
// when the frame cannot be allocated.
frame_bytes frame_from_surface(SDL_Surface *surface, int display_flags);

// True when the surface holds a dark pixel anywhere, or cannot be read.
bool surface_has_dark_pixel(SDL_Surface *surface);

// The transparent pixels among those a frame shows, by how they come out.
struct transparent_pixels {
    unsigned set;
    unsigned clear;
};

// Counts the pixels of the surface that its frame for display_flags shows
// and that a colour key, or an alpha channel below full opacity, marks as
// transparent. The frame ignores both and thresholds these pixels by their
// colour like any other, so each is counted as it comes out there, -n
// included. Nothing is counted for a surface the frame cannot read.
transparent_pixels frame_transparency(SDL_Surface *surface, int display_flags);

#endif
