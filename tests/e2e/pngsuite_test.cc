// PngSuite through the real lidglow and the virtual display: every valid
// file must show as the frame rule says, read by a small reader of its own
// (libpng to 8-bit RGB, alpha ignored, as SDL_image hands the picture over),
// in every display mode; every corrupt x* file must be refused with one
// line and nothing sent.

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "render_e2e.h"

namespace {

using render_e2e::picture;

struct rgb_picture {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<png_byte> rgb;  // width x height x 3
    bool ok = false;
};

struct file_closer {
    void operator()(std::FILE *f) const { std::fclose(f); }
};

// libpng reports errors by longjmp, so nothing with a destructor lives
// between setjmp and the calls that may jump.
bool read_rows(png_structp png, png_infop info, std::FILE *file, rgb_picture &out, png_bytep *rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_read_info(png, info);
    // What SDL_image asks of libpng: 16 bits cut to 8, small greys and
    // palettes widened; grey becomes RGB here, and alpha is dropped.
    png_set_strip_16(png);
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_strip_alpha(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != png_get_image_width(png, info) * 3)
        return false;
    for (unsigned y = 0; y < out.height; ++y)
        rows[y] = out.rgb.data() + std::size_t(y) * out.width * 3;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

rgb_picture read_png(const std::string &path)
{
    rgb_picture out;
    const std::unique_ptr<std::FILE, file_closer> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return out;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return out;
    }
    // The size comes from a first look at the header, so that the buffers
    // exist before libpng may jump.
    png_uint_32 width = 0, height = 0;
    {
        unsigned char header[24];
        if (std::fread(header, 1, sizeof header, file.get()) == sizeof header) {
            width = png_get_uint_32(header + 16);
            height = png_get_uint_32(header + 20);
        }
        std::rewind(file.get());
    }
    if (width == 0 || height == 0 || width > 4096 || height > 4096) {
        png_destroy_read_struct(&png, &info, nullptr);
        return out;
    }
    out.width = width;
    out.height = height;
    out.rgb.assign(std::size_t(width) * height * 3, 0);
    std::vector<png_bytep> rows(height);
    out.ok = read_rows(png, info, file.get(), out, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return out;
}

struct mode_case {
    const char *name;
    std::vector<std::string> flags;
    bool flashing, rolling, negative, reverse, flip;
};

// Each display mode, and with them every option that moves or inverts
// pixels. The valid files go in parts, so that a run stays far from the harness's
// time limit on a loaded machine.
constexpr std::size_t PARTS = 4;

struct suite_case {
    mode_case mode;
    std::size_t part;
};

void PrintTo(const suite_case &c, std::ostream *os)
{
    *os << c.mode.name << " part " << c.part;
}

// The frame rule: the picture centred on the frame of the mode (truncating
// division), a pixel set when its channels sum to less than 384, then -n,
// -r and -v.
picture expected_frame(const rgb_picture &p, const mode_case &m)
{
    const long height = m.flashing ? 16 : 32;
    long width = 128;
    if (m.rolling)
        width = p.width >= 1792 ? 1792 : (p.width + 127) / 128 * 128;
    const long x0 = (width - long(p.width)) / 2;
    const long y0 = (height - long(p.height)) / 2;
    picture frame(height, std::string(width, m.negative ? '#' : '.'));
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < width; ++x) {
            const long sx = x - x0, sy = y - y0;
            if (sx < 0 || sy < 0 || sx >= long(p.width) || sy >= long(p.height))
                continue;
            const png_byte *px = &p.rgb[(std::size_t(sy) * p.width + sx) * 3];
            const bool dark = unsigned(px[0]) + px[1] + px[2] < 384;
            frame[m.flip ? height - 1 - y : y][m.reverse ? width - 1 - x : x] = dark != m.negative ? '#' : '.';
        }
    return frame;
}

std::vector<std::string> suite_files(bool corrupt)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(render_e2e::data_dir() / "pngsuite")) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".png" && (name[0] == 'x') == corrupt)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// One shell runs lidglow on every file in turn on one virtual display, so
// that the suite costs one start of the display, not one per file; each
// run ends with a line naming the file, its status and its standard error.
e2e::run_result show_all(const std::vector<std::string> &names, const std::vector<std::string> &flags)
{
    std::string script = "cd '" + (render_e2e::data_dir() / "pngsuite").string() + "' || exit 1\nfor f in";
    for (const std::string &name : names)
        script += " " + name;
    script += "; do\n  err=$(\"$LIDGLOW\" -f \"$f\"";
    for (const std::string &flag : flags)
        script += " " + flag;
    script += " 2>&1 >/dev/null); echo \"$f $? $err\"\ndone\n";
    return e2e::run_script({}, script);
}

