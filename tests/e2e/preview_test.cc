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
#include "support/test_fonts.h"

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

// What follows the last picture drawn: the line that says what the display
// is sent, and the hints.
std::string after_picture(const std::string &out)
{
    const std::string box_end = "\u2518\n";
    const std::size_t end = out.rfind(box_end);
    return end == std::string::npos ? out : out.substr(end + box_end.size());
}

constexpr const char *LONG_LINE = "A line too long for the lid";
constexpr int BOLD = 1;  // SDL_ttf's TTF_STYLE_BOLD, which -w asks for
constexpr const char *STATIC_SENT = "A static frame of 128 \u00d7 32 (2 packets).\n";
constexpr const char *BLANK_SENT = "The filled frame, every pixel clear (2 packets).\n";
constexpr const char *IMAGE_SENT =
    "The blank frame, every pixel set (2 packets), then a static frame of 128 \u00d7 32 (2 packets).\n";

// The hint for LONG_LINE in DejaVu Sans at the automatic size, measured by
// SDL_ttf itself: its width, and the largest smaller size at which it fits
// 128 columns, checked to fit while one point more does not.
std::string long_line_hint(int style, bool flashing)
{
    const render_e2e::ttf_probe &probe = render_e2e::ttf_probe::get();
    EXPECT_TRUE(probe.usable());
    const int in_use = probe.fitting_size(DEJAVU, 0, flashing ? 16 : 32);
    const int width = probe.width(DEJAVU, 0, in_use, LONG_LINE, style);
    int fits = in_use - 1;
    while (fits > 0 && probe.width(DEJAVU, 0, fits, LONG_LINE, style) > 128)
        --fits;
    EXPECT_GT(width, 128);
    EXPECT_GT(fits, 0);
    EXPECT_LE(probe.width(DEJAVU, 0, fits, LONG_LINE, style), 128);
    EXPECT_GT(probe.width(DEJAVU, 0, fits + 1, LONG_LINE, style), 128);
    return "Only the middle 128 of the text's " + std::to_string(width) + " columns show; " +
           (flashing ? "-R instead of -F" : "-R") + " rolls it, -s " + std::to_string(fits) + " or less fits.\n";
}

// The hint for a text wider or taller than the frame at a fixed size in
// DejaVu Sans: what shows, and the largest size that fits both ways.
std::string fixed_size_hint(const std::string &text, int size, bool flashing)
{
    const render_e2e::ttf_probe &probe = render_e2e::ttf_probe::get();
    EXPECT_TRUE(probe.usable());
    const int rows = flashing ? 16 : 32;
    const auto fits = [&](int s) {
        const std::pair<int, int> e = probe.extent(DEJAVU, 0, s, text);
        return e.first <= 128 && e.second <= rows;
    };
    int fitting = size - 1;
    while (fitting > 0 && !fits(fitting))
        --fitting;
    const std::pair<int, int> e = probe.extent(DEJAVU, 0, size, text);
    const bool wide = e.first > 128;
    std::string shown = wide ? "128 \u00d7 " + std::to_string(rows) + " of the text's " + std::to_string(e.first) +
                                   " \u00d7 " + std::to_string(e.second) + " pixels"
                             : std::to_string(rows) + " of the text's " + std::to_string(e.second) + " rows";
    std::string remedy = wide ? (flashing ? "-R instead of -F rolls it, " : "-R rolls it, ") : "";
    return "Only the middle " + shown + " show; " + remedy + "-s " + std::to_string(fitting) + " or less fits.\n";
}

// A text far too long for any readable size: only -R is suggested.
std::string too_long_hint(const std::string &text)
{
    const render_e2e::ttf_probe &probe = render_e2e::ttf_probe::get();
    const int width = probe.width(DEJAVU, 0, probe.fitting_size(DEJAVU, 0, 32), text);
    return "Only the middle 128 of the text's " + std::to_string(width) + " columns show; -R rolls 1792 of them.\n";
}

struct hint_case {
    const char *name;
    std::vector<std::string> args;
    std::string after;  // the lines after the picture; with -o, all of standard error
    int status = 0;
    std::string err = "";
};

void PrintTo(const hint_case &c, std::ostream *os)
{
    *os << c.name;
}

