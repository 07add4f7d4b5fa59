// End-to-end tests of text output (-m): the font size search, fixed sizes,
// styles, faces of a collection, long texts in static and rolling mode, and
// the failures that must leave the display untouched.

#include <gtest/gtest.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

#include "render_e2e.h"
#include "support/test_fonts.h"

namespace {

using render_e2e::DEJAVU;
using render_e2e::picture;
using render_e2e::single_frame;
using render_e2e::WQY;
using vdisplay::transfer_mode;

e2e::run_result show_text(const std::string &message, const std::vector<std::string> &options)
{
    std::vector<std::string> args = {"-m", message};
    args.insert(args.end(), options.begin(), options.end());
    return e2e::run_lidglow({}, args);
}

picture shown(const std::string &message, const std::vector<std::string> &options)
{
    return single_frame(show_text(message, options)).picture;
}

const render_e2e::ttf_probe &probe()
{
    const render_e2e::ttf_probe &p = render_e2e::ttf_probe::get();
    EXPECT_TRUE(p.usable()) << "libSDL_ttf-2.0.so.0 could not be loaded";
    return p;
}

// A column whose 32 rows are all set: a glyph cut at the top and bottom.
bool has_full_column(const picture &p)
{
    if (p.empty())
        return false;
    for (std::size_t c = 0; c < p.front().size(); ++c) {
        bool full = true;
        for (const std::string &row : p)
            full = full && row[c] == '#';
        if (full)
            return true;
    }
    return false;
}

std::string counting_text(std::size_t words)
{
    std::string text;
    for (std::size_t i = 0; i < words; ++i)
        text += (i ? " " : "") + std::to_string(i);
    return text;
}

struct text_case {
    const char *name;
    std::string message;
    std::vector<std::string> options;
    transfer_mode mode;
    unsigned width;
    unsigned height;
};

void PrintTo(const text_case &c, std::ostream *os)
{
    *os << c.name;
}

class text_frame : public testing::TestWithParam<text_case> {};

// Text goes out as one transfer: no blank frame before it, unlike images.
TEST_P(text_frame, is_sent_as_one_frame_without_blanking)
{
    const text_case &c = GetParam();
    const e2e::run_result r = show_text(c.message, c.options);
    const vdisplay::transfer t = single_frame(r);
    EXPECT_EQ(t.mode, c.mode) << vdisplay::mode_name(t.mode);
    EXPECT_EQ(t.width, c.width);
    EXPECT_EQ(t.height, c.height);
    EXPECT_GT(render_e2e::set_pixels(t.picture), 20u) << vdisplay::draw_picture(t);
    EXPECT_EQ(r.writes().size(), c.mode == transfer_mode::flashing ? 2u : c.width / 64);
}

INSTANTIATE_TEST_SUITE_P(
    texts, text_frame,
    testing::Values(
        text_case{"dejavu", "Hello", {"-t", DEJAVU}, transfer_mode::static_frame, 128, 32},
        text_case{"utf8", "Grüße €", {"-t", DEJAVU}, transfer_mode::static_frame, 128, 32},
        text_case{"wqy_face_0", "你好", {"-t", WQY, "-I", "0"}, transfer_mode::static_frame, 128, 32},
        text_case{"wqy_face_1", "你好", {"-t", WQY, "-I", "1"}, transfer_mode::static_frame, 128, 32},
        text_case{"flashing", "Hello", {"-t", DEJAVU, "-F"}, transfer_mode::flashing, 128, 16},
        text_case{"rolling_short", "Hi", {"-t", DEJAVU, "-R"}, transfer_mode::rolling, 128, 32},
        text_case{"rolling_all_options", "Hello there", {"-t", DEJAVU, "-R", "-n", "-r", "-v", "-w"},
                  transfer_mode::rolling, 256, 32},
        // Far wider than the widest surface SDL makes.
        text_case{"static_beyond_surface_width", counting_text(4000), {"-t", DEJAVU},
                  transfer_mode::static_frame, 128, 32},
        text_case{"rolling_beyond_surface_width", counting_text(4000), {"-t", DEJAVU, "-R"},
                  transfer_mode::rolling, 1792, 32}),
    [](const testing::TestParamInfo<text_case> &info) { return std::string(info.param.name); });

struct size_case {
    const char *name;
    const char *font;
    long index;
    bool flashing;
};

void PrintTo(const size_case &c, std::ostream *os)
{
    *os << c.name;
}

class automatic_size : public testing::TestWithParam<size_case> {};

// The automatic size is the largest one whose line fits the frame's height,
// as SDL_ttf itself measures it.
TEST_P(automatic_size, is_the_first_size_that_fits)
{
    const size_case &c = GetParam();
    const int target = c.flashing ? 16 : 32;
    const int size = probe().fitting_size(c.font, c.index, target);
    ASSERT_GT(size, 1);

    std::vector<std::string> options = {"-t", c.font, "-I", std::to_string(c.index)};
    if (c.flashing)
        options.push_back("-F");
    const std::string text = "Hgj|É";
    const picture automatic = shown(text, options);
    ASSERT_FALSE(automatic.empty());
    EXPECT_EQ(automatic.size(), static_cast<std::size_t>(target));

    std::vector<std::string> fixed = options;
    fixed.insert(fixed.end(), {"-s", std::to_string(size)});
    EXPECT_EQ(automatic, shown(text, fixed)) << "automatic size is not " << size;
    fixed.back() = std::to_string(size + 1);
    EXPECT_NE(automatic, shown(text, fixed));
    // -s 0 also means automatic.
    fixed.back() = "0";
    EXPECT_EQ(automatic, shown(text, fixed));
}

INSTANTIATE_TEST_SUITE_P(fonts, automatic_size,
                         testing::Values(size_case{"dejavu", DEJAVU, 0, false},
                                         size_case{"dejavu_flashing", DEJAVU, 0, true},
                                         size_case{"wqy_face_0", WQY, 0, false},
                                         size_case{"wqy_face_1_flashing", WQY, 1, true}),
                         [](const testing::TestParamInfo<size_case> &info) {
                             return std::string(info.param.name);
                         });

// A fixed size is used as given even when the line is taller than the
// frame: centring then cuts the glyphs at the top and the bottom.
TEST(text_size, fixed_size_taller_than_the_frame_is_cut)
{
    ASSERT_GT(probe().height(DEJAVU, 0, 40), 32);
    const std::string block = "H\u2588";
    const picture big = shown(block, {"-t", DEJAVU, "-s", "40"});
    const picture automatic = shown(block, {"-t", DEJAVU});
    EXPECT_TRUE(has_full_column(big)) << render_e2e::picture_text(big);
    EXPECT_FALSE(has_full_column(automatic)) << render_e2e::picture_text(automatic);
    EXPECT_NE(big, shown(block, {"-t", DEJAVU, "-s", "39"}));
}

TEST(text_style, every_style_changes_the_picture)
{
    const std::vector<std::vector<std::string>> styles = {
        {}, {"-w"}, {"-i"}, {"-u"}, {"-w", "-i"}, {"-w", "-i", "-u"}};
    std::vector<picture> pictures;
    for (const std::vector<std::string> &style : styles) {
        std::vector<std::string> options = {"-t", DEJAVU};
        options.insert(options.end(), style.begin(), style.end());
        pictures.push_back(shown("Style", options));
    }
    for (std::size_t a = 0; a < pictures.size(); ++a)
        for (std::size_t b = a + 1; b < pictures.size(); ++b)
            EXPECT_NE(pictures[a], pictures[b]) << "styles " << a << " and " << b << " look alike";
}

TEST(text_options, display_options_transform_the_whole_frame)
{
    const std::vector<std::string> font = {"-t", DEJAVU};
    const picture plain = shown("Lid 42", font);
    ASSERT_FALSE(plain.empty());
    auto with = [&](std::vector<std::string> flags) {
        flags.insert(flags.begin(), font.begin(), font.end());
        return shown("Lid 42", flags);
    };
    // Negation covers the margins too.
    EXPECT_EQ(with({"-n"}), render_e2e::negated(plain));
    EXPECT_EQ(with({"-r"}), render_e2e::mirrored(plain));
    EXPECT_EQ(with({"-v"}), render_e2e::flipped(plain));
    EXPECT_EQ(with({"-n", "-r", "-v"}),
              render_e2e::negated(render_e2e::flipped(render_e2e::mirrored(plain))));
}

struct long_text_case {
    const char *name;
    std::string message;
    unsigned rolling_width;  // 0: the text's width rounded up to 128
};

void PrintTo(const long_text_case &c, std::ostream *os)
{
    *os << c.name;
}

class long_text : public testing::TestWithParam<long_text_case> {};

// The rolling frame is the text's width rounded up to 128 columns, at most
// 1792; the static frame shows the middle 128 columns of the same rendering.
TEST_P(long_text, rolling_and_static_show_the_middle)
{
    const long_text_case &c = GetParam();
    const int size = probe().fitting_size(DEJAVU, 0, 32);
    const int w = probe().width(DEJAVU, 0, size, c.message);
    ASSERT_GT(w, 128);
    ASSERT_LT(w, 16000);
    const unsigned expected_width =
        c.rolling_width ? c.rolling_width : (static_cast<unsigned>(w) + 127) / 128 * 128;
    if (c.rolling_width) {
        EXPECT_GT(w, 1792);
    } else {
        EXPECT_LE(w, 1792);
    }

    const e2e::run_result rolled = show_text(c.message, {"-t", DEJAVU, "-R"});
    const vdisplay::transfer r = single_frame(rolled);
    ASSERT_EQ(r.mode, transfer_mode::rolling);
    ASSERT_EQ(r.width, expected_width);
    EXPECT_EQ(r.packets.size(), expected_width / 64);

    const picture still = shown(c.message, {"-t", DEJAVU});
    ASSERT_EQ(still.size(), 32u);
    // Offsets of the text in either frame, truncated toward zero.
    const long rolled_x0 = (static_cast<long>(expected_width) - w) / 2;
    const long still_x0 = (128L - w) / 2;
    const long from = rolled_x0 - still_x0;
    ASSERT_GE(from, 0);
    ASSERT_LE(from + 128, static_cast<long>(expected_width));
    picture middle;
    for (const std::string &row : r.picture)
        middle.push_back(row.substr(static_cast<std::size_t>(from), 128));
    EXPECT_EQ(still, middle) << "static:\n"
                             << render_e2e::picture_text(still) << "rolling columns " << from
                             << " on:\n"
                             << render_e2e::picture_text(middle);
}

INSTANTIATE_TEST_SUITE_P(texts, long_text,
                         testing::Values(long_text_case{"medium", "Rolling along", 0},
                                         long_text_case{"several_screens", counting_text(40), 0},
                                         long_text_case{"cropped", counting_text(150), 1792}),
                         [](const testing::TestParamInfo<long_text_case> &info) {
                             return std::string(info.param.name);
                         });

struct encoding_case {
    const char *name;
    const char *font;
    std::string message;
};

void PrintTo(const encoding_case &c, std::ostream *os)
{
    *os << c.name;
}

class text_encoding : public testing::TestWithParam<encoding_case> {};

// Read byte by byte, these texts would have two or three glyphs for each
// character and roll in a much wider frame.
TEST_P(text_encoding, utf8_is_read_as_utf8)
{
    const encoding_case &c = GetParam();
    const int size = probe().fitting_size(c.font, 0, 32);
    const int w = probe().width(c.font, 0, size, c.message);
    ASSERT_GT(w, 0);
    const vdisplay::transfer t = single_frame(show_text(c.message, {"-t", c.font, "-R"}));
    EXPECT_EQ(t.width, (static_cast<unsigned>(w) + 127) / 128 * 128);
    EXPECT_GT(render_e2e::set_pixels(t.picture), 50u);
}

INSTANTIATE_TEST_SUITE_P(texts, text_encoding,
                         testing::Values(encoding_case{"latin", DEJAVU, "été à öl üß €€"},
                                         encoding_case{"chinese", WQY, "你好，世界！再见"}),
                         [](const testing::TestParamInfo<encoding_case> &info) {
                             return std::string(info.param.name);
                         });

TEST(text_face, the_face_index_selects_a_face_of_the_collection)
{
    // Face 1 of WenQuanYi Micro Hei is its monospaced variant.
    EXPECT_NE(shown("iiii mmmm", {"-t", WQY, "-I", "0"}), shown("iiii mmmm", {"-t", WQY, "-I", "1"}));
    EXPECT_EQ(shown("iiii mmmm", {"-t", WQY}), shown("iiii mmmm", {"-t", WQY, "-I", "0"}));
}

// SDL_ttf looks characters up by their low 16 bits: each character above
// U+FFFF must draw U+FFFD, never the character it would be taken for.
TEST(text_characters, above_u_ffff_draw_the_replacement_character)
{
    const struct {
        const char *message;
        const char *same_as;
    } cases[] = {
        {"a\U0001F431b", "a\uFFFDb"},
        {"\U0001F600\U0010FFFF", "\uFFFD\uFFFD"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(shown(c.message, {"-t", DEJAVU, "-R"}), shown(c.same_as, {"-t", DEJAVU, "-R"}));
    }
}

// A text with visible characters that draws no pixel, as a bitmap font
// does, is sent as asked but named in one line; a blank text is not.
TEST(text_characters, a_text_that_draws_nothing_is_named)
{
    const std::string terminus = test_fonts::terminus_bitmap();
    const struct {
        const char *name;
        std::string font;
        const char *message;
        const char *size;
        const char *err;
    } cases[] = {
        {"bitmap font", terminus, "Hello", "0", "The font draws no pixel of this text\n"},
        {"bitmap font, fixed size", terminus, "Hello", "16", "The font draws no pixel of this text\n"},
        {"spaces", DEJAVU, "   ", "0", ""},
    };
    bool skipped = false;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.font.empty()) {
            skipped = true;
            continue;
        }
        const e2e::run_result r = show_text(c.message, {"-t", c.font, "-s", c.size});
        EXPECT_EQ(r.status, 0) << r.summary();
        EXPECT_EQ(r.err, c.err);
        ASSERT_EQ(r.transfers.size(), 1u) << r.summary();
        EXPECT_EQ(render_e2e::set_pixels(r.transfers[0].picture), 0u);
    }
    if (skipped)
        GTEST_SKIP() << "terminus-normal.otb (Debian's fonts-terminus-otb) is not installed: its cases were left out";
}

