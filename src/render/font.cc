#include "render/font.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "lcm/display_flags.h"
#include "render/frame.h"
#include "render/utf8.h"

namespace {

// SDL 1.2's SDL_SetError knows no length modifiers such as %ld, so the
// message is formatted here and handed over whole.
void set_error(const char *format, ...) __attribute__((format(printf, 1, 2)));

void set_error(const char *format, ...)
{
    char message[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    SDL_SetError("%s", message);
}

// Refuses a font too tall to render in reasonable memory: it is closed and
// the error set.
TTF_Font *checked_height(TTF_Font *font)
{
    if (font && TTF_FontHeight(font) > MAX_FONT_HEIGHT) {
        TTF_CloseFont(font);
        set_error("Font is taller than %d rows", MAX_FONT_HEIGHT);
        errno = EINVAL;
        return nullptr;
    }
    return font;
}

// The first window of characters that the span search measures; windows
// double from there. A text this short is measured once, as a whole.
constexpr std::size_t FIRST_WINDOW = 1024;

// Measures characters first to last - 1 of a text and counts the bytes
// measured, which is the work the search does.
struct span_meter {
    TTF_Font *font;
    std::string_view text;
    const std::vector<std::size_t> &starts;
    std::size_t measured = 0;

    int width(std::size_t first, std::size_t last)
    {
        const std::string piece(text.substr(starts[first], starts[last] - starts[first]));
        measured += piece.size();
        int w = 0;
        int h = 0;
        if (TTF_SizeUTF8(font, piece.c_str(), &w, &h) < 0)
            return -1;
        return w;
    }
};

// The height that the automatic size fits: the frame's.
int automatic_target(int display_flags)
{
    return (display_flags & DISPLAY_FLASH) ? int(FLASH_FRAME_HEIGHT) : int(FRAME_HEIGHT);
}

} // namespace

TTF_Font *font_handle = nullptr;

opened_font open_fitting_font(const char *path, long index, int target)
{
    for (int size = target; size >= 1; --size) {
        TTF_Font *font = TTF_OpenFontIndex(path, size, index);
        if (!font)
            return {nullptr, size};
        if (TTF_FontHeight(font) <= target)
            return {font, size};
        TTF_CloseFont(font);
    }
    set_error("No size of this font fits in %d rows", target);
    errno = EINVAL;
    return {nullptr, 0};
}

TTF_Font *open_font(const font_spec &font, int display_flags)
{
    if (font.index < 0 || font.index > MAX_FACE_INDEX) {
        set_error("Face index %ld is out of range", font.index);
        errno = EINVAL;
        return nullptr;
    }
    if (font.size < 0 || font.size > MAX_FONT_SIZE) {
        set_error("Font size %d is out of range (1 to %d points)", font.size, MAX_FONT_SIZE);
        errno = EINVAL;
        return nullptr;
    }

    // Errno is cleared so that a failure reports what the open left, not
    // something older; the caller maps a zero to EINVAL.
    errno = 0;
    TTF_Font *opened;
    if (font.size > 0) {
        opened = TTF_OpenFontIndex(font.path, font.size, font.index);
    } else {
        opened = open_fitting_font(font.path, font.index, automatic_target(display_flags)).font;
    }
    opened = checked_height(opened);
    if (opened)
        TTF_SetFontStyle(opened, font.style);
    return opened;
}

int open_font_size(const font_spec &font, int display_flags)
{
    if (font.size != 0)
        return font.size;
    const opened_font opened = open_fitting_font(font.path, font.index, automatic_target(display_flags));
    if (!opened.font)
        return 0;
    TTF_CloseFont(opened.font);
    return opened.size;
}

text_span renderable_span(TTF_Font *font, std::string_view text, int max_width)
{
    const std::vector<std::size_t> starts = utf8_character_starts(text);
    const std::size_t count = starts.size() - 1;
    span_meter meter{font, text, starts};

    // Only the middle of a text wider than a surface can be shown, so the
    // search looks at a window of characters around the middle that doubles
    // until it is too wide or holds the whole text. Its work is bounded by
    // what fits in max_width, whatever the length of the text.
    std::size_t size = count < FIRST_WINDOW ? count : FIRST_WINDOW;
    std::size_t first = 0;
    std::size_t last = count;
    int width = 0;
    for (;;) {
        first = (count - size) / 2;
        last = first + size;
        width = meter.width(first, last);
        if (width <= max_width) {
            if (size == count)
                return {0, starts[count], meter.measured};
            size = size > count / 2 ? count : size * 2;
            continue;
        }
        break;
    }

    // Characters go from both ends until about half the excess has gone
    // from each, one character measured at a time.
    const int cut = (width - max_width + 1) / 2;
    for (int dropped = 0; dropped < cut && first < last; ++first)
        dropped += meter.width(first, first + 1);
    for (int dropped = 0; dropped < cut && first < last; --last)
        dropped += meter.width(last - 1, last);

    // Kerning and overhangs make widths not quite additive, and odd glyphs
    // far from it. If the rest does not fit yet, the fewest further
    // characters to drop, alternating ends, are found by bisection.
    if (first < last && meter.width(first, last) > max_width) {
        std::size_t fits = last - first; // dropping all of them always fits
        std::size_t too_few = 0;
        while (fits - too_few > 1) {
            const std::size_t more = too_few + (fits - too_few) / 2;
            if (meter.width(first + (more + 1) / 2, last - more / 2) <= max_width)
                fits = more;
            else
                too_few = more;
        }
        first += (fits + 1) / 2;
        last -= fits / 2;
    }
    return {starts[first], starts[last] - starts[first], meter.measured};
}
