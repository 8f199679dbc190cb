// Text operations every subsystem shares. Text is GBK bytes; positions are
// 1-based byte positions and -1 means "not found".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;
using TextArray = std::vector<Text>;

// True when byte is a GBK lead byte (the first of a double-byte character).
bool is_gbk_lead_byte(unsigned char byte);

// First occurrence of `search` at or after `start`, never starting on a trail byte.
// An empty search text is found at `start` of any non-empty text.
int find_text(const Text& text, const Text& search, int start = 1, bool ignore_case = false);
// Last occurrence that begins at or before `start` (-1: anywhere).
int rfind_text(const Text& text, const Text& search, int start = -1, bool ignore_case = false);

Text left_text(const Text& text, int count);
Text right_text(const Text& text, int count);
// `count` below 0 means "to the end".
Text mid_text(const Text& text, int start, int count = -1);

// Pieces between separators, empty ones kept, an empty last piece dropped.
TextArray split_text(const Text& text, const Text& separator);
// The same pieces with the separator matched byte by byte, for texts that may hold bytes
// of another encoding (a header value as it arrived): a byte 0x81-0xFE before the
// separator cannot hide it there.
TextArray split_bytes(const Text& text, const Text& separator);
Text join_texts(const TextArray& pieces, const Text& separator);

// Strips ASCII spaces and ideographic spaces (A1 A1) at both ends; tabs and line ends stay.
Text trim_text(const Text& text);
// Strips spaces and tabs at both ends (the blanks of INI files and HTTP headers).
Text trim_blanks(const Text& text);
Text upper_text(const Text& text);
Text lower_text(const Text& text);
// Byte equality with ASCII letters compared without regard to case.
bool equal_ignoring_case(const Text& a, const Text& b);
Text replace_text(const Text& text, const Text& from, const Text& to);

// The whole number the text begins with (optional sign), 0 when none; clamped to 32 bits.
int text_to_int(const Text& text);

Bytes text_to_bytes(const Text& text);
// Bytes up to the first zero byte.
Text bytes_to_text(const Bytes& bytes);

// At most `max_bytes` bytes of the text, cut at a character boundary, with `mark`
// appended when anything was cut.
Text shorten_text(const Text& text, std::size_t max_bytes, const Text& mark);

// True when every byte is below 0x80 (the same text in GBK and in UTF-8).
bool is_ascii_text(std::string_view text);
