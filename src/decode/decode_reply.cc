#include "decode/decode_reply.h"

#include <cstdint>
#include <cstring>

#include "render/frame.h"

namespace {

// Status, width, height and message length, in host byte order: both ends
// are the same program on the same machine.
constexpr std::size_t HEADER_SIZE = 4 * sizeof(std::uint32_t);

void put_word(std::string &out, std::uint32_t value)
{
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    out.append(bytes, sizeof bytes);
}

std::uint32_t word_at(const std::string &data, std::size_t index)
{
    std::uint32_t value;
    std::memcpy(&value, data.data() + index * sizeof value, sizeof value);
    return value;
}

} // namespace

std::size_t decode_reply_limit()
{
    return HEADER_SIZE + DECODE_MESSAGE_MAX + std::size_t(ROLL_FRAME_MAX_WIDTH) * FRAME_HEIGHT;
}

std::string encode_reply(const decode_reply &reply)
{
    const std::string message = reply.message.substr(0, DECODE_MESSAGE_MAX);
    std::string out;
    put_word(out, static_cast<std::uint32_t>(reply.status));
    put_word(out, reply.width);
    put_word(out, reply.height);
    put_word(out, static_cast<std::uint32_t>(message.size()));
    out += message;
    out.append(reinterpret_cast<const char *>(reply.frame.data()), reply.frame.size());
    return out;
}

bool parse_reply(const std::string &data, int display_flags, decode_reply &reply)
{
    if (data.size() < HEADER_SIZE || data.size() > decode_reply_limit())
        return false;
    const auto status = static_cast<std::int32_t>(word_at(data, 0));
    const std::uint32_t width = word_at(data, 1);
    const std::uint32_t height = word_at(data, 2);
    const std::uint32_t message_size = word_at(data, 3);
    if (status < 0 || message_size > DECODE_MESSAGE_MAX)
        return false;
    std::size_t pixel_count = 0;
    if (status == 0) {
        // A frame of any other size would be packed as if it had this one.
        const frame_size expected = frame_geometry(display_flags, static_cast<int>(width));
        if (width != expected.width || height != expected.height || message_size != 0)
            return false;
        pixel_count = std::size_t(width) * height;
    } else if (width != 0 || height != 0) {
        return false;
    }
    if (data.size() != HEADER_SIZE + message_size + pixel_count)
        return false;
    reply.status = status;
    reply.width = width;
    reply.height = height;
    reply.message.assign(data, HEADER_SIZE, message_size);
    const auto *frame = reinterpret_cast<const unsigned char *>(data.data()) + HEADER_SIZE + message_size;
    reply.frame.assign(frame, frame + pixel_count);
    return true;
}
