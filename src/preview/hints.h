#ifndef LIDGLOW_PREVIEW_HINTS_H
#define LIDGLOW_PREVIEW_HINTS_H

#include <SDL_ttf.h>

#include <string>

#include "decoder/decode_reply.h"
#include "render/text.h"

// Lines that say where the display's rules make the picture differ from
// what was asked for, one for each rule that applies, each ending in a
// newline; empty when none does. They are read from the decoder's reply
// and measured with the font that rendered the text, so that they agree
// with the picture.

// A picture larger than its frame, and transparent pixels that the frame
// shows, with a remedy where some show set.
std::string picture_hints(const decode_reply &picture, int display_flags);

// A text wider or taller than its frame, with -R and the largest readable
// -s at which it fits; characters that the font has no glyph for or that
// SDL_ttf cannot draw; escape sequences and newlines; and a text that the
// font draws no pixel of. font is the font
// that rendered the text, opened for these options.
std::string text_hints(const char *text, TTF_Font *font, const font_spec &options, int display_flags);

#endif
