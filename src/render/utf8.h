#ifndef LIDGLOW_RENDER_UTF8_H
#define LIDGLOW_RENDER_UTF8_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// UTF-8 as SDL_ttf's decoder reads it: a byte from 0xF0 up starts four
// bytes, from 0xE0 three, from 0xC0 two, any other byte one, whatever the
// bytes that follow hold. Cutting a text only where this reading starts a
// character keeps the decoder inside the text.

// The number of bytes the decoder takes for a character starting with lead.
std::size_t utf8_sequence_length(unsigned char lead);

// The length of text without a character cut short at its end, which the
// decoder would complete with the bytes after the text.
std::size_t utf8_whole_length(std::string_view text);

// The offsets where the decoder starts a character, followed by the offset
// just past the last whole character.
std::vector<std::size_t> utf8_character_starts(std::string_view text);

// The characters of text as the decoder reads them, whole ones only. SDL_ttf
// keeps only the low 16 bits of each to find its glyph.
std::vector<unsigned long> utf8_characters(std::string_view text);

// Strict UTF-8, for text that must be exactly what it claims: the length of
// the well-formed character at the start of text, with the character in
// code, or 0 where the bytes there are ill-formed (a stray or missing
// continuation byte, an overlong form, a surrogate, a value above
// U+10FFFF) or text is empty.
std::size_t utf8_valid_character(std::string_view text, unsigned long &code);

// SDL_ttf 2.0 keeps only the low 16 bits of a character, so a character
// above U+FFFF would draw another one: 🐱 (U+1F431) would draw U+F431.
constexpr unsigned long UTF8_RENDERABLE_MAX = 0xFFFF;
constexpr unsigned long REPLACEMENT_CHARACTER = 0xFFFD;

// The text with every character above UTF8_RENDERABLE_MAX, as the decoder
// reads it, replaced by U+FFFD. The text must end with a whole character.
std::string utf8_renderable(std::string_view text);

// True when the text holds a character that a font draws with ink: not a
// control, a space or an invisible formatting character.
bool utf8_has_ink(std::string_view text);

// Appends a character, below 0x110000, as well-formed UTF-8.
void append_utf8(std::string &out, unsigned long code);

#endif
