#ifndef LIDGLOW_RENDER_TEXT_H
#define LIDGLOW_RENDER_TEXT_H

// How to open the font for text output.
struct font_spec {
    const char *path;
    int style;  // TTF_STYLE_BOLD | TTF_STYLE_ITALIC | TTF_STYLE_UNDERLINE
    int size;   // points; 0 picks the largest size that fits the frame
    long index; // face of a TrueType collection
};

// Renders text with the process-wide font and sends it to the display.
int show_text(const char *text, int display_flags, const font_spec &font);

#endif
