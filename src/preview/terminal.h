#ifndef LIDGLOW_PREVIEW_TERMINAL_H
#define LIDGLOW_PREVIEW_TERMINAL_H

#include <string>
#include <vector>

#include "lcm/unpack.h"

// A frame drawn with Unicode braille cells, 2 x 4 pixels each, a set pixel a
// raised dot, inside a box: 66 columns for the display's 128. A rolling
// frame is drawn as its successive screens of 128 columns.
std::string draw_frame(const lcm_transfer &frame);

// One line, in words, of what the transfers make the display do; for a
// single command it is all there is to show.
std::string describe_transfers(const std::vector<lcm_transfer> &transfers);

#endif
