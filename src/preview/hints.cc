#include "preview/hints.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <set>
#include <string_view>
#include <vector>

#include "lcm/display_flags.h"
#include "render/font.h"
#include "render/frame.h"
#include "render/utf8.h"

namespace {

// More missing characters than this are counted, not named.
constexpr std::size_t MISSING_NAMED_MAX = 4;

std::string size_text(unsigned width, unsigned height)
{
    return std::to_string(width) + " \u00d7 " + std::to_string(height);
}

// Below this many rows a text is hard to read, so no -s that small is
// suggested.
constexpr int MIN_READABLE_ROWS = 8;

struct text_extent {
    long width;
    long height;
};

// The size of text at size points with the other font options asked for,
// opened as lidglow opens it; LONG_MAX both ways when it cannot be measured.
text_extent extent_at_size(const std::string &text, const font_spec &options, int display_flags, int size)
{
    font_spec at = options;
    at.size = size;
    TTF_Font *font = open_font(at, display_flags);
    if (!font)
        return {LONG_MAX, LONG_MAX};
    int width = 0;
    int height = 0;
    const bool measured = TTF_SizeUTF8(font, text.c_str(), &width, &height) == 0;
    TTF_CloseFont(font);
    if (!measured)
        return {LONG_MAX, LONG_MAX};
    return {width, height};
}

bool extent_fits(text_extent extent, unsigned columns, unsigned rows)
{
    return extent.width <= long(columns) && extent.height <= long(rows);
}

// The size at which the text fits columns and rows while one point more
// does not, searched below a size that does not fit: the largest such size
// as long as the text grows with the size. 0 when even 1 point is too big.
int largest_fitting_size(const std::string &text, const font_spec &options, int display_flags, int too_big,
                         unsigned columns, unsigned rows)
{
    int fits = 0;
    while (too_big - fits > 1) {
        const int size = fits + (too_big - fits) / 2;
        if (extent_fits(extent_at_size(text, options, display_flags, size), columns, rows))
            fits = size;
        else
            too_big = size;
    }
    return fits;
}

// A text wider or taller than its frame: what shows, and what would show it
// whole. A size is suggested only where it is readable.
std::string extent_hint(const std::string &text, TTF_Font *font, const font_spec &options, int display_flags)
{
    int width = 0;
    int height = 0;
    if (TTF_SizeUTF8(font, text.c_str(), &width, &height) != 0)
        return "";
    const frame_size frame = frame_geometry(display_flags, width);
    const bool wide = width > int(frame.width);
    const bool tall = height > int(frame.height);
    if (!wide && !tall)
        return "";

    const bool rolling = display_flags & DISPLAY_ROLL;
    std::string line = "Only the middle ";
    if (wide && tall)
        line += size_text(frame.width, frame.height) + " of the text's " + size_text(width, height) + " pixels";
    else if (wide)
        line += std::to_string(frame.width) + " of the text's " + std::to_string(width) + " columns";
    else
        line += std::to_string(frame.height) + " of the text's " + std::to_string(height) + " rows";
    line += rolling && wide ? " roll" : " show";

    std::vector<std::string> remedies;
    if (wide && !rolling)
        remedies.push_back(std::string((display_flags & DISPLAY_FLASH) ? "-R instead of -F" : "-R") +
                           (width <= int(ROLL_FRAME_MAX_WIDTH)
                                ? " rolls it"
                                : " rolls " + std::to_string(ROLL_FRAME_MAX_WIDTH) + " of them"));
    const unsigned columns = rolling ? ROLL_FRAME_MAX_WIDTH : frame.width;
    const int in_use = open_font_size(options, display_flags);
    const int fitting =
        in_use > 0 ? largest_fitting_size(text, options, display_flags, in_use, columns, frame.height) : 0;
    if (fitting > 0 && extent_at_size(text, options, display_flags, fitting).height >= MIN_READABLE_ROWS)
        remedies.push_back("-s " + std::to_string(fitting) + " or less fits");
    else if (remedies.empty())
        remedies.push_back("no readable -s fits");
    for (std::size_t i = 0; i < remedies.size(); ++i)
        line += (i == 0 ? "; " : ", ") + remedies[i];
    return line + ".\n";
}

// Characters that a terminal would act on, or that hide themselves, are
// named by their code alone.
bool visible(unsigned long code)
{
    return code >= 0x20 && !(code >= 0x7F && code < 0xA0) && code != 0xAD &&
           !(code >= 0x200B && code <= 0x200F) && !(code >= 0x2028 && code <= 0x202E) &&
           !(code >= 0x2060 && code <= 0x206F) && !(code >= 0xD800 && code <= 0xDFFF) && code != 0xFEFF &&
           !(code >= 0xFFF9 && code <= 0xFFFF) && !(code >= 0xE0000 && code <= 0xE007F) && code <= 0x10FFFF;
}

std::string character_name(unsigned long code)
{
    char number[16];
    std::snprintf(number, sizeof number, "U+%04lX", code);
    if (!visible(code))
        return number;
    std::string name;
    append_utf8(name, code);
    return name + " (" + number + ")";
}

std::string font_name(const font_spec &options)
{
    const std::string_view path(options.path);
    const std::size_t slash = path.rfind('/');
    std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    if (options.index != 0)
        name += " (face " + std::to_string(options.index) + ")";
    return name;
}

std::string named_list(const std::vector<unsigned long> &codes)
{
    std::string line;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        line += i == 0 ? "" : i + 1 == codes.size() ? " or " : ", ";
        line += character_name(codes[i]);
    }
    return line;
}

