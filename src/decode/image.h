#ifndef LIDGLOW_DECODE_IMAGE_H
#define LIDGLOW_DECODE_IMAGE_H

#include "decoder/decode_reply.h"

// Loads an image file, blanks the display and shows the image.
int show_image(const char *path, int display_flags);

// Blanks the display and shows a picture that decoded for display_flags.
int show_picture(const decode_reply &picture, int display_flags);

#endif
