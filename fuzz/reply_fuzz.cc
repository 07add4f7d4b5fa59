// The decoder's reply, as the parent reads it: the child runs a hostile
// decoder, so any bytes may arrive. Whatever parse_reply accepts must have
// the geometry that the display flags ask for, a failure line of plain
// printable text, and must come back unchanged through encode_reply.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "decoder/decode_reply.h"
#include "input.h"
#include "render/frame.h"
#include "render/utf8.h"

namespace {

// Well-formed UTF-8 without C0, DEL, C1 or bidirectional controls.
bool printable(const std::string &line)
{
    std::string_view rest(line);
    while (!rest.empty()) {
        unsigned long code = 0;
        const std::size_t length = utf8_valid_character(rest, code);
        if (length == 0 || code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x061C ||
            code == 0x200E || code == 0x200F || (code >= 0x202A && code <= 0x202E) ||
            (code >= 0x2066 && code <= 0x2069))
            return false;
        rest.remove_prefix(length);
    }
    return true;
}

bool same(const decode_reply &a, const decode_reply &b)
{
    return a.status == b.status && a.message == b.message && a.width == b.width && a.height == b.height &&
           a.frame == b.frame && a.source_width == b.source_width && a.source_height == b.source_height &&
           a.transparent_set == b.transparent_set && a.transparent_clear == b.transparent_clear;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz_input in{data, size};
    const int flags = in.byte();
    const std::string bytes(reinterpret_cast<const char *>(in.data), in.size);

    decode_reply reply;
    if (!parse_reply(bytes, flags, reply))
        return 0;
    if (reply.status < 0 || reply.status > 255)
        std::abort();
    if (reply.status == 0) {
        const frame_size size = frame_geometry(flags, static_cast<int>(reply.source_width));
        if (reply.width != size.width || reply.height != size.height ||
            reply.frame.size() != std::size_t(size.width) * size.height || !reply.message.empty())
            std::abort();
    } else if (reply.message.empty() || reply.message.size() > DECODE_MESSAGE_MAX || !reply.frame.empty() ||
               reply.width != 0 || reply.height != 0) {
        std::abort();
    }
    if (!printable(reply.message) || printable_line(reply.message) != reply.message)
        std::abort();

    decode_reply again;
    if (!parse_reply(encode_reply(reply), flags, again) || !same(reply, again))
        std::abort();
    return 0;
}
