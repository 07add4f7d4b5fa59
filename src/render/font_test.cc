#include "render/font.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "lcm/display_flags.h"
#include "render/span.h"
#include "support/test_fonts.h"

namespace {

const char *const DEJAVU = test_fonts::dejavu().c_str();
const char *const DEJAVU_BOLD = test_fonts::dejavu_bold().c_str();
const char *const MICROHEI = test_fonts::microhei().c_str();

class Font : public testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_TEST_FONT(test_fonts::dejavu(), "DejaVu Sans");
        REQUIRE_TEST_FONT(test_fonts::dejavu_bold(), "DejaVu Sans Bold");
        ASSERT_EQ(TTF_Init(), 0) << SDL_GetError();
    }
};

int height_at(const char *path, long index, int size)
{
    TTF_Font *font = TTF_OpenFontIndex(path, size, index);
    if (!font)
        return -1;
    const int height = TTF_FontHeight(font);
    TTF_CloseFont(font);
    return height;
}

TEST_F(Font, AutomaticSizeIsTheFirstThatFits)
{
    const struct {
        const char *path;
        long index;
        int target;
    } cases[] = {
        {DEJAVU, 0, 32},
        {DEJAVU, 0, 16},
        {DEJAVU_BOLD, 0, 32},
        {MICROHEI, 1, 32},
        {MICROHEI, 0, 16},
    };
    bool skipped = false;
    for (const auto &c : cases) {
        if (*c.path == '\0') {
            skipped = true;
            continue;
        }
        SCOPED_TRACE(testing::Message() << c.path << " face " << c.index << " target " << c.target);
        const opened_font opened = open_fitting_font(c.path, c.index, c.target);
        ASSERT_NE(opened.font, nullptr) << SDL_GetError();
        EXPECT_LE(TTF_FontHeight(opened.font), c.target);
        // The fonts here are taller than their point size, so a search
        // that did not shrink would be caught.
        EXPECT_LT(opened.size, c.target);
        for (int size = opened.size + 1; size <= c.target; ++size)
            EXPECT_GT(height_at(c.path, c.index, size), c.target) << "size " << size << " fits too";
        TTF_CloseFont(opened.font);
    }
    if (skipped)
        GTEST_SKIP() << "WenQuanYi Micro Hei is not installed: its cases were left out";
}

TEST_F(Font, SearchStopsAtOnePoint)
{
    // DejaVu is two rows tall even at 1 point.
    errno = 0;
    const opened_font opened = open_fitting_font(DEJAVU, 0, 1);
    EXPECT_EQ(opened.font, nullptr);
    EXPECT_NE(errno, 0);
    EXPECT_NE(std::string(SDL_GetError()), "");
}

struct open_case {
    const char *name;
    font_spec font;
    int flags;
    bool opens;
    int max_height; // when it opens: the font height must not exceed this
    int min_height; // ... nor fall below this
    int error;      // when it fails: the errno left, 0 for "any non-zero"
};

TEST_F(Font, OpensAsAskedOrFailsCleanly)
{
    const open_case cases[] = {
        {"automatic", {DEJAVU, 0, 0, 0}, 0, true, 32, 30, 0},
        {"automatic flashing", {DEJAVU, 0, 0, 0}, DISPLAY_FLASH, true, 16, 14, 0},
        {"automatic rolling", {DEJAVU, 0, 0, 0}, DISPLAY_ROLL | DISPLAY_NEGATIVE, true, 32, 30, 0},
        // A fixed size is used unchanged even though it is taller than the frame.
        {"fixed 40", {DEJAVU, 0, 40, 0}, 0, true, 1000, 33, 0},
        {"fixed 40 flashing", {DEJAVU, 0, 40, 0}, DISPLAY_FLASH, true, 1000, 33, 0},
        {"fixed at the limit", {DEJAVU, 0, MAX_FONT_SIZE, 0}, 0, true, MAX_FONT_HEIGHT, MAX_FONT_SIZE, 0},
        {"all styles", {DEJAVU, 7, 0, 0}, 0, true, 32, 30, 0},
        {"second face", {MICROHEI, 1, 0, 1}, 0, true, 32, 30, 0},
        {"missing file", {"/nonexistent/font.ttf", 0, 0, 0}, 0, false, 0, 0, ENOENT},
        {"directory", {"/", 0, 12, 0}, 0, false, 0, 0, 0},
        {"not a font", {"/etc/passwd", 0, 0, 0}, 0, false, 0, 0, 0},
        {"absent face", {DEJAVU, 0, 0, 1}, 0, false, 0, 0, 0},
        {"absent face of a collection", {MICROHEI, 0, 0, 2}, 0, false, 0, 0, 0},
        {"face index read as an instance", {DEJAVU, 0, 0, 0x10000}, 0, false, 0, 0, EINVAL},
        {"face index past 32 bits", {DEJAVU, 0, 0, 1L << 32}, 0, false, 0, 0, EINVAL},
        {"size above the limit", {DEJAVU, 0, MAX_FONT_SIZE + 1, 0}, 0, false, 0, 0, EINVAL},
        {"size that overflows SDL_ttf", {DEJAVU, 0, 2147483647, 0}, 0, false, 0, 0, EINVAL},
        {"size 100000", {DEJAVU, 0, 100000, 0}, 0, false, 0, 0, EINVAL},
    };
    bool skipped = false;
    for (const open_case &c : cases) {
        if (*c.font.path == '\0') {
            skipped = true;
            continue;
        }
        SCOPED_TRACE(c.name);
        SDL_SetError("stale");
        errno = EAGAIN; // must not leak into the result
        TTF_Font *font = open_font(c.font, c.flags);
        if (c.opens) {
            ASSERT_NE(font, nullptr) << SDL_GetError();
            EXPECT_LE(TTF_FontHeight(font), c.max_height);
            EXPECT_GE(TTF_FontHeight(font), c.min_height);
            EXPECT_EQ(TTF_GetFontStyle(font), c.font.style);
            TTF_CloseFont(font);
        } else {
            EXPECT_EQ(font, nullptr);
            EXPECT_NE(errno, EAGAIN);
            if (c.error != 0) {
                EXPECT_EQ(errno, c.error);
            }
            EXPECT_NE(std::string(SDL_GetError()), "stale");
            EXPECT_NE(std::string(SDL_GetError()), "");
        }
    }
    if (skipped)
        GTEST_SKIP() << "WenQuanYi Micro Hei is not installed: its cases were left out";
}