struct bad_text_case {
    const char *name;
    std::string message;
    std::vector<std::string> options;
    std::string err;  // the whole of standard error, without its line end
    int status;       // 0: any failure
};

void PrintTo(const bad_text_case &c, std::ostream *os)
{
    *os << c.name;
}

class bad_text : public testing::TestWithParam<bad_text_case> {};

TEST_P(bad_text, is_refused_before_anything_is_sent)
{
    const bad_text_case &c = GetParam();
    render_e2e::expect_refused(show_text(c.message, c.options), c.status, c.err, true);
}

INSTANTIATE_TEST_SUITE_P(
    failures, bad_text,
    testing::Values(
        bad_text_case{"empty_message", "", {"-t", DEJAVU}, "Nothing to display!", 22},
        bad_text_case{"missing_font", "x", {"-t", "/no/such/font.ttf"},
                      "Couldn't open /no/such/font.ttf", 2},
        bad_text_case{"font_is_a_directory", "x", {"-t", "/usr/share/fonts"},
                      "Cannot use font /usr/share/fonts: it is not a regular file", 22},
        bad_text_case{"absent_face", "x", {"-t", DEJAVU, "-I", "5"}, "Couldn't load font file", 0},
        bad_text_case{"absent_face_of_collection", "x", {"-t", WQY, "-I", "2"},
                      "Couldn't load font file", 0},
        bad_text_case{"huge_size", "x", {"-t", DEJAVU, "-s", "100000"},
                      "Font size 100000 is out of range (1 to 1024 points)", 22},
        bad_text_case{"huge_face_index", "x", {"-t", DEJAVU, "-I", "65536"},
                      "Face index 65536 is out of range", 22}),
    [](const testing::TestParamInfo<bad_text_case> &info) { return std::string(info.param.name); });

