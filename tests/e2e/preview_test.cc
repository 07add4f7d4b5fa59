// End-to-end tests of lidglow-preview: its picture must be exactly what the
// virtual display received from lidglow for the same command line, and it
// must leave USB alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "render_e2e.h"

namespace {

using render_e2e::DEJAVU;
using render_e2e::picture;

std::string quoted(const std::vector<std::string> &args)
{
    std::string out;
    for (const std::string &a : args) {
        out += " '";
        for (char c : a)
            out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        out += "'";
    }
    return out;
}

// The picture of a binary PBM, or an empty one if it is not one.
picture read_pbm(const std::string &bytes)
{
    unsigned width = 0, height = 0;
    int header = 0;
    if (std::sscanf(bytes.c_str(), "P4\n%u %u\n%n", &width, &height, &header) != 2 || header == 0)
        return {};
    const std::size_t row_bytes = (width + 7) / 8;
    if (bytes.size() != header + row_bytes * height)
        return {};
    picture p(height, std::string(width, '.'));
    for (unsigned r = 0; r < height; ++r)
        for (unsigned c = 0; c < width; ++c)
            if (static_cast<unsigned char>(bytes[header + r * row_bytes + c / 8]) & (0x80 >> c % 8))
                p[r][c] = '#';
    return p;
}

struct preview_case {
    const char *name;
    std::vector<std::string> args;
};

void PrintTo(const preview_case &c, std::ostream *os)
{
    *os << c.name;
}

std::vector<preview_case> preview_cases()
{
    const render_e2e::image_dir &images = render_e2e::image_dir::get();
    return {
        {"text", {"-m", "Hello, lid", "-t", DEJAVU}},
        {"rolling_negative", {"-m", "A long line that rolls", "-R", "-n", "-t", DEJAVU}},
        {"flashing_flipped", {"-m", "Flash", "-F", "-v", "-t", DEJAVU}},
        {"mirrored_bold", {"-m", "Bold", "-r", "-w", "-t", DEJAVU}},
        {"image_static", {"-f", images.path("pattern-rgb.png")}},
        {"image_rolling", {"-f", images.path("wide.png"), "-R"}},
        {"blank", {"-b"}},
        {"fill", {"-B"}},
    };
}

class preview : public testing::TestWithParam<preview_case> {};

TEST_P(preview, pbm_is_what_the_display_receives)
{
    const preview_case &c = GetParam();
    const e2e::run_result sent = e2e::run_lidglow({}, c.args);
    ASSERT_EQ(sent.status, 0) << sent.summary();
    ASSERT_FALSE(sent.transfers.empty()) << sent.summary();

    const e2e::run_result shown =
        e2e::run_script({}, "\"$LIDGLOW_PREVIEW\"" + quoted(c.args) + " -o p.pbm && cat p.pbm");
    ASSERT_EQ(shown.status, 0) << shown.summary();
    EXPECT_EQ(read_pbm(shown.out), sent.transfers.back().picture);
    // The preview opened no device node and wrote nothing.
    EXPECT_TRUE(shown.events.empty()) << shown.summary();
}

INSTANTIATE_TEST_SUITE_P(command_lines, preview, testing::ValuesIn(preview_cases()),
                         [](const testing::TestParamInfo<preview_case> &info) {
                             return std::string(info.param.name);
                         });

// Counts characters, not bytes: the picture is drawn with one-column
// Unicode characters.
std::size_t widest_line(const std::string &text)
{
    std::size_t widest = 0, width = 0;
    for (unsigned char c : text) {
        if (c == '\n') {
            widest = std::max(widest, width);
            width = 0;
        } else if ((c & 0xC0) != 0x80) {
            ++width;
        }
    }
    return std::max(widest, width);
}

TEST(preview_output, fits_80_columns_and_png_is_four_times_larger)
{
    const struct {
        std::vector<std::string> args;
        const char *png_size;  // width x height of the PNG
    } cases[] = {
        {{"-m", "Hello, lid", "-t", DEJAVU}, "512x128"},
        {{"-m", "A long line that rolls", "-R", "-t", DEJAVU}, "1536x128"},
        {{"-m", "Flash", "-F", "-t", DEJAVU}, "512x64"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.png_size);
        const e2e::run_result drawn = e2e::run_script({}, "\"$LIDGLOW_PREVIEW\"" + quoted(c.args));
        EXPECT_EQ(drawn.status, 0) << drawn.summary();
        EXPECT_LE(widest_line(drawn.out), 80u) << drawn.out;
        EXPECT_GT(drawn.out.size(), 1000u) << drawn.out;

        // The PNG's IHDR holds its width and height, big-endian, at bytes 16-23.
        const e2e::run_result png = e2e::run_script(
            {}, "\"$LIDGLOW_PREVIEW\"" + quoted(c.args) +
                    " -o p.png && od -An -tu1 -j16 -N8 p.png | awk "
                    "'{ printf \"%dx%d\", (($1*256+$2)*256+$3)*256+$4, (($5*256+$6)*256+$7)*256+$8 }'");
        EXPECT_EQ(png.out, c.png_size) << png.summary();
    }
}

// A picture file replaces a regular file whole or not at all; a write that
// fails (here, past a file size limit of 0) leaves the file as it was, and
// anything but a regular file is refused.
TEST(preview_output, a_picture_file_that_cannot_be_written_is_left_as_it_was)
{
    const struct {
        const char *name;
        const char *setup;  // makes the file $F
        const char *limit;  // set for the preview alone
        const char *kept;   // a shell condition that holds when nothing was touched
        std::string err;
    } cases[] = {
        {"png write fails", "F=p.png; echo keep > $F", "ulimit -f 0; trap '' XFSZ;",
         "[ \"$(cat $F)\" = keep ]", "Cannot write p.png: File too large\n"},
        {"pbm write fails", "F=p.pbm; echo keep > $F", "ulimit -f 0; trap '' XFSZ;",
         "[ \"$(cat $F)\" = keep ]", "Cannot write p.pbm: File too large\n"},
        {"symbolic link", "F=p.png; echo keep > target; ln -s target $F", "",
         "[ -L $F ] && [ \"$(cat target)\" = keep ]", "Cannot write p.png: it is not a regular file\n"},
        {"FIFO", "F=p.pbm; mkfifo $F", "", "[ -p $F ]", "Cannot write p.pbm: it is not a regular file\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const e2e::run_result r = e2e::run_script(
            {}, std::string(c.setup) + "\n(" + c.limit + " exec timeout 10 \"$LIDGLOW_PREVIEW\" -m Hi -t " +
                    DEJAVU + " -o $F); echo status=$?\n" + c.kept +
                    " && echo kept=yes\necho left=$(ls -A | grep -c lidglow-preview)\n");
        EXPECT_EQ(r.status, 0) << r.summary();
        EXPECT_EQ(r.out.find("status=0\n"), std::string::npos) << r.summary();
        EXPECT_EQ(r.out.find("status=124\n"), std::string::npos) << r.summary();
        EXPECT_EQ(r.err, c.err);
        EXPECT_NE(r.out.find("kept=yes\n"), std::string::npos) << r.summary();
        EXPECT_NE(r.out.find("left=0\n"), std::string::npos) << r.summary();
    }
}

}  // namespace
