#include "render/frame.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "lcm/display_flags.h"

namespace {

struct rect {
    int x, y, w, h;
};

surface_owner make_surface(int w, int h, int depth, Uint32 rmask, Uint32 gmask, Uint32 bmask,
                           Uint32 amask)
{
    return surface_owner(SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, depth, rmask, gmask, bmask, amask));
}

// A white surface with the given rectangles painted black: 24-bit, or with
// 8 bits and a palette as rendered text has.
surface_owner painted_surface(int w, int h, const std::vector<rect> &dark, int depth = 24)
{
    surface_owner surface = depth == 8 ? make_surface(w, h, 8, 0, 0, 0, 0)
                                       : make_surface(w, h, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    Uint32 white = 0;
    Uint32 black = 1;
    if (depth == 8) {
        SDL_Color colours[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
        SDL_SetColors(surface.get(), colours, 0, 2);
    } else {
        white = SDL_MapRGB(surface->format, 255, 255, 255);
        black = SDL_MapRGB(surface->format, 0, 0, 0);
    }
    SDL_FillRect(surface.get(), nullptr, white);
    for (const rect &r : dark) {
        SDL_Rect area = {Sint16(r.x), Sint16(r.y), Uint16(r.w), Uint16(r.h)};
        SDL_FillRect(surface.get(), &area, black);
    }
    return surface;
}

bool inside(const std::vector<rect> &rects, long x, long y)
{
    for (const rect &r : rects)
        if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h)
            return true;
    return false;
}

// Compares the frame with the pixels expected set; reports the first
// mismatch only, so that one fault does not print thousands of lines.
void expect_frame(const unsigned char *frame, frame_size size, const std::vector<rect> &set,
                  bool inverted)
{
    for (long y = 0; y < long(size.height); ++y)
        for (long x = 0; x < long(size.width); ++x) {
            const unsigned char want = inside(set, x, y) != inverted ? 0xFF : 0x00;
            const unsigned char got = frame[y * size.width + x];
            if (got != want) {
                ADD_FAILURE() << "frame pixel (column " << x << ", row " << y << ") is "
                              << int(got) << ", expected " << int(want);
                return;
            }
        }
}

struct geometry_case {
    const char *name;
    int flags;
    int surface_width;
    frame_size expected;
};

TEST(FrameGeometry, FollowsTheDisplayMode)
{
    const geometry_case cases[] = {
        {"static narrow", 0, 1, {128, 32}},
        {"static wide", 0, 300, {128, 32}},
        {"static ignores other flags", DISPLAY_NEGATIVE | DISPLAY_REVERSE | DISPLAY_FLIP, 5000, {128, 32}},
        {"flashing", DISPLAY_FLASH, 300, {128, 16}},
        {"flashing negative", DISPLAY_FLASH | DISPLAY_NEGATIVE, 1, {128, 16}},
        {"rolling 1", DISPLAY_ROLL, 1, {128, 32}},
        {"rolling 127", DISPLAY_ROLL, 127, {128, 32}},
        {"rolling 128", DISPLAY_ROLL, 128, {128, 32}},
        {"rolling 129", DISPLAY_ROLL, 129, {256, 32}},
        {"rolling 300", DISPLAY_ROLL | DISPLAY_REVERSE, 300, {384, 32}},
        {"rolling 1700", DISPLAY_ROLL, 1700, {1792, 32}},
        {"rolling 1792", DISPLAY_ROLL, 1792, {1792, 32}},
        {"rolling 1793", DISPLAY_ROLL, 1793, {1792, 32}},
        {"rolling 5000", DISPLAY_ROLL, 5000, {1792, 32}},
        {"rolling empty", DISPLAY_ROLL, 0, {128, 32}},
    };
    for (const geometry_case &c : cases) {
        SCOPED_TRACE(c.name);
        const frame_size size = frame_geometry(c.flags, c.surface_width);
        EXPECT_EQ(size.width, c.expected.width);
        EXPECT_EQ(size.height, c.expected.height);
    }
}

struct placement_case {
    const char *name;
    int w, h;
    int flags;
    std::vector<rect> dark;     // black areas of the source
    std::vector<rect> set;      // frame pixels expected set
    bool inverted;              // the frame is the complement of `set`
};

void PrintTo(const placement_case &c, std::ostream *os) { *os << c.name; }

class FramePlacement : public testing::TestWithParam<placement_case> {};

TEST_P(FramePlacement, CentresAndTransforms)
{
    const placement_case &c = GetParam();
    for (int depth : {24, 8}) {
        SCOPED_TRACE(testing::Message() << depth << " bits per pixel");
        const surface_owner surface = painted_surface(c.w, c.h, c.dark, depth);
        ASSERT_TRUE(surface);
        const frame_bytes frame = frame_from_surface(surface.get(), c.flags);
        ASSERT_TRUE(frame);
        expect_frame(frame.get(), frame_geometry(c.flags, c.w), c.set, c.inverted);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FramePlacement,
    testing::Values(
        placement_case{"white", 128, 32, 0, {}, {}, false},
        placement_case{"white_negative", 128, 32, DISPLAY_NEGATIVE, {}, {}, true},
        placement_case{"black_full", 128, 32, 0, {{0, 0, 128, 32}}, {{0, 0, 128, 32}}, false},
        placement_case{"single_pixel", 128, 32, 0, {{5, 9, 1, 1}}, {{5, 9, 1, 1}}, false},
        placement_case{"centred_100x10", 100, 10, 0, {{0, 0, 100, 10}}, {{14, 11, 100, 10}}, false},
        placement_case{"centred_101x15", 101, 15, 0, {{0, 0, 101, 15}}, {{13, 8, 101, 15}}, false},
        placement_case{"margins_negative", 64, 16, DISPLAY_NEGATIVE, {{0, 0, 64, 16}}, {{32, 8, 64, 16}}, true},
        placement_case{"wide_col86_first", 300, 32, 0, {{86, 0, 1, 32}}, {{0, 0, 1, 32}}, false},
        placement_case{"wide_col85_cut", 300, 32, 0, {{0, 0, 86, 32}}, {}, false},
        placement_case{"wide_col213_last", 300, 32, 0, {{213, 0, 1, 32}}, {{127, 0, 1, 32}}, false},
        placement_case{"wide_col214_cut", 300, 32, 0, {{214, 0, 86, 32}}, {}, false},
        // Truncating division: one extra row or column is cut at the far
        // edge, not the near one.
        placement_case{"one_row_too_tall", 128, 33, 0, {{0, 0, 128, 1}}, {{0, 0, 128, 1}}, false},
        placement_case{"one_column_too_wide", 129, 32, 0, {{128, 0, 1, 32}}, {}, false},
        placement_case{"tall_rows_cut", 128, 40, 0, {{0, 4, 1, 1}, {0, 3, 128, 1}}, {{0, 0, 1, 1}}, false},
        placement_case{"roll_1", 1, 32, DISPLAY_ROLL, {{0, 0, 1, 32}}, {{63, 0, 1, 32}}, false},
        placement_case{"roll_129", 129, 32, DISPLAY_ROLL, {{0, 0, 129, 32}}, {{63, 0, 129, 32}}, false},
        placement_case{"roll_1700", 1700, 32, DISPLAY_ROLL, {{0, 0, 1700, 32}}, {{46, 0, 1700, 32}}, false},
        placement_case{"roll_1792", 1792, 32, DISPLAY_ROLL, {{1791, 31, 1, 1}}, {{1791, 31, 1, 1}}, false},
        placement_case{"roll_5000_first", 5000, 32, DISPLAY_ROLL, {{1604, 0, 1, 32}, {0, 0, 1604, 1}},
                       {{0, 0, 1, 32}}, false},
        placement_case{"roll_5000_last", 5000, 32, DISPLAY_ROLL, {{3395, 5, 1, 1}, {3396, 0, 1604, 32}},
                       {{1791, 5, 1, 1}}, false},
        placement_case{"roll_negative_margins", 129, 32, DISPLAY_ROLL | DISPLAY_NEGATIVE,
                       {{0, 0, 129, 32}}, {{63, 0, 129, 32}}, true},
        placement_case{"roll_reverse", 5000, 32, DISPLAY_ROLL | DISPLAY_REVERSE, {{1604, 0, 1, 1}},
                       {{1791, 0, 1, 1}}, false},
        placement_case{"flash_rows_8_to_23", 128, 32, DISPLAY_FLASH, {{0, 0, 128, 8}, {3, 8, 1, 1}, {0, 24, 128, 8}},
                       {{3, 0, 1, 1}}, false},
        placement_case{"flash_row_23_last", 128, 32, DISPLAY_FLASH, {{7, 23, 1, 1}}, {{7, 15, 1, 1}}, false},
        placement_case{"reverse", 128, 32, DISPLAY_REVERSE, {{0, 0, 1, 1}}, {{127, 0, 1, 1}}, false},
        placement_case{"reverse_centred", 100, 10, DISPLAY_REVERSE, {{0, 0, 1, 1}}, {{113, 11, 1, 1}}, false},
        placement_case{"flip", 128, 32, DISPLAY_FLIP, {{0, 0, 1, 1}}, {{0, 31, 1, 1}}, false},
        placement_case{"reverse_flip_corner", 128, 32, DISPLAY_REVERSE | DISPLAY_FLIP, {{127, 31, 1, 1}},
                       {{0, 0, 1, 1}}, false},
        placement_case{"reverse_flip_flash", 128, 32, DISPLAY_FLASH | DISPLAY_REVERSE | DISPLAY_FLIP,
                       {{0, 8, 1, 1}}, {{127, 15, 1, 1}}, false},
        placement_case{"reverse_flip_negative", 128, 32, DISPLAY_REVERSE | DISPLAY_FLIP | DISPLAY_NEGATIVE,
                       {{0, 0, 1, 1}}, {{127, 31, 1, 1}}, true}),
    [](const testing::TestParamInfo<placement_case> &info) { return std::string(info.param.name); });

struct pixel_format {
    const char *name;
    int depth;
    Uint32 rmask, gmask, bmask, amask;
    bool exact; // eight bits per channel, so sums near the threshold survive
};

struct colour {
    Uint8 r, g, b, a;
    bool dark;
    bool needs_exact;
};

// Neighbouring pixels differ, so reading with the wrong stride or width
// shows up as a wrong pattern.
const colour COLOURS[] = {
    {0, 0, 0, 255, true, false},
    {255, 255, 255, 255, false, false},
    {255, 0, 0, 255, true, false},
    {255, 255, 0, 255, false, false},
    {0, 0, 255, 255, true, false},
    {0, 255, 255, 255, false, false},
    {100, 100, 100, 255, true, false},
    {160, 160, 160, 255, false, false},
    {0, 0, 0, 0, true, false}, // alpha plays no part
    {255, 255, 255, 0, false, false},
    {127, 128, 128, 255, true, true},
    {128, 128, 128, 255, false, true},
    {255, 128, 0, 255, true, true},
    {255, 129, 0, 255, false, true},
};
constexpr int COLOUR_COUNT = sizeof COLOURS / sizeof COLOURS[0];

void PrintTo(const pixel_format &f, std::ostream *os) { *os << f.name; }

class FramePixelFormat : public testing::TestWithParam<pixel_format> {};

TEST_P(FramePixelFormat, ThresholdsTheChannelSum)
{
    const pixel_format &f = GetParam();
    surface_owner surface = make_surface(COLOUR_COUNT, 2, f.depth, f.rmask, f.gmask, f.bmask, f.amask);
    ASSERT_TRUE(surface);
    if (surface->format->palette) {
        SDL_Color palette[COLOUR_COUNT];
        for (int i = 0; i < COLOUR_COUNT; ++i)
            palette[i] = {COLOURS[i].r, COLOURS[i].g, COLOURS[i].b, 0};
        SDL_SetColors(surface.get(), palette, 0, COLOUR_COUNT);
    }
    for (int i = 0; i < COLOUR_COUNT; ++i) {
        const colour &c = COLOURS[i];
        const Uint32 pixel = surface->format->palette ? Uint32(i) : SDL_MapRGBA(surface->format, c.r, c.g, c.b, c.a);
        SDL_Rect top = {Sint16(i), 0, 1, 1};
        SDL_FillRect(surface.get(), &top, pixel);
        // The second row holds the colours in reverse order, so a wrong
        // pitch is caught too.
        SDL_Rect bottom = {Sint16(COLOUR_COUNT - 1 - i), 1, 1, 1};
        SDL_FillRect(surface.get(), &bottom, pixel);
    }

    const frame_bytes frame = frame_from_surface(surface.get(), 0);
    ASSERT_TRUE(frame);
    const int x0 = (128 - COLOUR_COUNT) / 2;
    for (int i = 0; i < COLOUR_COUNT; ++i) {
        const colour &c = COLOURS[i];
        if (c.needs_exact && !f.exact)
            continue;
        SCOPED_TRACE(testing::Message() << "colour " << int(c.r) << "," << int(c.g) << "," << int(c.b)
                                        << " alpha " << int(c.a));
        EXPECT_EQ(frame[15 * 128 + x0 + i], c.dark ? 0xFF : 0x00);
        EXPECT_EQ(frame[16 * 128 + x0 + COLOUR_COUNT - 1 - i], c.dark ? 0xFF : 0x00);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FramePixelFormat,
    testing::Values(pixel_format{"palette8", 8, 0, 0, 0, 0, true},
                    pixel_format{"rgb565", 16, 0xF800, 0x07E0, 0x001F, 0, false},
                    pixel_format{"rgb555", 15, 0x7C00, 0x03E0, 0x001F, 0, false},
                    pixel_format{"argb1555", 16, 0x7C00, 0x03E0, 0x001F, 0x8000, false},
                    pixel_format{"rgb24", 24, 0xFF0000, 0x00FF00, 0x0000FF, 0, true},
                    pixel_format{"bgr24", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0, true},
                    pixel_format{"xrgb32", 32, 0xFF0000, 0x00FF00, 0x0000FF, 0, true},
                    pixel_format{"abgr32", 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000, true},
                    pixel_format{"rgba32", 32, 0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF, true}),
    [](const testing::TestParamInfo<pixel_format> &info) { return std::string(info.param.name); });

// Below eight bits several pixels share a byte, so a byte per pixel would
// read the wrong pixels and run past the end of each row.
TEST(FramePalette, PacksSubBytePixels)
{
    const struct {
        int depth;
        std::vector<Uint8> row; // one packed row, most significant bits first
    } cases[] = {
        {1, {0x80, 0x41}},       // pixels 0, 9 and 15 have index 1
        {4, {0x10, 0x00, 0x00, 0x00, 0x01}}, // pixels 0 and 9 have index 1
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.depth << " bits per pixel");
        const int width = c.depth == 1 ? 16 : 10;
        surface_owner surface = make_surface(width, 1, c.depth, 0, 0, 0, 0);
        ASSERT_TRUE(surface);
        SDL_Color palette[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
        SDL_SetColors(surface.get(), palette, 0, 2);
        std::memcpy(surface->pixels, c.row.data(), c.row.size());
        const frame_bytes frame = frame_from_surface(surface.get(), 0);
        ASSERT_TRUE(frame);
        const unsigned char *row = frame.get() + 15 * 128 + (128 - width) / 2;
        for (int x = 0; x < width; ++x) {
            const bool dark = x == 0 || x == 9 || (c.depth == 1 && x == 15);
            EXPECT_EQ(row[x], dark ? 0xFF : 0x00) << "pixel " << x;
        }
    }
}

// A corrupt image may hold palette indices past the colours it defines;
// they must not be looked up beyond the palette.
TEST(FramePalette, IndexPastTheColoursIsLight)
{
    surface_owner surface = make_surface(3, 1, 8, 0, 0, 0, 0);
    ASSERT_TRUE(surface);
    SDL_Color palette[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    SDL_SetColors(surface.get(), palette, 0, 2);
    surface->format->palette->ncolors = 2;
    const Uint8 indices[3] = {1, 200, 2};
    std::memcpy(surface->pixels, indices, sizeof indices);
    const frame_bytes frame = frame_from_surface(surface.get(), 0);
    ASSERT_TRUE(frame);
    expect_frame(frame.get(), {128, 32}, {{62, 15, 1, 1}}, false);
}

// A corrupt image can describe pixels that cannot be read safely: a depth
// SDL has no layout for, no pixel memory, or rows shorter than the width.
// Such a surface gives one line and EINVAL, and no frame.
TEST(FrameFromSurface, RefusesSurfacesItCannotRead)
{
    const struct {
        const char *name;
        int depth;      // as created
        int bits;       // 0: as created
        int pitch;      // -1: as created
        bool no_pixels;
        const char *message;
        int width = 4;
    } cases[] = {
        {"no bits", 0, 0, -1, false, "Cannot show a picture of 0 bits per pixel"},
        {"three bits", 24, 3, -1, false, "Cannot show a picture of 3 bits per pixel"},
        {"seven bits", 24, 7, -1, false, "Cannot show a picture of 7 bits per pixel"},
        {"twelve bits", 24, 12, -1, false, "Cannot show a picture of 12 bits per pixel"},
        {"short rows", 24, 0, 9, false, "Cannot show a picture whose rows are shorter than its width"},
        // 120 bits would fit in 15 bytes, but 8 pixels of 15 bits take 16.
        {"short rows of 15 bits", 15, 0, 15, false, "Cannot show a picture whose rows are shorter than its width",
         8},
        {"no pixels", 24, 0, -1, true, "Cannot show a picture without pixels"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        surface_owner surface = make_surface(c.width, 2, c.depth, 0xFF0000, 0x00FF00, 0x0000FF, 0);
        ASSERT_TRUE(surface);
        const SDL_PixelFormat saved_format = *surface->format;
        const Uint16 saved_pitch = surface->pitch;
        void *const saved_pixels = surface->pixels;
        if (c.bits != 0)
            surface->format->BitsPerPixel = Uint8(c.bits);
        if (c.pitch != -1)
            surface->pitch = Uint16(c.pitch);
        if (c.no_pixels)
            surface->pixels = nullptr;

        testing::internal::CaptureStderr();
        errno = 0;
        const frame_bytes frame = frame_from_surface(surface.get(), DISPLAY_ROLL);
        const int error = errno;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string(c.message) + "\n");
        EXPECT_FALSE(frame);
        EXPECT_EQ(error, EINVAL);

        // SDL frees the surface by what it was made with.
        *surface->format = saved_format;
        surface->pitch = saved_pitch;
        surface->pixels = saved_pixels;
    }
}

// A run-length encoded surface keeps no pixels until it is locked.
TEST(FrameFromSurface, LocksSurfacesThatNeedIt)
{
    surface_owner surface = painted_surface(128, 32, {{10, 3, 4, 2}});
    ASSERT_TRUE(surface);
    SDL_SetColorKey(surface.get(), SDL_SRCCOLORKEY | SDL_RLEACCEL,
                    SDL_MapRGB(surface->format, 255, 255, 255));
    const surface_owner target = make_surface(128, 32, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    SDL_BlitSurface(surface.get(), nullptr, target.get(), nullptr);
    ASSERT_TRUE(SDL_MUSTLOCK(surface.get()));

    const frame_bytes frame = frame_from_surface(surface.get(), 0);
    ASSERT_TRUE(frame);
    expect_frame(frame.get(), {128, 32}, {{10, 3, 4, 2}}, false);
    EXPECT_EQ(surface->locked, 0);
}

// SDL_image's grey PNG with a transparent grey: byte 0 grey, byte 1 alpha,
// under the masks of three-byte RGB.
surface_owner grey_alpha_surface(int w, const std::vector<std::pair<Uint8, Uint8>> &pixels)
{
    surface_owner surface = make_surface(w, 1, 16, 0x0000FF, 0x00FF00, 0xFF0000, 0);
    if (!surface)
        return surface;
    Uint8 *bytes = static_cast<Uint8 *>(surface->pixels);
    for (int x = 0; x < w; ++x) {
        const std::size_t i = x < int(pixels.size()) ? std::size_t(x) : 0;
        bytes[2 * x] = pixels.empty() ? 255 : pixels[i].first;
        bytes[2 * x + 1] = pixels.empty() ? 255 : pixels[i].second;
    }
    SDL_SetColorKey(surface.get(), SDL_SRCCOLORKEY, 0);
    return surface;
}

// Grey is dark below 128 whatever the alpha; read through the masks, the
// alpha would count as green and every pixel would be dark.
TEST(FrameFromSurface, ReadsGreyAndAlphaByTheirBytes)
{
    const std::vector<std::pair<Uint8, Uint8>> pixels = {{255, 0}, {0, 255}, {127, 0}, {128, 255}, {255, 255}};
    surface_owner surface = grey_alpha_surface(5, pixels);
    ASSERT_TRUE(surface);
    const frame_bytes frame = frame_from_surface(surface.get(), 0);
    ASSERT_TRUE(frame);
    expect_frame(frame.get(), {128, 32}, {{62, 15, 1, 1}, {63, 15, 1, 1}}, false);
}

// Transparent pixels are counted as the frame shows them: by their colour,
// after -n, and only where the frame does not cut them off.
TEST(FrameTransparency, CountsShownPixelsByHowTheyComeOut)
{
    struct pixel {
        int x;
        Uint8 r, g, b, a;
    };
    enum kind { rgba, keyed, grey_alpha };  // keyed: white is the colour key, and alpha is left out
    const struct {
        const char *name;
        int width;
        kind surface_kind;
        int flags;
        std::vector<pixel> pixels;  // on opaque white
        transparent_pixels expected;
    } cases[] = {
        {"alpha", 4, rgba, 0, {{0, 0, 0, 0, 0}, {1, 255, 255, 255, 0}, {2, 0, 0, 0, 255}, {3, 255, 255, 255, 254}},
         {1, 2}},
        {"alpha negative", 4, rgba, DISPLAY_NEGATIVE, {{0, 0, 0, 0, 0}, {1, 255, 255, 255, 0}}, {1, 1}},
        {"colour key", 4, keyed, 0, {{0, 0, 0, 0, 255}}, {0, 3}},
        {"opaque", 4, rgba, 0, {{0, 0, 0, 0, 255}}, {0, 0}},
        {"cut off", 300, rgba, 0, {{0, 0, 0, 0, 0}, {150, 0, 0, 0, 0}}, {1, 0}},
        {"rolled", 300, rgba, DISPLAY_ROLL, {{0, 0, 0, 0, 0}, {150, 0, 0, 0, 0}}, {2, 0}},
        // Its colour key is 0, whatever the transparent grey was.
        {"grey and alpha", 4, grey_alpha, 0, {{0, 0, 0, 0, 0}, {1, 255, 0, 0, 0}, {2, 0, 0, 0, 255}}, {1, 1}},
        {"grey and alpha negative", 4, grey_alpha, DISPLAY_NEGATIVE, {{1, 255, 0, 0, 0}, {2, 0, 0, 0, 254}},
         {1, 1}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        surface_owner surface;
        if (c.surface_kind == grey_alpha) {
            std::vector<std::pair<Uint8, Uint8>> greys(std::size_t(c.width), {255, 255});
            for (const pixel &p : c.pixels)
                greys[std::size_t(p.x)] = {p.r, p.a};
            surface = grey_alpha_surface(c.width, greys);
            ASSERT_TRUE(surface);
        } else {
            surface = c.surface_kind == keyed
                          ? make_surface(c.width, 1, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0)
                          : make_surface(c.width, 1, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000);
            ASSERT_TRUE(surface);
            SDL_FillRect(surface.get(), nullptr, SDL_MapRGBA(surface->format, 255, 255, 255, 255));
            for (const pixel &p : c.pixels) {
                SDL_Rect at = {Sint16(p.x), 0, 1, 1};
                SDL_FillRect(surface.get(), &at, SDL_MapRGBA(surface->format, p.r, p.g, p.b, p.a));
            }
            if (c.surface_kind == keyed)
                SDL_SetColorKey(surface.get(), SDL_SRCCOLORKEY, SDL_MapRGB(surface->format, 255, 255, 255));
        }
        const transparent_pixels counted = frame_transparency(surface.get(), c.flags);
        EXPECT_EQ(counted.set, c.expected.set);
        EXPECT_EQ(counted.clear, c.expected.clear);
    }
}

} // namespace
