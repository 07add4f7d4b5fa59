#include "preview/hints.h"

#include <gtest/gtest.h>

#include <string>

#include "lcm/display_flags.h"

namespace {

TEST(Hints, SayWhatThePictureLosesOnTheDisplay)
{
    const struct {
        const char *name;
        unsigned source_width, source_height, width, height, set, clear;
        std::string expected;
        int flags = 0;
    } cases[] = {
        {"fits", 128, 32, 128, 32, 0, 0, ""},
        {"too wide", 300, 20, 128, 32, 0, 0,
         "Only the middle 128 \u00d7 20 of the 300 \u00d7 20 picture shows; it is not scaled.\n"},
        {"too tall", 100, 50, 128, 32, 0, 0,
         "Only the middle 100 \u00d7 32 of the 100 \u00d7 50 picture shows; it is not scaled.\n"},
        // Where some show set, a remedy follows.
        {"one transparent pixel", 128, 32, 128, 32, 1, 0,
         "Transparency is ignored: the one transparent pixel shows set, by its colour; flatten the picture onto "
         "white to clear it, or try -n.\n"},
        {"both ways", 128, 32, 128, 32, 3, 2,
         "Transparency is ignored: of 5 transparent pixels, 3 show set and 2 clear; flatten the picture onto "
         "white to clear them, or try -n.\n"},
        {"both ways negative", 128, 32, 128, 32, 3, 2,
         "Transparency is ignored: of 5 transparent pixels, 3 show set and 2 clear; flatten the picture onto "
         "black to clear them, or try without -n.\n",
         DISPLAY_NEGATIVE},
        {"all clear", 128, 32, 128, 32, 0, 4,
         "Transparency is ignored: the 4 transparent pixels show clear, by their colour.\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        decode_reply picture;
        picture.source_width = c.source_width;
        picture.source_height = c.source_height;
        picture.width = c.width;
        picture.height = c.height;
        picture.transparent_set = c.set;
        picture.transparent_clear = c.clear;
        EXPECT_EQ(picture_hints(picture, c.flags), c.expected);
    }
}

} // namespace
