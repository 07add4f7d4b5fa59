// The text path before SDL_ttf renders: dropping a character cut short at
// the end, and the search for the span of a wide text that one surface can
// hold, measured with a real font. The span must lie within the whole
// characters, start and end where SDL_ttf's decoder starts a character, and
// fit the width unless it is empty; its search must measure no more than
// about log2 times the text, however odd the glyphs.

#include <SDL_ttf.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "input.h"
#include "render/font.h"
#include "render/span.h"
#include "render/utf8.h"
#include "support/test_fonts.h"

namespace {

TTF_Font *font_once()
{
    static TTF_Font *font = [] {
        const std::string &path = test_fonts::dejavu();
        if (path.empty() || TTF_Init() < 0) {
            std::fputs("text_span_fuzz: DejaVu Sans is needed\n", stderr);
            std::abort();
        }
        return TTF_OpenFont(path.c_str(), 20);
    }();
    return font;
}

bool is_start(const std::vector<std::size_t> &starts, std::size_t at)
{
    for (std::size_t s : starts)
        if (s == at)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TTF_Font *font = font_once();
    fuzz_input in{data, size};
    const int max_width = 1 + in.word() % MAX_SURFACE_WIDTH;
    // A C string: the text ends at the first NUL.
    std::string text(reinterpret_cast<const char *>(in.data), in.size);
    text = text.substr(0, text.find('\0'));

    const std::size_t whole = utf8_whole_length(text);
    if (whole > text.size() || whole + 4 <= text.size())
        std::abort();
    const std::string_view shown(text.data(), whole);
    const std::vector<std::size_t> starts = utf8_character_starts(shown);
    if (starts.back() != whole)
        std::abort();

    const text_span span = renderable_span(font, shown, max_width);
    if (span.start + span.length > whole || !is_start(starts, span.start) ||
        !is_start(starts, span.start + span.length))
        std::abort();
    // Growing windows, single characters, then a bisection over the window.
    std::size_t log2_whole = 0;
    while (std::size_t(1) << log2_whole <= whole)
        ++log2_whole;
    if (span.measured > (4 + log2_whole) * whole + 64)
        std::abort();
    if (span.length > 0) {
        const std::string piece(shown.substr(span.start, span.length));
        int w = 0, h = 0;
        if (TTF_SizeUTF8(font, piece.c_str(), &w, &h) == 0 && w > max_width && span.length < whole)
            std::abort();
    }
    return 0;
}
