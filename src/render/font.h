#ifndef LIDGLOW_RENDER_FONT_H
#define LIDGLOW_RENDER_FONT_H

#include <SDL_ttf.h>

#include <cstddef>
#include <string_view>

#include "render/text.h"

// Fixed sizes above this are refused: SDL_ttf multiplies the size by 64 in
// an int, and far smaller sizes already make surfaces of gigabytes that
// the display could show only a 32-row slice of.
constexpr int MAX_FONT_SIZE = 1024;

// A font whose line is taller than this is refused at any size; it guards
// against fonts with absurd ascent or descent.
constexpr int MAX_FONT_HEIGHT = 2048;

// FreeType reads the bits above the low 16 of a face index as a variation
// instance, so larger indices would silently open another face.
constexpr long MAX_FACE_INDEX = 0xFFFF;

struct opened_font {
    TTF_Font *font; // nullptr when no size could be opened
    int size;       // the point size it was opened at
};

// Opens the font at target points, then one point smaller at a time while
// its height exceeds target rows. Fails, with an SDL error set, on a failed
// open or when even 1 point is too tall.
opened_font open_fitting_font(const char *path, long index, int target);

// Opens the font for text output at font.size points, or with size 0 at the
// largest size that fits the display mode, and applies the style. Returns
// nullptr with an SDL error set and errno holding the status on failure.
TTF_Font *open_font(const font_spec &font, int display_flags);

// The point size that open_font opens the font at: font.size, or the
// automatic size found the same way; 0 when no size of it opens.
int open_font_size(const font_spec &font, int display_flags);

// The process-wide font: opened by the first text shown and kept, so that a
// daemon renders every poll with it; empty when not held.
extern TTF_Font *font_handle;

// SDL 1.2 refuses surfaces 16384 or more pixels wide.
constexpr int MAX_SURFACE_WIDTH = 16383;

// A run of bytes within a text, and the bytes the search measured to find
// it.
struct text_span {
    std::size_t start;
    std::size_t length;
    std::size_t measured;
};

// The part of text that SDL can render in one surface: the whole text when
// it fits in max_width, otherwise whole characters around its middle, about
// as many pixels dropped from each end of a window of characters twice as
// wide as what fits. The frame shows only the middle of such a text, so
// what is dropped would be cut anyway. The text must end with a whole
// character (utf8_whole_length).
text_span renderable_span(TTF_Font *font, std::string_view text, int max_width);

#endif