std::vector<hint_case> hint_cases()
{
    const render_e2e::image_dir &images = render_e2e::image_dir::get();
    const std::string echo_long = std::string("echo ") + LONG_LINE;
    const std::string flashing_sent = "The blank frame, every pixel set (2 packets), then a frame of 128 \u00d7 16 "
                                      "that flashes (2 packets).\n";
    return {
        {"none_for_a_short_text", {"-m", "Hi", "-t", DEJAVU}, STATIC_SENT},
        {"none_for_a_small_opaque_picture", {"-f", images.path("small.png")}, IMAGE_SENT},
        {"wide_text", {"-m", LONG_LINE, "-t", DEJAVU}, STATIC_SENT + long_line_hint(0, false)},
        {"wide_text_flashing",
         {"-m", LONG_LINE, "-F", "-t", DEJAVU},
         "A frame of 128 \u00d7 16 that flashes (2 packets).\n" + long_line_hint(0, true)},
        {"wide_command_line_bold",
         {"-c", echo_long, "-w", "-t", DEJAVU},
         STATIC_SENT + long_line_hint(BOLD, false)},
        // The second poll finds no line, which ends the polls.
        {"wide_command_line_polled",
         {"-c", "test -e seen || { touch seen; " + echo_long + "; }", "-D", "-P", "1", "-t", DEJAVU},
         STATIC_SENT + long_line_hint(0, false),
         22,
         "Nothing returned by the command!\n"},
        {"missing_glyphs",
         {"-m", "\u4f60\t\u597d lid", "-t", DEJAVU},
         STATIC_SENT + std::string("DejaVuSans.ttf has no glyph for \u4f60 (U+4F60), U+0009 or \u597d (U+597D): "
                                   "it draws a placeholder.\n")},
        {"many_missing_glyphs",
         {"-m", "\u4f60\u597d\u4e16\u754c\u548c\u5e73", "-t", DEJAVU},
         STATIC_SENT + std::string("DejaVuSans.ttf has no glyph for 6 of the text's characters: it draws a "
                                   "placeholder.\n")},
        {"none_for_spaces", {"-m", "   ", "-t", DEJAVU}, BLANK_SENT},
        {"fixed_size_too_tall", {"-m", "Hi", "-s", "40", "-t", DEJAVU}, STATIC_SENT + fixed_size_hint("Hi", 40, false)},
        {"fixed_size_too_big",
         {"-m", "Hello, lid", "-s", "40", "-t", DEJAVU},
         STATIC_SENT + fixed_size_hint("Hello, lid", 40, false)},
        {"fixed_size_too_big_flashing",
         {"-m", "Hello, lid", "-s", "40", "-F", "-t", DEJAVU},
         "A frame of 128 \u00d7 16 that flashes (2 packets).\n" + fixed_size_hint("Hello, lid", 40, true)},
        {"no_readable_size",
         {"-m", std::string(400, 'W'), "-t", DEJAVU},
         STATIC_SENT + too_long_hint(std::string(400, 'W'))},
        {"above_u_ffff",
         {"-m", "a\U0001F600b", "-t", DEJAVU},
         STATIC_SENT + std::string("SDL_ttf 2.0 draws no character above U+FFFF: \U0001F600 (U+1F600) shows as "
                                   "U+FFFD.\n")},
        {"escape_sequences",
         {"-m", "\x1b[1mOK\x1b[0m", "-s", "8", "-t", DEJAVU},
         STATIC_SENT + std::string("The text holds terminal escape sequences, which show as characters; strip "
                                   "them, e.g. with sed 's/\\x1b\\[[0-9;]*m//g'.\n")},
        {"newline_in_message",
         {"-m", "a\nb", "-t", DEJAVU},
         STATIC_SENT + std::string("The display shows one line only: each newline draws a placeholder.\n")},
        {"bitmap_font",
         {"-m", "Hello", "-t", test_fonts::terminus_bitmap()},
         BLANK_SENT + std::string("terminus-normal.otb draws no pixel of this text; if it is a bitmap font, whose "
                                  "-s picks one of its sizes, try an outline font.\n"),
         0,
         "The font draws no pixel of this text\n"},
        // 64 x 16 on transparent black, 16 x 8 of it opaque black.
        {"transparent_logo",
         {"-f", images.path("logo.png")},
         IMAGE_SENT + std::string("Transparency is ignored: the 896 transparent pixels show set, "
                                  "by their colour; flatten the picture onto white to clear them, or try -n.\n")},
        // SDL_image reads it as grey and alpha, two bytes a pixel.
        {"grey_transparent",
         {"-f", images.path("pattern-grey-trns.png")},
         IMAGE_SENT + std::string("Transparency is ignored: the 3328 transparent pixels show clear, "
                                  "by their colour.\n")},
        {"transparent_logo_negative",
         {"-f", images.path("logo.png"), "-n"},
         IMAGE_SENT + std::string("Transparency is ignored: the 896 transparent pixels show clear, "
                                  "by their colour.\n")},
        // The light colour of the palette is the colour key.
        {"colour_key",
         {"-f", images.path("pattern-palette-trns.png")},
         IMAGE_SENT + std::string("Transparency is ignored: the 3328 transparent pixels show clear, "
                                  "by their colour.\n")},
        // Every pixel is partly transparent; 768 of them are dark.
        {"partly_transparent",
         {"-f", images.path("pattern-rgba.png")},
         IMAGE_SENT + std::string("Transparency is ignored: of 4096 transparent pixels, 768 show set "
                                  "and 3328 clear; flatten the picture onto white to clear them, or try -n.\n")},
        {"partly_transparent_negative",
         {"-f", images.path("pattern-rgba.png"), "-n"},
         IMAGE_SENT + std::string("Transparency is ignored: of 4096 transparent pixels, 3328 show set "
                                  "and 768 clear; flatten the picture onto black to clear them, or try without "
                                  "-n.\n")},
        {"wide_picture",
         {"-f", images.path("wide.png")},
         IMAGE_SENT + std::string("Only the middle 128 \u00d7 32 of the 300 \u00d7 32 picture shows; "
                                  "it is not scaled.\n")},
        {"tall_picture_flashing",
         {"-f", images.path("rows.png"), "-F"},
         flashing_sent + "Only the middle 128 \u00d7 16 of the 128 \u00d7 32 picture shows; it is not scaled.\n"},
        {"hint_beside_a_picture_file",
         {"-f", images.path("logo.png"), "-o", "p.pbm"},
         "Transparency is ignored: the 896 transparent pixels show set, by their colour; flatten the picture onto "
         "white to clear them, or try -n.\n"},
    };
}

