#ifndef LIDGLOW_LCM_DISPLAY_FLAGS_H
#define LIDGLOW_LCM_DISPLAY_FLAGS_H

// Display options shared by the command line, the renderers and the
// packet protocol.
constexpr int DISPLAY_FLASH = 0x02;
constexpr int DISPLAY_ROLL = 0x04;
constexpr int DISPLAY_NEGATIVE = 0x10;
constexpr int DISPLAY_REVERSE = 0x20;
constexpr int DISPLAY_FLIP = 0x40;

// The bits that select how the display animates a frame.
constexpr int DISPLAY_MODE_MASK = DISPLAY_FLASH | DISPLAY_ROLL;

#endif