std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

class pngsuite : public testing::TestWithParam<suite_case> {};

TEST_P(pngsuite, valid_files_show_as_the_frame_rule_says)
{
    const mode_case &m = GetParam().mode;
    const std::vector<std::string> all = suite_files(false);
    ASSERT_EQ(all.size(), 161u);
    std::vector<std::string> names;
    for (std::size_t i = GetParam().part; i < all.size(); i += PARTS)
        names.push_back(all[i]);
    const e2e::run_result r = show_all(names, m.flags);
    ASSERT_EQ(r.harness_error, "");
    ASSERT_EQ(r.status, 0) << r.summary();
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), names.size()) << r.out;
    // Each file: the blank frame, then the picture.
    ASSERT_EQ(r.transfers.size(), 2 * names.size()) << r.out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(lines[i], names[i] + " 0 ");
        const rgb_picture source = read_png((render_e2e::data_dir() / "pngsuite" / names[i]).string());
        ASSERT_TRUE(source.ok);
        const vdisplay::transfer &shown = r.transfers[2 * i + 1];
        EXPECT_TRUE(shown.problems.empty());
        const picture expected = expected_frame(source, m);
        if (shown.picture != expected)
            ADD_FAILURE() << "shown:\n"
                          << render_e2e::picture_text(shown.picture) << "expected:\n"
                          << render_e2e::picture_text(expected);
    }
}

std::vector<suite_case> suite_cases()
{
    const mode_case modes[] = {
        {"static", {}, false, false, false, false, false},
        {"flashing_negative_flipped", {"-F", "-n", "-v"}, true, false, true, false, true},
        {"rolling_reversed", {"-R", "-r"}, false, true, false, true, false},
    };
    std::vector<suite_case> cases;
    for (const mode_case &m : modes)
        for (std::size_t part = 0; part < PARTS; ++part)
            cases.push_back({m, part});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(modes, pngsuite, testing::ValuesIn(suite_cases()),
                         [](const testing::TestParamInfo<suite_case> &info) {
                             return std::string(info.param.mode.name) + "_" + std::to_string(info.param.part);
                         });

TEST(pngsuite_corrupt, files_are_refused_with_one_line)
{
    const std::vector<std::string> names = suite_files(true);
    ASSERT_EQ(names.size(), 14u);
    const e2e::run_result r = show_all(names, {});
    ASSERT_EQ(r.harness_error, "");
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), names.size()) << r.out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        // "NAME STATUS LINE": a status other than 0 and one line of text.
        const std::string prefix = names[i] + " ";
        ASSERT_EQ(lines[i].rfind(prefix, 0), 0u) << lines[i];
        const std::string rest = lines[i].substr(prefix.size());
        const std::size_t space = rest.find(' ');
        ASSERT_NE(space, std::string::npos) << lines[i];
        EXPECT_NE(rest.substr(0, space), "0");
        EXPECT_GT(rest.size(), space + 1) << "no message";
    }
    // The output lines hold one line of standard error each, so a second
    // line would have shown up as one more line.
    EXPECT_EQ(render_e2e::bulk_writes(r.events), 0u) << r.summary();
}

}  // namespace