TEST(bad_text_file, corrupt_fonts_are_refused)
{
    const struct {
        std::string make;  // makes bad.ttf
        const char *err;
        int status;
    } cases[] = {
        // The first 2000 bytes of a real font, whose tables point past the
        // end, and a file of text.
        {std::string("head -c 2000 ") + DEJAVU + " > bad.ttf", "Couldn't load font file", 0},
        {"echo 'This is not a font.' > bad.ttf", "Couldn't load font file", 0},
        // Nobody will write it: opening it must not wait.
        {"mkfifo bad.ttf", "Cannot use font bad.ttf: it is not a regular file", 22},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.make);
        const e2e::run_result r = e2e::run_script({}, c.make + " && exec \"$LIDGLOW\" -m x -t bad.ttf");
        render_e2e::expect_refused(r, c.status, c.err, true);
    }
}

// lidglow loads SDL and SDL_ttf when text first needs them. Libraries by
// their names earlier in LD_LIBRARY_PATH that do not load, or that lack
// the functions, are refused in one line, and nothing is sent.
struct unloadable_case {
    const char *name;
    std::string library;  // the soname that a bad file takes
    std::string content;  // a command that writes the file to standard output
    std::string reason;   // the loader's reason, after the file's name
    int status;
};

void PrintTo(const unloadable_case &c, std::ostream *os)
{
    *os << c.name;
}