constexpr unsigned long ESCAPE = 0x1B;
constexpr unsigned long NEWLINE = 0x0A;

// Characters that the font lacks, and those above what SDL_ttf draws, which
// lidglow draws as U+FFFD. Escapes and newlines have hints of their own.
std::string glyph_hint(const std::string &text, TTF_Font *font, const font_spec &options)
{
    // In the order they first appear.
    std::vector<unsigned long> missing;
    std::vector<unsigned long> beyond;
    std::set<unsigned long> seen;
    for (unsigned long code : utf8_characters(text)) {
        if (code == ESCAPE || code == NEWLINE || !seen.insert(code).second)
            continue;
        if (code > UTF8_RENDERABLE_MAX) {
            beyond.push_back(code);
            continue;
        }
        // SDL_ttf takes these two as byte order marks that draw nothing.
        if (code == 0xFEFF || code == 0xFFFE)
            continue;
        if (!TTF_GlyphIsProvided(font, static_cast<Uint16>(code)))
            missing.push_back(code);
    }
    std::string out;
    if (!beyond.empty()) {
        out += "SDL_ttf 2.0 draws no character above U+FFFF: ";
        out += beyond.size() > MISSING_NAMED_MAX ? std::to_string(beyond.size()) + " of the text's characters"
                                                 : named_list(beyond);
        out += beyond.size() == 1 ? " shows" : " show";
        out += " as U+FFFD.\n";
    }
    if (!missing.empty()) {
        out += font_name(options) + " has no glyph for ";
        out += missing.size() > MISSING_NAMED_MAX ? std::to_string(missing.size()) + " of the text's characters"
                                                  : named_list(missing);
        out += ": it draws a placeholder.\n";
    }
    return out;
}

std::string control_hints(const std::string &text)
{
    std::string out;
    if (text.find('\x1b') != std::string::npos)
        out += "The text holds terminal escape sequences, which show as characters; strip them, "
               "e.g. with sed 's/\\x1b\\[[0-9;]*m//g'.\n";
    if (text.find('\n') != std::string::npos)
        out += "The display shows one line only: each newline draws a placeholder.\n";
    return out;
}

// A text with visible characters that the font draws no pixel of, as a
// bitmap font may do.
std::string ink_hint(const std::string &renderable, TTF_Font *font, const font_spec &options)
{
    if (!utf8_has_ink(renderable))
        return "";
    const SDL_Color black = {0, 0, 0, 0};
    const SDL_Color white = {255, 255, 255, 0};
    const surface_owner surface(TTF_RenderUTF8_Shaded(font, renderable.c_str(), black, white));
    if (!surface || surface_has_dark_pixel(surface.get()))
        return "";
    return font_name(options) + " draws no pixel of this text; if it is a bitmap font, whose -s picks one of "
                                "its sizes, try an outline font.\n";
}

} // namespace

std::string picture_hints(const decode_reply &picture, int display_flags)
{
    std::string out;
    if (picture.source_width > picture.width || picture.source_height > picture.height)
        out += "Only the middle " +
               size_text(std::min(picture.source_width, picture.width),
                         std::min(picture.source_height, picture.height)) +
               " of the " + size_text(picture.source_width, picture.source_height) +
               " picture shows; it is not scaled.\n";

    // A logo drawn on transparent black is the usual surprise: its
    // background shows set. Flattened onto the colour that comes out clear,
    // transparent pixels show clear; a light picture on a dark transparent
    // background wants -n instead.
    const unsigned set = picture.transparent_set;
    const unsigned clear = picture.transparent_clear;
    const std::string how = set == 0 ? "clear" : "set";
    std::string line;
    if (set + clear == 1)
        line = "Transparency is ignored: the one transparent pixel shows " + how + ", by its colour";
    else if (set != 0 && clear != 0)
        line = "Transparency is ignored: of " + std::to_string(set + clear) + " transparent pixels, " +
               std::to_string(set) + " show set and " + std::to_string(clear) + " clear";
    else if (set + clear != 0)
        line = "Transparency is ignored: the " + std::to_string(set + clear) + " transparent pixels show " + how +
               ", by their colour";
    if (set != 0) {
        const bool negative = display_flags & DISPLAY_NEGATIVE;
        line += std::string("; flatten the picture onto ") + (negative ? "black" : "white") +
                (set + clear == 1 ? " to clear it" : " to clear them") + ", or try " + (negative ? "without -n" : "-n");
    }
    if (!line.empty())
        out += line + ".\n";
    return out;
}

std::string text_hints(const char *text, TTF_Font *font, const font_spec &options, int display_flags)
{
    // Only whole characters are rendered, those above U+FFFF as U+FFFD.
    const std::string whole(text, utf8_whole_length(text));
    if (whole.empty() || font == nullptr)
        return "";
    const std::string renderable = utf8_renderable(whole);
    // Where nothing is drawn, what is cut off does not matter.
    const std::string no_ink = ink_hint(renderable, font, options);
    return (no_ink.empty() ? extent_hint(renderable, font, options, display_flags) : "") +
           glyph_hint(whole, font, options) + control_hints(whole) + no_ink;
}
