#ifndef LIDGLOW_RENDER_SPAN_H
#define LIDGLOW_RENDER_SPAN_H

#include <SDL_ttf.h>

#include <cstddef>
#include <string_view>

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
