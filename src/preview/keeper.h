#ifndef LIDGLOW_PREVIEW_KEEPER_H
#define LIDGLOW_PREVIEW_KEEPER_H

#include <vector>

#include "lcm/unpack.h"

// The packets that lidglow-preview's packet writer has kept since the last
// call, in the order they were written.
std::vector<lcm_packet> take_kept_packets();

#endif
