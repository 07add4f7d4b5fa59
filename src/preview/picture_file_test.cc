#include "preview/picture_file.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// A PBM row is padded to whole bytes, its first pixel the top bit.
TEST(PictureFile, PacksPbmRowsFromTheTopBit)
{
    const struct {
        const char *name;
        unsigned width, height;
        std::vector<std::pair<unsigned, unsigned>> set; // row, column
        std::string expected;
    } cases[] = {
        {"first pixel", 8, 1, {{0, 0}}, std::string("P4\n8 1\n\x80", 8)},
        {"last pixel of a byte", 8, 1, {{0, 7}}, std::string("P4\n8 1\n\x01", 8)},
        {"padded rows", 9, 2, {{0, 8}, {1, 0}}, std::string("P4\n9 2\n\x00\x80\x80\x00", 11)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        lcm_transfer frame;
        frame.width = c.width;
        frame.height = c.height;
        frame.pixels.assign(c.width * c.height, 0);
        for (const auto &pixel : c.set)
            frame.pixels[pixel.first * c.width + pixel.second] = 1;
        const std::vector<unsigned char> bytes = pbm_bytes(frame);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.expected);
    }
}

} // namespace
