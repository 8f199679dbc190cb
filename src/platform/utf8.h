// UTF-8 steps shared by the JSON engine and the INI layer: writing a code point, reading
// one well-formed sequence (no overlong forms, no surrogates), checking a whole text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

void append_utf8(std::string& out, std::uint32_t cp);
// Length of the well-formed UTF-8 sequence at `at` and its code point; 0 when ill-formed.
std::size_t decode_utf8(std::string_view s, std::size_t at, std::uint32_t& cp);
// Well-formed UTF-8 holding at least one character beyond ASCII.
bool is_non_ascii_utf8(std::string_view text);
