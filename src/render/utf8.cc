#include "render/utf8.h"

std::size_t utf8_sequence_length(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

std::size_t utf8_whole_length(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t next = at + utf8_sequence_length(static_cast<unsigned char>(text[at]));
        if (next > text.size())
            break;
        at = next;
    }
    return at;
}

std::vector<std::size_t> utf8_character_starts(std::string_view text)
{
    std::vector<std::size_t> starts;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t next = at + utf8_sequence_length(static_cast<unsigned char>(text[at]));
        if (next > text.size())
            break;
        starts.push_back(at);
        at = next;
    }
    starts.push_back(at);
    return starts;
}

std::vector<unsigned long> utf8_characters(std::string_view text)
{
    // The lead byte gives 3, 4 or 5 bits by the length it starts, any
    // other byte 6; a lone continuation byte stands for itself.
    static constexpr unsigned char LEAD_BITS[] = {0, 0xFF, 0x1F, 0x0F, 0x07};
    const std::vector<std::size_t> starts = utf8_character_starts(text);
    std::vector<unsigned long> characters;
    for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
        const std::size_t length = starts[i + 1] - starts[i];
        unsigned long code = static_cast<unsigned char>(text[starts[i]]) & LEAD_BITS[length];
        for (std::size_t k = 1; k < length; ++k)
            code = code << 6 | (static_cast<unsigned char>(text[starts[i] + k]) & 0x3F);
        characters.push_back(code);
    }
    return characters;
}

std::size_t utf8_valid_character(std::string_view text, unsigned long &code)
{
    if (text.empty())
        return 0;
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length;
    unsigned long lowest;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (next & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void append_utf8(std::string &out, unsigned long code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18 & 0x07));
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string utf8_renderable(std::string_view text)
{
    const std::vector<std::size_t> starts = utf8_character_starts(text);
    const std::vector<unsigned long> characters = utf8_characters(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if (characters[i] > UTF8_RENDERABLE_MAX)
            append_utf8(out, REPLACEMENT_CHARACTER);
        else
            out.append(text.substr(starts[i], starts[i + 1] - starts[i]));
    }
    return out;
}

bool utf8_has_ink(std::string_view text)
{
    for (unsigned long code : utf8_characters(text)) {
        const bool blank = code <= 0x20 || (code >= 0x7F && code <= 0xA0) || code == 0xAD || code == 0x1680 ||
                           code == 0x180E || (code >= 0x2000 && code <= 0x200F) ||
                           (code >= 0x2028 && code <= 0x202F) || (code >= 0x205F && code <= 0x206F) ||
                           code == 0x3000 || code == 0xFEFF || code == 0xFFFE;
        if (!blank)
            return true;
    }
    return false;
}
