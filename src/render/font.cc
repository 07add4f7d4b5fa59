#include "render/font.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "lcm/display_flags.h"
#include "render/frame.h"

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

int text_width(TTF_Font *font, const std::string &text)
{
    int width = 0;
    int height = 0;
    if (TTF_SizeUTF8(font, text.c_str(), &width, &height) < 0)
        return -1;
    return width;
}

// Offsets where a character starts: every byte that does not continue a
// UTF-8 sequence, and the end.
std::vector<std::size_t> character_starts(const std::string &text)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    starts.push_back(text.size());
    return starts;
}

} // namespace

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
        const int target = (display_flags & DISPLAY_FLASH) ? int(FLASH_FRAME_HEIGHT) : int(FRAME_HEIGHT);
        opened = open_fitting_font(font.path, font.index, target).font;
    }
    opened = checked_height(opened);
    if (opened)
        TTF_SetFontStyle(opened, font.style);
    return opened;
}

text_span renderable_span(TTF_Font *font, const std::string &whole, int max_width)
{
    const int width = text_width(font, whole);
    if (width <= max_width)
        return {0, whole.size()};

    // Widths grow with the number of characters, so each end is found by
    // bisection: the longest prefix, and the longest suffix, no wider than
    // half the excess.
    const int cut = (width - max_width + 1) / 2;
    const std::vector<std::size_t> starts = character_starts(whole);
    std::size_t low = 0;
    std::size_t high = starts.size() - 1;
    while (low < high) {
        const std::size_t mid = (low + high + 1) / 2;
        if (text_width(font, whole.substr(0, starts[mid])) <= cut)
            low = mid;
        else
            high = mid - 1;
    }
    const std::size_t first = low;

    low = first;
    high = starts.size() - 1;
    while (low < high) {
        const std::size_t mid = (low + high) / 2;
        if (text_width(font, whole.substr(starts[mid])) <= cut)
            high = mid;
        else
            low = mid + 1;
    }
    const std::size_t end = low;

    // Kerning and overhangs make widths not quite additive; drop one more
    // character at a time, alternating ends, until the rest really fits.
    std::size_t left = first;
    std::size_t right = end;
    for (bool from_left = true;
         left < right && text_width(font, whole.substr(starts[left], starts[right] - starts[left])) > max_width;
         from_left = !from_left) {
        if (from_left)
            ++left;
        else
            --right;
    }
    return {starts[left], starts[right] - starts[left]};
}
