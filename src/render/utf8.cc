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
