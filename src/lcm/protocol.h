#ifndef LIDGLOW_LCM_PROTOCOL_H
#define LIDGLOW_LCM_PROTOCOL_H

#include <usb.h>

// The control options, one bit each as the command line records them.
constexpr int CONTROL_ENABLE = 0x01;
constexpr int CONTROL_DISABLE = 0x02;
constexpr int CONTROL_BLANK = 0x04;
constexpr int CONTROL_FILL = 0x08;

constexpr int LCM_ENDPOINT = 2;
constexpr int LCM_TIMEOUT_MS = 1000;
constexpr unsigned LCM_PAUSE_US = 1000;

// Writes one command packet. Returns 0 or the errno of the failed write.
int lcm_command(usb_dev_handle *handle, unsigned char command_byte);

// Packs and writes a frame; with frame == nullptr the blank frame, or the
// filled one with DISPLAY_NEGATIVE. Returns 0, 12 when out of memory, or
// the errno of the first failed write.
int lcm_send_frame(usb_dev_handle *handle, int display_flags, unsigned width,
                   unsigned height, const unsigned char *frame);

// Carries out exactly one control option; anything else returns 22.
int lcm_control(usb_dev_handle *handle, int control_flags);

#endif
