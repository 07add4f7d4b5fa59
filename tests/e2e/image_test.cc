// End-to-end tests of image output (-f): what the display receives for
// images in the formats SDL_image reads, in every display mode, and that bad
// and hostile files are refused before anything is sent.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "render_e2e.h"

namespace {

using render_e2e::blank_picture;
using render_e2e::fill;
using render_e2e::picture;
using vdisplay::transfer_mode;

const render_e2e::image_dir &images()
{
    const render_e2e::image_dir &dir = render_e2e::image_dir::get();
    EXPECT_EQ(dir.error(), "");
    return dir;
}

// The picture of every pattern-* file.
picture pattern_picture()
{
    picture p = blank_picture(128, 32);
    fill(p, 0, 0, 16, 8);
    fill(p, 48, 8, 32, 16);
    fill(p, 112, 24, 16, 8);
    return p;
}

picture columns(unsigned width, unsigned height, const std::vector<unsigned> &set)
{
    picture p = blank_picture(width, height);
    for (unsigned c : set)
        fill(p, c, 0, 1, height);
    return p;
}

e2e::run_result show(const std::string &file, const std::vector<std::string> &flags = {})
{
    std::vector<std::string> args = {"-f", images().path(file)};
    args.insert(args.end(), flags.begin(), flags.end());
    return e2e::run_lidglow({}, args);
}

// A successful run: quiet, status 0, the blank frame and then one frame.
void expect_blank_then_frame(const e2e::run_result &r)
{
    EXPECT_EQ(r.harness_error, "");
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0) << r.summary();
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(r.transfers.size(), 2u) << r.summary();
    const vdisplay::transfer &blank = r.transfers[0];
    EXPECT_EQ(blank.mode, transfer_mode::static_frame);
    EXPECT_TRUE(blank.problems.empty()) << blank.problems.front();
    EXPECT_EQ(blank.picture, blank_picture(128, 32, '#'));
    EXPECT_TRUE(r.transfers[1].problems.empty()) << r.transfers[1].problems.front();
}

class image_format : public testing::TestWithParam<const char *> {};

TEST_P(image_format, shows_the_pattern_after_the_blank_frame)
{
    const e2e::run_result r = show(GetParam());
    expect_blank_then_frame(r);
    ASSERT_EQ(r.transfers.size(), 2u);
    EXPECT_EQ(r.writes().size(), 4u);
    EXPECT_EQ(r.transfers[1].mode, transfer_mode::static_frame);
    EXPECT_EQ(r.transfers[1].picture, pattern_picture())
        << vdisplay::draw_picture(r.transfers[1]);
}

