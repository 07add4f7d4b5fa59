#ifndef LIDGLOW_RENDER_TEXT_H
#define LIDGLOW_RENDER_TEXT_H

#include "render/font.h"

// Renders text with the process-wide font and sends it to the display.
int show_text(const char *text, int display_flags, const font_spec &font);

#endif
