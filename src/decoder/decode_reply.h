#ifndef LIDGLOW_DECODER_DECODE_REPLY_H
#define LIDGLOW_DECODER_DECODE_REPLY_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// What the decoding child hands back to the parent through its pipe: the
// frame's geometry and bytes with what the frame made of the picture, or
// the status of a failure and the line that reports it.
struct decode_reply {
    int status = 0;            // 0 for a frame, else 1 to 255
    std::string message;       // the line that reports a failure
    unsigned width = 0;
    unsigned height = 0;
    std::vector<unsigned char> frame;  // width x height bytes
    unsigned source_width = 0;         // the picture as decoded
    unsigned source_height = 0;
    unsigned transparent_set = 0;      // transparent pixels the frame shows,
    unsigned transparent_clear = 0;    // by how they came out
};

// Longer failure lines are cut, so that a reply always fits its limit.
constexpr std::size_t DECODE_MESSAGE_MAX = 1024;

// No reply is longer than this; the parent stops reading there.
std::size_t decode_reply_limit();

// The reply as bytes for the pipe.
std::string encode_reply(const decode_reply &reply);

// The line made plain printable text for a terminal: well-formed UTF-8
// without controls (C0, DEL, C1) or bidirectional controls; each of those,
// and each byte of anything ill-formed, becomes '?'.
std::string printable_line(std::string_view line);

// Reads a reply written by encode_reply. The child runs a hostile decoder,
// so nothing is trusted: false for anything but one complete, consistent
// reply whose frame has the geometry that display_flags asks for of a
// picture of its source size, and no more transparent pixels set or clear
// than the frame shows. The message comes back as one printable line.
bool parse_reply(const std::string &data, int display_flags, decode_reply &reply);

#endif