class unloadable_renderer : public testing::TestWithParam<unloadable_case> {};

TEST_P(unloadable_renderer, is_refused_in_one_line)
{
    const unloadable_case &c = GetParam();
    const e2e::run_result r = e2e::run_script(
        {}, "mkdir lib && " + c.content + " > lib/" + c.library +
                " && LD_LIBRARY_PATH=\"$PWD/lib\" exec \"$LIDGLOW\" -m x -t " + DEJAVU);
    const std::string prefix = "Cannot load SDL_ttf: ";
    const std::string suffix = "/lib/" + c.library + ": " + c.reason + "\n";
    EXPECT_EQ(r.status, c.status) << r.summary();
    EXPECT_EQ(r.err.rfind(prefix, 0), 0u) << r.err;
    EXPECT_TRUE(r.err.size() > suffix.size() && r.err.compare(r.err.size() - suffix.size(), suffix.size(), suffix) == 0)
        << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_EQ(render_e2e::bulk_writes(r.events), 0u) << r.summary();
    EXPECT_EQ(r.of_kind("claim").size(), r.of_kind("release").size()) << r.summary();
}

INSTANTIATE_TEST_SUITE_P(
    libraries, unloadable_renderer,
    testing::Values(unloadable_case{"empty_sdl", LIDGLOW_SDL_SONAME, "true", "file too short", 2},
                    unloadable_case{"empty_sdl_ttf", LIDGLOW_SDL_TTF_SONAME, "true", "file too short", 2},
                    unloadable_case{"sdl_ttf_without_its_functions", LIDGLOW_SDL_TTF_SONAME,
                                    std::string("cat ") + LIDGLOW_SDL_FILE, "undefined symbol: TTF_Init",
                                    22}),
    [](const testing::TestParamInfo<unloadable_case> &info) { return std::string(info.param.name); });

// Without -t the font chosen at build time serves; where that file is
// missing, text is refused before anything is sent.
TEST(default_font, is_used_without_t_or_refused_when_missing)
{
#ifdef LIDGLOW_DEFAULT_FONT
    const char *default_font = LIDGLOW_DEFAULT_FONT;
#else
    const char *default_font = "/usr/local/share/fonts/TTF/luxisr.ttf";
#endif
    if (access(default_font, F_OK) != 0) {
        render_e2e::expect_refused(show_text("x", {}), 2, std::string("Couldn't open ") + default_font,
                                   true);
        return;
    }
    const picture without_t = shown("Hello", {});
    EXPECT_GT(render_e2e::set_pixels(without_t), 20u);
    EXPECT_EQ(without_t, shown("Hello", {"-t", default_font}));
}

}  // namespace
