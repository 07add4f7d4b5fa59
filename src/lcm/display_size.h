#ifndef LIDGLOW_LCM_DISPLAY_SIZE_H
#define LIDGLOW_LCM_DISPLAY_SIZE_H

// The display's pixels: 128 columns of 32 rows. Frames of other sizes are
// the animations' (a flashing frame is half as tall, a rolling one wider).
constexpr unsigned LCM_WIDTH = 128;
constexpr unsigned LCM_HEIGHT = 32;

#endif
