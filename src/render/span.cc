#include "render/span.h"

#include <string>
#include <vector>

#include "render/utf8.h"

namespace {

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

} // namespace

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
