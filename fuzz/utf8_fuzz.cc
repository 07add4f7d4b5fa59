// UTF-8 both ways the program reads it. The strict reading, which checks
// the decoder's failure line, must take exactly the shortest encodings of
// the characters up to U+10FFFF that are not surrogates: a character it
// takes must encode back to the same bytes, and bytes that it refuses
// must not be such an encoding. printable_line must leave plain printable
// text, and leave it alone. The lenient reading of SDL_ttf's decoder must
// stay inside the text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "decoder/decode_reply.h"
#include "render/utf8.h"

namespace {

// Whether some prefix of text is the shortest encoding of a character that
// strict UTF-8 allows, worked out by encoding every candidate.
bool starts_with_a_character(std::string_view text)
{
    if (text.empty())
        return false;
    const auto lead = static_cast<unsigned char>(text[0]);
    for (std::size_t length = 1; length <= 4 && length <= text.size(); ++length) {
        static constexpr unsigned char LEAD_BITS[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
        unsigned long code = lead & LEAD_BITS[length];
        for (std::size_t i = 1; i < length; ++i)
            code = code << 6 | (static_cast<unsigned char>(text[i]) & 0x3F);
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            continue;
        std::string encoded;
        append_utf8(encoded, code);
        if (encoded == text.substr(0, length))
            return true;
    }
    return false;
}

bool printable(std::string_view line)
{
    while (!line.empty()) {
        unsigned long code = 0;
        const std::size_t length = utf8_valid_character(line, code);
        if (length == 0 || code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x061C ||
            code == 0x200E || code == 0x200F || (code >= 0x202A && code <= 0x202E) ||
            (code >= 0x2066 && code <= 0x2069))
            return false;
        line.remove_prefix(length);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    std::string_view rest(text);
    while (!rest.empty()) {
        unsigned long code = 0;
        const std::size_t length = utf8_valid_character(rest, code);
        if (length == 0) {
            if (starts_with_a_character(rest))
                std::abort();
            rest.remove_prefix(1);
            continue;
        }
        std::string encoded;
        append_utf8(encoded, code);
        if (length > 4 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
            encoded != rest.substr(0, length))
            std::abort();
        rest.remove_prefix(length);
    }

    const std::string line = printable_line(text);
    if (!printable(line) || printable_line(line) != line)
        std::abort();

    const std::vector<std::size_t> starts = utf8_character_starts(text);
    if (starts.empty() || starts.back() != utf8_whole_length(text) || starts.back() > text.size())
        std::abort();
    for (std::size_t i = 1; i < starts.size(); ++i)
        if (starts[i] <= starts[i - 1])
            std::abort();
    if (utf8_characters(text).size() + 1 != starts.size())
        std::abort();
    return 0;
}
