#include "lcm/writer_memory.h"

#include "lcm/writer.h"

namespace {

std::vector<lcm_packet> kept;

} // namespace

int lcm_write_packet(usb_dev_handle *, unsigned char *bytes, std::size_t size)
{
    kept.emplace_back(bytes, bytes + size);
    return 0;
}

std::vector<lcm_packet> take_kept_packets()
{
    std::vector<lcm_packet> packets;
    packets.swap(kept);
    return packets;
}