// The palette files hold a dark colour of sum 350 and a light one of sum 390:
// a luminance threshold or a palette index read as a colour would get them
// wrong. Alpha plays no part in the rgba and trns files.
INSTANTIATE_TEST_SUITE_P(formats, image_format,
                         testing::Values("pattern-rgb.png", "pattern-rgba.png", "pattern-grey.png", "pattern-grey-trns.png",
                                         "pattern-grey16.png", "pattern-1bit.png",
                                         "pattern-palette.png", "pattern-palette-trns.png",
                                         "pattern.bmp", "pattern-palette.bmp", "pattern.gif",
                                         "pattern.jpg", "pattern.ppm", "pattern.pgm", "pattern.pbm",
                                         "pattern.tga", "pattern-rle.tga", "pattern.xpm",
                                         "pattern.pcx", "pattern.tif", "pattern.webp"),
                         [](const testing::TestParamInfo<const char *> &info) {
                             std::string name = info.param;
                             for (char &c : name)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

// The bytes themselves, for one image: the packer and the decoder could
// share a mistake that the pictures alone would not show.
TEST(image_bytes, blank_frame_then_pattern_packets)
{
    const e2e::run_result r = show("pattern-rgb.png");
    ASSERT_EQ(r.status, 0) << r.summary();
    const std::vector<vdisplay::bytes> w = r.writes();
    ASSERT_EQ(w.size(), 4u);
    for (std::size_t p = 0; p < 4; ++p) {
        ASSERT_EQ(w[p].size(), 272u);
        const vdisplay::bytes header = {0x55, 0xAA, static_cast<unsigned char>(0x10 + p % 2),
                                        0x80, 0x01, 0x01, 0x00, 0x01, 0, 0, 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(vdisplay::bytes(w[p].begin(), w[p].begin() + 16), header) << "packet " << p;
    }
    for (std::size_t i = 16; i < 272; ++i) {
        EXPECT_EQ(w[0][i], 0xFF) << "blank packet 0, byte " << i;
        EXPECT_EQ(w[1][i], 0xFF) << "blank packet 1, byte " << i;
    }
    // A band byte at offset m holds column 127 - m, its bit k row k of the
    // band: the top-left block fills the last 16 bytes of the first band,
    // the middle block columns 48-79 of rows 8-15 and 16-23.
    auto expected = [](std::size_t packet, std::size_t i) -> unsigned {
        const std::size_t band = (i - 16) / 128, m = (i - 16) % 128;
        const std::size_t column = 127 - m;
        if (packet == 0)
            return (band == 0 && column < 16) || (band == 1 && column >= 48 && column < 80) ? 0xFF : 0;
        return (band == 0 && column >= 48 && column < 80) || (band == 1 && column >= 112) ? 0xFF : 0;
    };
    for (std::size_t i = 16; i < 272; ++i) {
        EXPECT_EQ(w[2][i], expected(0, i)) << "image packet 0, byte " << i;
        EXPECT_EQ(w[3][i], expected(1, i)) << "image packet 1, byte " << i;
    }
}

// Headers of the rolling and flashing frames, byte by byte, after the two
// blank packets.
TEST(image_bytes, rolling_and_flashing_headers)
{
    const std::vector<vdisplay::bytes> rolled = show("wide.png", {"-R"}).writes();
    ASSERT_EQ(rolled.size(), 8u);
    for (std::size_t p = 0; p < 6; ++p) {
        const vdisplay::bytes &packet = rolled[2 + p];
        ASSERT_EQ(packet.size(), 272u);
        const vdisplay::bytes header = {0x55, 0xAA, 0x40, 0x80, 6, static_cast<unsigned char>(p + 1),
                                        0x00, 0x01, 0xFF, 0, 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(vdisplay::bytes(packet.begin(), packet.begin() + 16), header) << "packet " << p;
    }
    // wide.png's column 86 is frame column 128, the last byte of the bands
    // of packets 2 and 3.
    EXPECT_EQ(rolled[4][143], 0xFF);
    EXPECT_EQ(rolled[4][271], 0xFF);
    EXPECT_EQ(rolled[5][143], 0xFF);

    const std::vector<vdisplay::bytes> flashed = show("rows.png", {"-F"}).writes();
    ASSERT_EQ(flashed.size(), 4u);
    const vdisplay::bytes header = {0x55, 0xAA, 0x10, 0x80, 0x01, 0x01, 0x00, 0x00,
                                    0xFF, 0,    0,    0,    0,    0,    0,    0};
    EXPECT_EQ(vdisplay::bytes(flashed[2].begin(), flashed[2].begin() + 16), header);
    EXPECT_EQ(flashed[3], vdisplay::bytes(272, 0));
}

struct geometry_case {
    const char *name;
    const char *file;
    std::vector<std::string> flags;
    transfer_mode mode;
    std::size_t packets;  // of the image frame
    picture expected;
};

void PrintTo(const geometry_case &c, std::ostream *os)
{
    *os << c.name;
}

picture small_centred()
{
    picture p = blank_picture(128, 32);
    fill(p, 32, 8, 64, 16);
    return p;
}

// corners.png: runs of 1, 2, 3 and 4 pixels in the top-left, top-right,
// bottom-left and bottom-right corners.
picture corners_picture()
{
    picture p = blank_picture(128, 32);
    fill(p, 0, 0, 1, 1);
    fill(p, 126, 0, 2, 1);
    fill(p, 0, 31, 3, 1);
    fill(p, 124, 31, 4, 1);
    return p;
}

picture flashing_rows()
{
    // The 32-row image shows its rows 8 to 23: row 8 is dark on the left,
    // row 23 on the right, the rows between are light.
    picture p = blank_picture(128, 16);
    fill(p, 0, 0, 64, 1);
    fill(p, 64, 15, 64, 1);
    return p;
}

std::vector<geometry_case> geometry_cases()
{
    using render_e2e::flipped;
    using render_e2e::mirrored;
    using render_e2e::negated;
    picture left_half = blank_picture(128, 32);
    fill(left_half, 0, 0, 64, 32);
    return {
        // Channel sums 383 and 384 lie on either side of the threshold.
        {"threshold", "threshold.png", {}, transfer_mode::static_frame, 2, left_half},
        {"palette_threshold", "palette-threshold.png", {}, transfer_mode::static_frame, 2, left_half},
        {"small_centred", "small.png", {}, transfer_mode::static_frame, 2, small_centred()},
        {"small_negative", "small.png", {"-n"}, transfer_mode::static_frame, 2,
         negated(small_centred())},
        // 300 columns: static shows columns 86-213, rolling centres them in 384.
        {"wide_static", "wide.png", {}, transfer_mode::static_frame, 2, columns(128, 32, {0, 127})},
        {"wide_rolling", "wide.png", {"-R"}, transfer_mode::rolling, 6,
         columns(384, 32, {42, 128, 255, 341})},
        {"roll_1", "roll-1.png", {"-R"}, transfer_mode::rolling, 2, columns(128, 32, {63})},
        {"roll_128", "roll-128.png", {"-R"}, transfer_mode::rolling, 2, columns(128, 32, {0, 127})},
        {"roll_129", "roll-129.png", {"-R"}, transfer_mode::rolling, 4, columns(256, 32, {63, 191})},
        {"roll_1700", "roll-1700.png", {"-R"}, transfer_mode::rolling, 28,
         columns(1792, 32, {46, 1745})},
        {"roll_1792", "roll-1792.png", {"-R"}, transfer_mode::rolling, 28,
         columns(1792, 32, {0, 1791})},
        // Wider than 1792 but less than another 128: still 1792 columns, which
        // cut both marked columns off.
        {"roll_1800", "roll-1800.png", {"-R"}, transfer_mode::rolling, 28, columns(1792, 32, {})},
        // 5000 columns are cut to their middle 1792: columns 1604-3395.
        {"roll_5000", "very-wide.png", {"-R"}, transfer_mode::rolling, 28,
         columns(1792, 32, {0, 1791})},
        {"flashing", "rows.png", {"-F"}, transfer_mode::flashing, 2, flashing_rows()},
        {"flashing_negative", "rows.png", {"-F", "-n"}, transfer_mode::flashing, 2,
         negated(flashing_rows())},
        // The widest picture SDL 1.2 holds; white, so all set with -n.
        {"widest_negative", "widest.png", {"-n"}, transfer_mode::static_frame, 2, blank_picture(128, 32, '#')},
        {"corners", "corners.png", {}, transfer_mode::static_frame, 2, corners_picture()},
        {"corners_reverse", "corners.png", {"-r"}, transfer_mode::static_frame, 2,
         mirrored(corners_picture())},
        {"corners_flip", "corners.png", {"-v"}, transfer_mode::static_frame, 2,
         flipped(corners_picture())},
        {"corners_reverse_flip", "corners.png", {"-r", "-v"}, transfer_mode::static_frame, 2,
         flipped(mirrored(corners_picture()))},
        {"corners_all", "corners.png", {"-n", "-r", "-v"}, transfer_mode::static_frame, 2,
         negated(flipped(mirrored(corners_picture())))},
        {"corners_rolling_reverse", "corners.png", {"-R", "-r"}, transfer_mode::rolling, 2,
         mirrored(corners_picture())},
    };
}

class image_geometry : public testing::TestWithParam<geometry_case> {};

TEST_P(image_geometry, shows_the_expected_frame)
{
    const geometry_case &c = GetParam();
    const e2e::run_result r = show(c.file, c.flags);
    expect_blank_then_frame(r);
    ASSERT_EQ(r.transfers.size(), 2u);
    const vdisplay::transfer &t = r.transfers[1];
    EXPECT_EQ(t.mode, c.mode) << vdisplay::mode_name(t.mode);
    EXPECT_EQ(t.packets.size(), c.packets);
    EXPECT_EQ(r.writes().size(), 2 + c.packets);
    ASSERT_EQ(t.picture.size(), c.expected.size());
    ASSERT_EQ(t.width, c.expected.front().size());
    EXPECT_EQ(t.picture, c.expected) << "shown:\n"
                                     << render_e2e::picture_text(t.picture) << "expected:\n"
                                     << render_e2e::picture_text(c.expected);
}

INSTANTIATE_TEST_SUITE_P(modes, image_geometry, testing::ValuesIn(geometry_cases()),
                         [](const testing::TestParamInfo<geometry_case> &info) {
                             return std::string(info.param.name);
                         });

// An unprivileged run has no root to give up: its decoder shows a picture
// and is contained as root's is. Root's runs are made as nobody.
TEST(image_unprivileged, decodes_in_the_same_contained_child)
{
    E2E_REQUIRE(e2e::unprivileged_runs());
    const struct {
        const char *file;
        int status;
        const char *err;
    } cases[] = {
        {"pattern-rgb.png", 0, ""},
        {"hostile-truncated.xpm", 22, "Cannot decode hostile-truncated.xpm: the decoder crashed (signal 11)\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const e2e::run_result r = e2e::run_script(
            {"--shared"}, "chmod 755 \"$E2E_TMPDIR\" && cp '" + images().path(c.file) + "' . && chmod 644 " +
                              c.file + " && " + e2e::unprivileged_prefix() + " \"$LIDGLOW\" -f " + c.file);
        EXPECT_EQ(r.status, c.status) << r.summary();
        EXPECT_EQ(r.err, c.err);
        if (c.status == 0) {
            ASSERT_EQ(r.transfers.size(), 2u) << r.summary();
            EXPECT_EQ(r.transfers[1].picture, pattern_picture());
        } else {
            EXPECT_TRUE(r.transfers.empty()) << r.summary();
        }
    }
}

struct bad_image_case {
    const char *name;
    const char *file;  // in the image directory
    const char *last_line;
    int status;  // 0: any failure
    bool only_line = false;  // the message is all of standard error
    bool needs_address_limit = false;  // the file fails by the decoder's memory limit
    // What such a file gives without the limit (in the sanitizer build);
    // none: the test is skipped there.
    const char *unlimited_line = nullptr;
    int unlimited_status = 0;
};

#ifdef LIDGLOW_NO_ADDRESS_LIMIT
constexpr bool ADDRESS_LIMITED = false;
#else
constexpr bool ADDRESS_LIMITED = true;
#endif

// The decoder's address limit; no process of a run may grow beyond it.
constexpr long DECODER_MEMORY_KIB = 512 * 1024;

void PrintTo(const bad_image_case &c, std::ostream *os)
{
    *os << c.name;
}

class bad_image : public testing::TestWithParam<bad_image_case> {};

TEST_P(bad_image, is_refused_before_anything_is_sent)
{
    const bad_image_case &c = GetParam();
    std::string expected = c.last_line;
    int status = c.status;
    if (c.needs_address_limit && !ADDRESS_LIMITED) {
        if (c.unlimited_line == nullptr)
            GTEST_SKIP() << "the sanitizer build runs the decoder without an address limit";
        expected = c.unlimited_line;
        status = c.unlimited_status;
    }
    const std::size_t at = expected.find("@DIR@");
    if (at != std::string::npos)
        expected.replace(at, 5, images().path(""));
    // libpng prints lines of its own before SDL_image's message.
    render_e2e::expect_refused(show(c.file), status, expected, c.only_line);
    // Measured by the kernel for every process this test has waited for,
    // the decoder included.
    struct rusage usage = {};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, DECODER_MEMORY_KIB) << "peak resident KiB";
}

INSTANTIATE_TEST_SUITE_P(
    files, bad_image,
    testing::Values(bad_image_case{"missing", "no-such-file.png", "Couldn't open @DIR@no-such-file.png", 2},
                    bad_image_case{"directory", ".", "Unsupported image format", 21, true},
                    bad_image_case{"empty", "empty.png", "Unsupported image format", 0},
                    bad_image_case{"text", "notes.txt", "Unsupported image format", 0},
                    bad_image_case{"truncated", "truncated.png", "Error reading the PNG file.", 0},
                    bad_image_case{"huge_header", "huge-header.png",
                                   "Cannot decode @DIR@huge-header.png: it is 1000000000 \u00d7 1000000000 pixels, "
                                   "and SDL 1.2 holds at most 16383 \u00d7 65535",
                                   22, true},
                    // The 1.9 GB it declares exceed the decoder's address limit.
                    bad_image_case{"huge_data", "huge-data.png",
                                   "Cannot decode @DIR@huge-data.png: the decoder ran out of memory (limit 512 MiB)",
                                   12, true, true},
                    bad_image_case{"zero_bits", "zero-bits.bmp",
                                   "Cannot show a picture of 0 bits per pixel", 22},
                    // Hostile files: the decoder crashes, spins, reads past
                    // its buffers or takes gigabytes on them.
                    // SDL 1.2 makes no surface this wide, and the GIF loader
                    // would crash on the missing one.
                    bad_image_case{"too_wide", "too-wide.png",
                                   "Cannot decode @DIR@too-wide.png: it is 16384 \u00d7 1 pixels, and SDL 1.2 "
                                   "holds at most 16383 \u00d7 65535",
                                   22, true},
                    bad_image_case{"wide_gif", "hostile-wide.gif",
                                   "Cannot decode @DIR@hostile-wide.gif: it is 20000 \u00d7 1 pixels, and SDL 1.2 "
                                   "holds at most 16383 \u00d7 65535",
                                   22, true},
                    bad_image_case{"truncated_xpm", "hostile-truncated.xpm",
                                   "Cannot decode @DIR@hostile-truncated.xpm: the decoder crashed (signal 11)", 22,
                                   true},
                    bad_image_case{"long_key_xpm", "hostile-long-key.xpm",
                                   "Cannot decode @DIR@hostile-long-key.xpm: the decoder crashed (signal 11)", 22,
                                   true},
                    // Without the address limit the decoder spins until the CPU limit.
                    bad_image_case{"many_colours_xpm", "hostile-colours.xpm",
                                   "Cannot decode @DIR@hostile-colours.xpm: the decoder ran out of memory (limit 512 MiB)",
                                   12, true, true,
                                   "Cannot decode @DIR@hostile-colours.xpm: the decoder used more than 10 s of CPU time",
                                   22},
                    bad_image_case{"short_lines_pcx", "hostile-short-lines.pcx",
                                   "Cannot decode @DIR@hostile-short-lines.pcx: its PCX lines are shorter than its width",
                                   22, true},
                    bad_image_case{"png_bomb", "hostile-bomb.png",
                                   "Cannot decode @DIR@hostile-bomb.png: the decoder ran out of memory (limit 512 MiB)",
                                   12, true, true},
                    bad_image_case{"no_pixels", "hostile-empty.tga", "Cannot show a picture without pixels", 22, true},
                    bad_image_case{"dev_zero", "hostile-zero.png", "Unsupported image format", 22, true},
                    // Nothing ever writes to it: the decoder waits until its deadline.
                    bad_image_case{"fifo", "hostile-fifo.png",
                                   "Cannot decode @DIR@hostile-fifo.png: the decoder did not finish within 20 s", 22,
                                   true}),
    [](const testing::TestParamInfo<bad_image_case> &info) { return std::string(info.param.name); });

}  // namespace
