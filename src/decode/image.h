#ifndef LIDGLOW_DECODE_IMAGE_H
#define LIDGLOW_DECODE_IMAGE_H

// Loads an image file, blanks the display and shows the image.
int show_image(const char *path, int display_flags);

#endif
