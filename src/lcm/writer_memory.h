#ifndef LIDGLOW_LCM_WRITER_MEMORY_H
#define LIDGLOW_LCM_WRITER_MEMORY_H

#include <vector>

#include "lcm/unpack.h"

// The packet writer that keeps the packets in memory instead of sending
// them, and never fails: lidglow-preview and the unit tests link it in
// place of writer_usb.cc.

// The packets kept since the last call, in the order they were written.
std::vector<lcm_packet> take_kept_packets();

#endif