TEST_F(Font, CorruptFontFilesFail)
{
    std::FILE *source = std::fopen(DEJAVU, "rb");
    ASSERT_NE(source, nullptr);
    std::string head(4096, '\0');
    head.resize(std::fread(&head[0], 1, head.size(), source));
    std::fclose(source);

    const struct {
        const char *name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"truncated", head},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        char path[] = "/tmp/lidglow-font-XXXXXX";
        const int fd = mkstemp(path);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, c.bytes.data(), c.bytes.size()), ssize_t(c.bytes.size()));
        close(fd);
        TTF_Font *font = open_font({path, 0, 0, 0}, 0);
        EXPECT_EQ(font, nullptr);
        if (font)
            TTF_CloseFont(font);
        unlink(path);
    }
}

int width_of(TTF_Font *font, const std::string &text)
{
    int w = 0, h = 0;
    TTF_SizeUTF8(font, text.c_str(), &w, &h);
    return w;
}

std::string repeat(const std::string &piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// Texts wider than an SDL surface keep their middle: whole characters around
// the middle character, about as many pixels from each end where the
// characters are alike. The work stays within a small multiple of what is
// shown, however long the text.
TEST_F(Font, WideTextsKeepTheirMiddle)
{
    TTF_Font *font = TTF_OpenFont(DEJAVU, 27);
    ASSERT_NE(font, nullptr);
    const struct {
        const char *name;
        std::string text;
        int max_width;
        bool alike; // every character the same width
    } cases[] = {
        {"fits", "Hello world", MAX_SURFACE_WIDTH, false},
        {"exactly fits", "WWWW", width_of(font, "WWWW"), true},
        {"wide", repeat("W", 3000), MAX_SURFACE_WIDTH, true},
        {"narrow left, wide right", repeat("i", 1500) + repeat("W", 1500), MAX_SURFACE_WIDTH, false},
        {"multibyte", repeat("\xC3\xA9\xE2\x82\xAC", 2000), MAX_SURFACE_WIDTH, false},
        {"100 KB of CJK", repeat("\xE4\xBD\xA0\xE5\xA5\xBD", 17000), MAX_SURFACE_WIDTH, false},
        {"small limit", "abcdefghijklmnopqrstuvwxyz", 100, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const text_span span = renderable_span(font, c.text, c.max_width);
        EXPECT_LE(span.measured, 6 * span.length + 64);
        const int whole = width_of(font, c.text);
        if (whole <= c.max_width) {
            EXPECT_EQ(span.start, 0u);
            EXPECT_EQ(span.length, c.text.size());
            continue;
        }
        ASSERT_GT(span.length, 0u);
        ASSERT_LE(span.start + span.length, c.text.size());
        const std::string rest = c.text.substr(span.start, span.length);
        EXPECT_NE(static_cast<unsigned char>(rest[0]) & 0xC0, 0x80) << "starts inside a character";
        EXPECT_NE(static_cast<unsigned char>(c.text[span.start + span.length]) & 0xC0, 0x80)
            << "ends inside a character";
        const int width = width_of(font, rest);
        EXPECT_LE(width, c.max_width);
        // At most two characters more than needed are dropped: one per end.
        EXPECT_GT(width, c.max_width - 2 * width_of(font, "W") - 2);
        const std::size_t middle = c.text.size() / 2;
        EXPECT_LE(span.start, middle);
        EXPECT_GE(span.start + span.length, middle);
        if (c.alike) {
            const int left = width_of(font, c.text.substr(0, span.start));
            const int right = width_of(font, c.text.substr(span.start + span.length));
            EXPECT_LE(std::abs(left - right), width_of(font, "W") + 1);
        }
    }
    TTF_CloseFont(font);
}

} // namespace
