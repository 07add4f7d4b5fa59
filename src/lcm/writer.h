#ifndef LIDGLOW_LCM_WRITER_H
#define LIDGLOW_LCM_WRITER_H

#include <cstddef>
#include <usb.h>

// Writes one packet to the display. Returns 0, or the status of the failed
// write. lidglow writes through libusb (writer_usb.cc); lidglow-preview and
// the unit tests link the writer that keeps the packets instead
// (writer_memory.cc), which is the only difference between what the two
// programs run.
int lcm_write_packet(usb_dev_handle *handle, unsigned char *bytes, std::size_t size);

#endif
