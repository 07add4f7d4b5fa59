#include "decoder/decode_reply.h"

#include <gtest/gtest.h>

#include <string>

#include "lcm/display_flags.h"

namespace {

// A frame of a picture its own size unless told otherwise, a third of its
// pixels set.
decode_reply frame_reply(unsigned width, unsigned height, unsigned source_width = 0, unsigned source_height = 0,
                         unsigned transparent_set = 0, unsigned transparent_clear = 0)
{
    decode_reply reply;
    reply.width = width;
    reply.height = height;
    for (std::size_t i = 0; i < std::size_t(width) * height; ++i)
        reply.frame.push_back(i % 3 ? 0x00 : 0xFF);
    reply.source_width = source_width != 0 ? source_width : width;
    reply.source_height = source_height != 0 ? source_height : height;
    reply.transparent_set = transparent_set;
    reply.transparent_clear = transparent_clear;
    return reply;
}

decode_reply failure_reply(int status, const std::string &message)
{
    decode_reply reply;
    reply.status = status;
    reply.message = message;
    return reply;
}

TEST(DecodeReply, RoundTripsFramesAndFailures)
{
    const struct {
        const char *name;
        int flags;
        decode_reply reply;
    } cases[] = {
        {"static", 0, frame_reply(128, 32)},
        {"flashing", DISPLAY_FLASH, frame_reply(128, 16)},
        {"rolling", DISPLAY_ROLL, frame_reply(384, 32)},
        {"widest", DISPLAY_ROLL, frame_reply(1792, 32)},
        {"cut and transparent", 0, frame_reply(128, 32, 400, 300, 1366, 2730)},
        {"cut when rolling", DISPLAY_ROLL, frame_reply(1792, 32, 5000, 32)},
        {"failure", 0, failure_reply(2, "Couldn't open x.png")},
        {"highest status", 0, failure_reply(255, "x")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        decode_reply parsed;
        ASSERT_TRUE(parse_reply(encode_reply(c.reply), c.flags, parsed));
        EXPECT_EQ(parsed.status, c.reply.status);
        EXPECT_EQ(parsed.message, c.reply.message);
        EXPECT_EQ(parsed.width, c.reply.width);
        EXPECT_EQ(parsed.height, c.reply.height);
        EXPECT_EQ(parsed.frame, c.reply.frame);
        EXPECT_EQ(parsed.source_width, c.reply.source_width);
        EXPECT_EQ(parsed.source_height, c.reply.source_height);
        EXPECT_EQ(parsed.transparent_set, c.reply.transparent_set);
        EXPECT_EQ(parsed.transparent_clear, c.reply.transparent_clear);
    }
}

// The line goes to a terminal as it is: no line breaks, no escape sequences.
TEST(DecodeReply, MakesTheMessageOnePrintableLine)
{
    const struct {
        std::string message, printed;
    } cases[] = {
        {"Couldn't open caf\xC3\xA9.png", "Couldn't open caf\xC3\xA9.png"},
        {"a\nb\rc\x1B[2Jd\x7F", "a?b?c?[2Jd?"},
        {"CSI \xC2\x9B" "2J, NEL \xC2\x85, NBSP \xC2\xA0", "CSI ?2J, NEL ?, NBSP \xC2\xA0"},
        // A raw C1 byte is a control to terminals that read Latin-1.
        {"raw \x9B" "2J", "raw ?2J"},
        // Overlong forms of CSI, '/' and NUL; surrogates; past U+10FFFF.
        {"\xC2\x9B|\xE0\x82\x9B|\xC0\xAF|\xC0\x80", "?|???|??|??"},
        {"\xED\xA0\x80|\xF4\x90\x80\x80|\xF8\x88\x80\x80\x80", "???|????|?????"},
        // Cut short, and a stray continuation byte.
        {"\xE2\x82|\x80|\xE2\x82", "??|?|??"},
        // Bidirectional controls, such as RIGHT-TO-LEFT OVERRIDE, reorder text.
        {"a\xE2\x80\xAE" "gnp.exe|\xE2\x81\xA6|\xE2\x80\x8F|\xD8\x9C|\xE2\x80\x8E",
         "a?gnp.exe|?|?|?|?"},
        // The greatest character and a non-character are text.
        {"\xF4\x8F\xBF\xBF \xEF\xBF\xBE \xE2\x80\x8D", "\xF4\x8F\xBF\xBF \xEF\xBF\xBE \xE2\x80\x8D"},
    };
    for (const auto &c : cases) {
        decode_reply parsed;
        ASSERT_TRUE(parse_reply(encode_reply(failure_reply(5, c.message)), 0, parsed));
        EXPECT_EQ(parsed.message, c.printed);
    }
}

// The parent must not trust a child whose decoder went wrong.
TEST(DecodeReply, RefusesWhatTheChildCannotHaveMeant)
{
    const std::string frame = encode_reply(frame_reply(128, 32));
    const std::string failed = encode_reply(failure_reply(5, "I/O error"));
    decode_reply long_message = failure_reply(5, "");
    long_message.message.assign(DECODE_MESSAGE_MAX, 'x');
    const struct {
        const char *name;
        int flags;
        std::string data;
    } cases[] = {
        {"empty", 0, ""},
        {"header cut", 0, frame.substr(0, 31)},
        {"frame cut", 0, frame.substr(0, frame.size() - 1)},
        {"extra byte", 0, frame + '\0'},
        {"static frame for flashing", DISPLAY_FLASH, frame},
        {"static frame for rolling", DISPLAY_ROLL, encode_reply(frame_reply(129, 32))},
        {"too wide", DISPLAY_ROLL, encode_reply(frame_reply(1920, 32))},
        {"rolling frame of another source width", DISPLAY_ROLL, encode_reply(frame_reply(256, 32, 500))},
        {"no source width", 0, encode_reply([] {
             decode_reply r = frame_reply(128, 32);
             r.source_width = 0;
             return r;
         }())},
        {"more transparent pixels than shown", 0, encode_reply(frame_reply(128, 32, 10, 10, 50, 51))},
        {"more transparent pixels set than the frame has", 0, encode_reply(frame_reply(128, 32, 0, 0, 1367, 0))},
        {"more transparent pixels clear than the frame has", 0, encode_reply(frame_reply(128, 32, 0, 0, 0, 2731))},
        {"failure with a source size", 0, encode_reply([] {
             decode_reply r = failure_reply(22, "x");
             r.source_width = 1;
             r.source_height = 1;
             return r;
         }())},
        {"negative status", 0, encode_reply(failure_reply(-1, "x"))},
        // An exit status of 256 would read as success.
        {"status past 255", 0, encode_reply(failure_reply(256, "x"))},
        {"failure without its line", 0, encode_reply(failure_reply(12, ""))},
        {"failure with a frame", 0, encode_reply([] {
             decode_reply r = frame_reply(128, 32);
             r.status = 22;
             return r;
         }())},
        {"success with a message", 0, encode_reply([] {
             decode_reply r = frame_reply(128, 32);
             r.message = "odd";
             return r;
         }())},
        {"message cut", 0, failed.substr(0, failed.size() - 1)},
        {"message length past the limit", 0, [&] {
             std::string data = encode_reply(long_message);
             data[12] = static_cast<char>(data[12] + 1);
             return data + 'x';
         }()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        decode_reply parsed;
        EXPECT_FALSE(parse_reply(c.data, c.flags, parsed));
    }
}

} // namespace