class preview_hints : public testing::TestWithParam<hint_case> {};

// Each rule of the display that applies gets one line after the picture,
// or on standard error beside a picture file; none changes the status.
TEST_P(preview_hints, follow_the_picture)
{
    const hint_case &c = GetParam();
    if (std::find(c.args.begin(), c.args.end(), "") != c.args.end())
        GTEST_SKIP() << "a font it needs is not installed (terminus-normal.otb: Debian's fonts-terminus-otb)";
    const e2e::run_result r = e2e::run_script({}, "\"$LIDGLOW_PREVIEW\"" + quoted(c.args));
    EXPECT_EQ(r.harness_error, "");
    EXPECT_EQ(r.status, c.status) << r.summary();
    const bool to_file = std::find(c.args.begin(), c.args.end(), "-o") != c.args.end();
    if (to_file) {
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.after);
    } else {
        EXPECT_NE(r.out.find("\u2518\n"), std::string::npos) << r.out;
        EXPECT_EQ(after_picture(r.out), c.after);
        EXPECT_EQ(r.err, c.err);
    }
}

INSTANTIATE_TEST_SUITE_P(rules, preview_hints, testing::ValuesIn(hint_cases()),
                         [](const testing::TestParamInfo<hint_case> &info) {
                             return std::string(info.param.name);
                         });

// A command line that the preview refuses: the reason in one line on
// standard error, then the usage text; lidglow gives the usage text alone.
TEST(preview_usage, names_what_was_rejected)
{
    const struct {
        std::vector<std::string> args;
        const char *err;
    } cases[] = {
        {{"-c", "x", "-P", "5"}, "-P needs -D\n"},
        {{"-f", "x", "-F", "-R"}, "-F and -R exclude each other\n"},
        {{"-s", "-1", "-m", "x"}, "-s needs a number from 0 to 2147483647\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.err);
        const e2e::run_result previewed = e2e::run_script({}, "\"$LIDGLOW_PREVIEW\"" + quoted(c.args));
        EXPECT_EQ(previewed.status, 0) << previewed.summary();
        EXPECT_EQ(previewed.err, c.err);
        EXPECT_EQ(previewed.out.rfind("Usage:", 0), 0u) << previewed.out;
        const e2e::run_result shown = e2e::run_lidglow({}, c.args);
        EXPECT_EQ(shown.status, 0) << shown.summary();
        EXPECT_EQ(shown.err, "");
        EXPECT_EQ(shown.out.rfind("Usage:", 0), 0u) << shown.out;
    }
}

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

// A picture file that replaces another keeps its mode and group, whatever
// the umask.
TEST(preview_output, a_replaced_file_keeps_its_mode_and_group)
{
    const struct {
        const char *name;
        const char *setup;  // makes the file $F
    } cases[] = {
        {"private", "F=p.png; echo old > $F; chmod 600 $F"},
        // Root's file for a group of readers; as anyone else, one's own group.
        {"group's", "F=p.pbm; echo old > $F; chgrp 4 $F 2>/dev/null || :; chmod 640 $F"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const e2e::run_result r = e2e::run_script(
            {}, std::string(c.setup) + "\nbefore=$(stat -c '%a %g' $F)\numask 022\n\"$LIDGLOW_PREVIEW\" -m Hi -t " +
                    DEJAVU + " -o $F || exit\n[ \"$(cat $F)\" != old ] && echo replaced\n" +
                    "[ \"$(stat -c '%a %g' $F)\" = \"$before\" ] && echo kept || echo \"$before became $(stat -c '%a %g' $F)\"\n");
        EXPECT_EQ(r.status, 0) << r.summary();
        EXPECT_EQ(r.out, "replaced\nkept\n") << r.summary();
    }
}

}  // namespace
