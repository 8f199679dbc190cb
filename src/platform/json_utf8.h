// UTF-8 steps the JSON parser and writer share: writing a code point, and reading one
// well-formed sequence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

void append_utf8(std::string& out, std::uint32_t cp);
// Length of the well-formed UTF-8 sequence at `at` and its code point; 0 when ill-formed.
std::size_t decode_utf8(std::string_view s, std::size_t at, std::uint32_t& cp);
