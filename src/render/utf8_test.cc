#include "render/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The decoder takes 4, 3 or 2 bytes after a lead byte whatever follows, so
// a text must not end inside such a run; stray continuation bytes and
// malformed runs in the middle are the decoder's business, not a cut. Its
// characters keep the bits it reads, however malformed.
TEST(Utf8, DropsOnlyACharacterCutAtTheEnd)
{
    const struct {
        const char *name;
        std::string text;
        std::size_t whole;
        std::vector<std::size_t> starts;
        std::vector<unsigned long> characters;
    } cases[] = {
        {"empty", "", 0, {0}, {}},
        {"ascii", "ab", 2, {0, 1, 2}, {0x61, 0x62}},
        {"two bytes", "a\xC3\xA9", 3, {0, 1, 3}, {0x61, 0xE9}},
        {"three bytes cut after two", "ab\xE4\xBD", 2, {0, 1, 2}, {0x61, 0x62}},
        {"four bytes cut after one", "ab\xF0", 2, {0, 1, 2}, {0x61, 0x62}},
        {"four bytes whole", "\xF0\x9F\x98\x80", 4, {0, 4}, {0x1F600}},
        {"lead byte 0xFF takes four", "\xFF" "abc", 4, {0, 4}, {0x1E18A3}},
        {"lead swallows ascii", "\xE4" "ab", 3, {0, 3}, {0x4862}},
        {"stray continuation", "a\x80", 2, {0, 1, 2}, {0x61, 0x80}},
        {"lone lead", "\xC3", 0, {0}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(utf8_whole_length(c.text), c.whole);
        EXPECT_EQ(utf8_character_starts(c.text), c.starts);
        EXPECT_EQ(utf8_characters(c.text), c.characters);
    }
}

// Characters above U+FFFF become U+FFFD, whatever their bytes; the rest
// keep their bytes, malformed or not.
TEST(Utf8, RenderableTextsAndInk)
{
    const struct {
        const char *name;
        std::string text;
        std::string renderable;
        bool ink;
    } cases[] = {
        {"ascii", "Hi", "Hi", true},
        {"cat", "a\xF0\x9F\x90\xB1" "b", "a\xEF\xBF\xBD" "b", true},
        {"lead byte 0xFF", "\xFF" "abc", "\xEF\xBF\xBD", true},
        {"overlong A in four bytes", "\xF0\x80\x81\x81", "\xF0\x80\x81\x81", true},
        {"spaces and controls", " \t\x1b\xC2\xA0\xE2\x80\x8B", " \t\x1b\xC2\xA0\xE2\x80\x8B", false},
        {"empty", "", "", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(utf8_renderable(c.text), c.renderable);
        EXPECT_EQ(utf8_has_ink(c.text), c.ink);
    }
}

} // namespace
