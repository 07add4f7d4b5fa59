#ifndef LIDGLOW_RENDER_FONT_H
#define LIDGLOW_RENDER_FONT_H

#include <SDL_ttf.h>

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

// How to open the font for text output.
struct font_spec {
    const char *path;
    int style;  // TTF_STYLE_BOLD | TTF_STYLE_ITALIC | TTF_STYLE_UNDERLINE
    int size;   // points; 0 picks the largest size that fits the frame
    long index; // face of a TrueType collection
};

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

#endif
