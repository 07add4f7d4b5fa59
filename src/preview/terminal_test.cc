#include "preview/terminal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/utf8.h"

namespace {

struct dot {
    unsigned box, line, cell; // line 0 is the first row of cells
    unsigned long code;
};

// The braille cells of a drawing that show any dot, and the labels of its
// boxes.
std::vector<dot> dots_of(const std::string &drawing, std::vector<std::string> &labels)
{
    std::vector<dot> found;
    unsigned box = 0, line = 0;
    std::size_t start = 0;
    for (std::size_t end; (end = drawing.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string text = drawing.substr(start, end - start);
        const std::vector<unsigned long> characters = utf8_characters(text);
        if (characters.front() == 0x250C) {
            const std::size_t label = text.find("columns");
            labels.push_back(label == std::string::npos ? "" : text.substr(label, text.find(' ', label + 8) - label));
            line = 0;
        } else if (characters.front() == 0x2514) {
            ++box;
        } else {
            for (std::size_t cell = 1; cell + 1 < characters.size(); ++cell)
                if (characters[cell] != 0x2800)
                    found.push_back({box, line, static_cast<unsigned>(cell - 1), characters[cell]});
            ++line;
        }
    }
    return found;
}

// Each cell is 2 x 4 pixels; the dots are numbered down the left column,
// then down the right, with the bottom row's dots last (7 and 8).
TEST(Terminal, DrawsEachPixelAsItsBrailleDot)
{
    const struct {
        const char *name;
        unsigned width, row, column;
        dot expected;
        std::vector<std::string> labels;
    } cases[] = {
        {"top left", 128, 0, 0, {0, 0, 0, 0x2801}, {""}},
        {"third row", 128, 2, 0, {0, 0, 0, 0x2804}, {""}},
        {"bottom row, left", 128, 3, 0, {0, 0, 0, 0x2840}, {""}},
        {"top row, right", 128, 0, 1, {0, 0, 0, 0x2808}, {""}},
        {"bottom right of the display", 128, 31, 127, {0, 7, 63, 0x2880}, {""}},
        {"second screen of a rolling frame", 256, 5, 131, {1, 1, 1, 0x2810},
         {"columns 0-127", "columns 128-255"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        lcm_transfer frame;
        frame.width = c.width;
        frame.height = 32;
        frame.pixels.assign(frame.width * frame.height, 0);
        frame.pixels[c.row * c.width + c.column] = 1;
        std::vector<std::string> labels;
        const std::vector<dot> dots = dots_of(draw_frame(frame), labels);
        ASSERT_EQ(dots.size(), 1u);
        EXPECT_EQ(dots[0].box, c.expected.box);
        EXPECT_EQ(dots[0].line, c.expected.line);
        EXPECT_EQ(dots[0].cell, c.expected.cell);
        EXPECT_EQ(dots[0].code, c.expected.code);
        EXPECT_EQ(labels, c.labels);
    }
}

} // namespace
