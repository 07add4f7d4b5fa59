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

// The width of text at size points with the other font options asked for,
// opened as lidglow opens it; LONG_MAX when it cannot be measured.
long width_at_size(const std::string &text, const font_spec &options, int display_flags, int size)
{
    font_spec at = options;
    at.size = size;
    TTF_Font *font = open_font(at, display_flags);
    if (!font)
        return LONG_MAX;
    int width = 0;
    int height = 0;
    const bool measured = TTF_SizeUTF8(font, text.c_str(), &width, &height) == 0;
    TTF_CloseFont(font);
    return measured ? width : LONG_MAX;
}

// The size at which the text is at most limit columns wide while one point
// more is wider, searched below a size that is too wide: the largest such
// size as long as widths grow with the size. 0 when even 1 point is too
// wide.
int largest_fitting_size(const std::string &text, const font_spec &options, int display_flags, int too_wide,
                         unsigned limit)
{
    int fits = 0;
    while (too_wide - fits > 1) {
        const int size = fits + (too_wide - fits) / 2;
        if (width_at_size(text, options, display_flags, size) <= long(limit))
            fits = size;
        else
            too_wide = size;
    }
    return fits;
}

std::string width_hint(const std::string &text, TTF_Font *font, const font_spec &options, int display_flags)
{
    int width = 0;
    int height = 0;
    if (TTF_SizeUTF8(font, text.c_str(), &width, &height) != 0)
        return "";
    const frame_size frame = frame_geometry(display_flags, width);
    if (width <= int(frame.width))
        return "";

    const bool rolling = display_flags & DISPLAY_ROLL;
    std::string line = "Only the middle " + std::to_string(frame.width) + " of the text's " +
                       std::to_string(width) + " columns " + (rolling ? "roll" : "show") + "; ";
    if (!rolling) {
        line += (display_flags & DISPLAY_FLASH) ? "-R instead of -F" : "-R";
        line += width <= int(ROLL_FRAME_MAX_WIDTH)
                    ? " rolls it, "
                    : " rolls " + std::to_string(ROLL_FRAME_MAX_WIDTH) + " of them, ";
    }
    const int in_use = open_font_size(options, display_flags);
    const int fitting = in_use > 0 ? largest_fitting_size(text, options, display_flags, in_use, frame.width) : 0;
    if (fitting > 0)
        line += "-s " + std::to_string(fitting) + " or less fits.\n";
    else
        line += "no -s fits.\n";
    return line;
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

std::string glyph_hint(const std::string &text, TTF_Font *font, const font_spec &options)
{
    // In the order they first appear.
    std::vector<unsigned long> missing;
    std::set<unsigned long> seen;
    for (unsigned long code : utf8_characters(text)) {
        // SDL_ttf finds glyphs by the low 16 bits, and takes these two as
        // byte order marks that draw nothing.
        const Uint16 looked_up = static_cast<Uint16>(code & 0xFFFF);
        if (looked_up == 0xFEFF || looked_up == 0xFFFE || !seen.insert(code).second)
            continue;
        if (!TTF_GlyphIsProvided(font, looked_up))
            missing.push_back(code);
    }
    if (missing.empty())
        return "";

    std::string line = font_name(options) + " has no glyph for ";
    if (missing.size() > MISSING_NAMED_MAX) {
        line += std::to_string(missing.size()) + " of the text's characters";
    } else {
        for (std::size_t i = 0; i < missing.size(); ++i) {
            line += i == 0 ? "" : i + 1 == missing.size() ? " or " : ", ";
            line += character_name(missing[i]);
        }
    }
    return line + ": it draws a placeholder.\n";
}

} // namespace

std::string picture_hints(const decode_reply &picture)
{
    std::string out;
    if (picture.source_width > picture.width || picture.source_height > picture.height)
        out += "Only the middle " +
               size_text(std::min(picture.source_width, picture.width),
                         std::min(picture.source_height, picture.height)) +
               " of the " + size_text(picture.source_width, picture.source_height) +
               " picture shows; it is not scaled.\n";

    // A logo drawn on transparent black is the usual surprise: its
    // background shows set.
    const unsigned set = picture.transparent_set;
    const unsigned clear = picture.transparent_clear;
    const std::string how = set == 0 ? "clear" : "set";
    if (set + clear == 1)
        out += "Transparency is ignored: the one transparent pixel shows " + how + ", by its colour.\n";
    else if (set != 0 && clear != 0)
        out += "Transparency is ignored: of " + std::to_string(set + clear) + " transparent pixels, " +
               std::to_string(set) + " show set and " + std::to_string(clear) + " clear.\n";
    else if (set + clear != 0)
        out += "Transparency is ignored: the " + std::to_string(set + clear) + " transparent pixels show " + how +
               ", by their colour.\n";
    return out;
}

std::string text_hints(const char *text, TTF_Font *font, const font_spec &options, int display_flags)
{
    // Only whole characters are rendered.
    const std::string whole(text, utf8_whole_length(text));
    if (whole.empty() || font == nullptr)
        return "";
    return width_hint(whole, font, options, display_flags) + glyph_hint(whole, font, options);
}
