#include "decoder/decode_reply.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

#include "render/frame.h"
#include "render/utf8.h"

namespace {

// Status, width, height, message length, source width and height and the
// transparent pixels set and clear, in host byte order: lidglow-decode is
// built with its callers and runs beside them on the same machine.
constexpr std::size_t HEADER_WORDS = 8;
constexpr std::size_t HEADER_SIZE = HEADER_WORDS * sizeof(std::uint32_t);

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

// The facts about the picture must agree with its frame: the frame's
// geometry follows from the source width, the part shown is the smaller of
// source and frame, and each transparent pixel is one of the frame's set
// or clear pixels.
bool picture_consistent(const decode_reply &reply, int display_flags)
{
    if (reply.source_width == 0 || reply.source_height == 0 || reply.source_width > unsigned(INT_MAX) ||
        reply.source_height > unsigned(INT_MAX))
        return false;
    const frame_size expected = frame_geometry(display_flags, static_cast<int>(reply.source_width));
    if (reply.width != expected.width || reply.height != expected.height)
        return false;
    const std::uint64_t shown =
        std::uint64_t(std::min(reply.source_width, reply.width)) * std::min(reply.source_height, reply.height);
    const auto set = static_cast<std::uint64_t>(
        std::count_if(reply.frame.begin(), reply.frame.end(), [](unsigned char pixel) { return pixel != 0; }));
    const std::uint64_t clear = reply.frame.size() - set;
    return std::uint64_t(reply.transparent_set) + reply.transparent_clear <= shown &&
           reply.transparent_set <= set && reply.transparent_clear <= clear;
}

// Controls that reorder the text around them: a line could show other
// words than it holds.
bool bidi_control(unsigned long code)
{
    return code == 0x061C || code == 0x200E || code == 0x200F || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

} // namespace

std::string printable_line(std::string_view line)
{
    std::string out;
    while (!line.empty()) {
        unsigned long code = 0;
        const std::size_t length = utf8_valid_character(line, code);
        const bool control = code < 0x20 || (code >= 0x7F && code <= 0x9F) || bidi_control(code);
        if (length == 0 || control) {
            out += '?';
            line.remove_prefix(length == 0 ? 1 : length);
        } else {
            out.append(line.substr(0, length));
            line.remove_prefix(length);
        }
    }
    return out;
}

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
    put_word(out, reply.source_width);
    put_word(out, reply.source_height);
    put_word(out, reply.transparent_set);
    put_word(out, reply.transparent_clear);
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
    // The status becomes the exit status, which holds 1 to 255 for a
    // failure; a failure's line is all that reports it.
    if (status < 0 || status > 255 || message_size > DECODE_MESSAGE_MAX)
        return false;
    decode_reply read;
    read.status = status;
    read.width = width;
    read.height = height;
    read.source_width = word_at(data, 4);
    read.source_height = word_at(data, 5);
    read.transparent_set = word_at(data, 6);
    read.transparent_clear = word_at(data, 7);
    std::size_t pixel_count = 0;
    if (status == 0) {
        // A frame of any other size would be packed as if it had this one.
        const frame_size expected = frame_geometry(display_flags, static_cast<int>(width));
        if (width != expected.width || height != expected.height || message_size != 0)
            return false;
        pixel_count = std::size_t(width) * height;
    } else if (width != 0 || height != 0 || message_size == 0 || read.source_width != 0 ||
               read.source_height != 0 || read.transparent_set != 0 || read.transparent_clear != 0) {
        return false;
    }
    if (data.size() != HEADER_SIZE + message_size + pixel_count)
        return false;
    read.message = printable_line(std::string_view(data).substr(HEADER_SIZE, message_size));
    const auto *frame = reinterpret_cast<const unsigned char *>(data.data()) + HEADER_SIZE + message_size;
    read.frame.assign(frame, frame + pixel_count);
    if (status == 0 && !picture_consistent(read, display_flags))
        return false;
    reply = std::move(read);
    return true;
}
